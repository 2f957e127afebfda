// Unread counts: exact while three other clients write to ten readable pads,
// how soon another member's new line shows in the launcher's count, what the
// counts cost the server while nothing changes and per change, and the start
// of the launcher with 50 readable pads against its start without them. The
// measured clients are processes of their own (LiveClient::RunLauncher); the
// other members write from this process.

#include "BenchSupport.h"
#include "Figures.h"

#include "app/Settings.h"
#include "app/SettingsFiles.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "support/LiveClient.h"
#include "support/TestDatabase.h"
#include "text/Func_.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bench::Goal;

constexpr std::int32_t Member = 1; // the member of the measured launcher
constexpr double NsPerMs = 1e6;

using Bench::envOr;
using Bench::percentile;

// The settings files of a client beside program in folder: the database the
// current settings name, the member identified.
bool writeSettings(const std::string& folder, int refreshSeconds) {
    Settings::MemberNumber = Member;
    Settings::MemberName = "Bench";
    Settings::MemberPassword = "pw";
    Settings::RefreshSeconds = refreshSeconds;
    Settings::RowsPerPage = 100;
    SettingsFiles::LayoutValues windows;
    windows.fill(SettingsFiles::UnplacedWindow);
    return SettingsFiles::WriteLayout(folder + "/qbook2.dat", windows) &&
           SettingsFiles::WriteDbSettings(folder + "/qbook2db.dat");
}

// The pads of the exactness run: ten the member reads, the member's own and
// a closed group's the member is not in.
const std::vector<std::string> Readable = {"MYMEMO2", "MYMEMO3", "MYMEMO4", "OGMEMO1", "OGMEMO2",
                                           "OGMEMO3", "OGMEMO4", "CGMEMO1", "CGMEMO2", "ALMEMO"};
const std::vector<std::string> Unreadable = {"MYMEMO1", "CGMEMO3"};

bool fillRegistry(TestDatabase& database) {
    bool ok = database.createRegistry();
    for (std::int32_t member = 1; member <= 4; ++member)
        ok = ok && database.addMember(member, "Member" + std::to_string(member), "pw");
    for (std::int32_t group = 1; group <= 4; ++group)
        ok = ok &&
             database.addGroup("OGROUP", group, false, "Open" + std::to_string(group), "x",
                               group <= 2 ? std::vector<std::int32_t>{1, 2} : std::vector<std::int32_t>{3});
    ok = ok && database.addGroup("CGROUP", 1, false, "Closed1", "x", {1, 2, 3});
    ok = ok && database.addGroup("CGROUP", 2, true, "Closed2", "x", {1, 4});
    ok = ok && database.addGroup("CGROUP", 3, false, "Closed3", "x", {2, 3, 4});
    return ok;
}

FieldList memoFields() {
    FieldList fields;
    SetMemoFields(fields);
    return fields;
}

bool insertLine(TFormFBDB& db, const std::string& table, std::int32_t member, const std::string& text) {
    FieldList row;
    return InsertMemoLine(db, table, row, AppendSortNumber(db, table), text, member);
}

// What the launcher of Member should count: the live lines above the largest
// N there was when it started that another member wrote.
std::map<std::string, int> truth(TFormFBDB& db, const std::map<std::string, std::int32_t>& baseline) {
    std::map<std::string, int> counts;
    for (const std::string& table : Readable) {
        const ReadResult<std::vector<FieldList>> rows =
            db.ReadRows(FieldList(1), "COUNT(*)", table,
                        "N>" + std::to_string(baseline.at(table)) + " AND DF=0 AND (MN IS NULL OR MN<>" +
                            std::to_string(Member) + ")",
                        "");
        counts[table] = rows && !rows->empty() ? std::atoi((*rows)[0][0].Value.c_str()) : -1;
    }
    return counts;
}

// Three other members and the member themselves write, change and delete
// lines at random, also on pads that are not counted.
bool writeAtRandom(std::vector<std::unique_ptr<TFormFBDB>>& writers, TFormFBDB& own, int actions) {
    std::mt19937 random(24);
    std::vector<std::string> tables = Readable;
    tables.insert(tables.end(), Unreadable.begin(), Unreadable.end());
    for (int i = 0; i < actions; ++i) {
        const bool byMember = random() % 7 == 0;
        TFormFBDB& db = byMember ? own : *writers[random() % writers.size()];
        const std::int32_t member = byMember ? Member : static_cast<std::int32_t>(2 + random() % 3);
        const std::string& table = tables[random() % tables.size()];
        const unsigned kind = random() % 20;
        const std::string text = "line " + std::to_string(i);
        if (kind < 12) {
            if (!insertLine(db, table, member, text))
                return false;
            continue;
        }
        if (kind < 14) { // a blank line, removed again
            if (!insertLine(db, table, member, " "))
                return false;
            const std::int32_t n = ToIntOrZero(db.ReadMax(table, "N", "").value());
            if (!DeleteMemoLine(db, table, n, " ", member))
                return false;
            continue;
        }
        const ReadResult<std::vector<FieldList>> live = db.ReadRows(memoFields(), "*", table, "DF=0", "N");
        if (!live || live->empty())
            continue;
        FieldList row = (*live)[random() % live->size()];
        const std::int32_t n = ToIntOrZero(row[MemoN].Value);
        if (kind < 17 ? !DeleteMemoLine(db, table, n, row[MemoText].Value, member)
                      : !ChangeMemoLine(db, table, row, "changed " + std::to_string(i), member))
            return false;
    }
    return true;
}

bool exactness(TFormFBDB& db, const QString& program, const std::string& folder, std::vector<Goal>& goals) {
    std::map<std::string, std::int32_t> baseline;
    for (const std::string& table : Readable)
        baseline[table] = ToIntOrZero(db.ReadMax(table, "N", "").value());
    LiveClient::Process client;
    if (!client.startLauncher(program, QString::fromStdString(folder))) {
        std::fprintf(stderr, "qbook2-bench-unread: the launcher did not start: %s\n",
                     client.errors().constData());
        return false;
    }
    std::vector<std::unique_ptr<TFormFBDB>> writers;
    for (int i = 0; i < 3; ++i) {
        writers.push_back(std::make_unique<TFormFBDB>());
        if (!Settings::ConnectCurrent(*writers.back()))
            return false;
    }
    TFormFBDB own;
    const int actions = envOr("QBOOK2_BENCH_ACTIONS", 300);
    if (!Settings::ConnectCurrent(own) || !writeAtRandom(writers, own, actions)) {
        std::fprintf(stderr, "qbook2-bench-unread: writing failed\n");
        return false;
    }
    const std::map<std::string, int> expected = truth(db, baseline);
    client.waitForCounts([&](const std::map<std::string, int>& counts) { return counts == expected; }, 10000);
    QTest::qWait(1000); // anything still on its way
    client.waitForCounts([](const std::map<std::string, int>&) { return false; }, 100);
    int wrong = 0, total = 0;
    std::printf("%-10s %8s %8s\n", "pad", "counted", "truth");
    for (const std::string& table : Readable) {
        const auto found = client.counts().find(table);
        const int counted = found == client.counts().end() ? -1 : found->second;
        std::printf("%-10s %8d %8d\n", table.c_str(), counted, expected.at(table));
        wrong += counted == expected.at(table) ? 0 : 1;
        total += expected.at(table);
    }
    for (const std::string& table : Unreadable)
        wrong += client.counts().count(table) != 0 ? 1 : 0;
    std::printf("%d actions by 3 other members and the member; %d unread lines on 10 pads; %d pads wrong\n\n",
                actions, total, wrong);
    goals.push_back({"pads whose count differs from the truth (3 writers, 10 pads)", double(wrong), 0});
    for (auto& writer : writers)
        writer->Disconnect();
    own.Disconnect();
    return true;
}

// Lines written one by one to a pad the launcher shows nowhere: the time from
// the start of each insert to the launcher's count of it, and the
// statements the launcher's process sent for them.
bool latency(TFormFBDB& db, LiveClient::Process& client, const std::string& table, const char* title,
             int lines, int minPauseMs, int maxPauseMs, std::vector<double>& times,
             double& statementsPerChange) {
    std::mt19937 random(lines);
    std::uniform_int_distribution<int> pause(minPauseMs, maxPauseMs - 1);
    const std::int64_t before = client.statements(5000);
    for (int i = 0; i < lines; ++i) {
        const int expected = client.counts().count(table) ? client.counts().at(table) + 1 : 1;
        const std::int64_t start = LiveClient::Now();
        if (!insertLine(db, table, 2, std::string(title) + " " + std::to_string(i))) {
            std::fprintf(stderr, "qbook2-bench-unread: insert failed: %s\n", db.LastError().c_str());
            return false;
        }
        const std::int64_t shown = client.waitForCounts(
            [&](const std::map<std::string, int>& counts) {
                return counts.count(table) && counts.at(table) >= expected;
            },
            60000);
        if (shown < 0) {
            std::fprintf(stderr, "qbook2-bench-unread: line %d never counted\n", i);
            return false;
        }
        times.push_back(static_cast<double>(shown - start) / NsPerMs);
        QTest::qWait(pause(random));
    }
    statementsPerChange = static_cast<double>(client.statements(5000) - before) / lines;
    std::printf("%-34s %6d %10.1f %10.1f %10.1f %12.2f\n", title, lines, percentile(times, 0.5),
                percentile(times, 0.9), *std::max_element(times.begin(), times.end()), statementsPerChange);
    std::fflush(stdout);
    return true;
}

double idleStatementsPerMinute(LiveClient::Process& client, int seconds) {
    const std::int64_t before = client.statements(5000);
    QTest::qWait(seconds * 1000);
    return static_cast<double>(client.statements(5000) - before) * 60.0 / seconds;
}

bool liveCosts(TFormFBDB& db, const QString& program, const std::string& folder, std::vector<Goal>& goals) {
    LiveClient::Process client;
    if (!client.startLauncher(program, QString::fromStdString(folder)))
        return false;
    const int lines = envOr("QBOOK2_BENCH_LINES", 20);
    const int idleSeconds = envOr("QBOOK2_BENCH_IDLE_SECONDS", 60);
    std::printf(
        "a line by another member to the launcher's count (ms), statements of the launcher's process\n");
    std::printf("%-34s %6s %10s %10s %10s %12s\n", "case", "lines", "median", "90%", "max", "per change");
    std::vector<double> times;
    double perChange = 0;
    if (!latency(db, client, "OGMEMO3", "events, pad not shown", lines, 300, 600, times, perChange))
        return false;
    goals.push_back(
        {"median ms from another member's line to the launcher's count", percentile(times, 0.5), 1000});
    goals.push_back({"statements per change of a pad no screen shows", perChange, 1});

    // The pad on a screen: its refresh reads it, the counts do not.
    client.send("open OGMEMO1");
    QTest::qWait(1500);
    std::int64_t before = client.statements(5000);
    for (int i = 0; i < lines; ++i) {
        insertLine(db, "OGMEMO1", 2, "shown " + std::to_string(i));
        QTest::qWait(450);
    }
    const double shownPerChange = static_cast<double>(client.statements(5000) - before) / lines;
    client.send("close OGMEMO1");
    std::printf("%-34s %6d %10s %10s %10s %12.2f\n", "events, pad on a screen", lines, "-", "-", "-",
                shownPerChange);
    goals.push_back({"statements per change of a pad a screen shows (its refresh)", shownPerChange, 1});

    QTest::qWait(1000);
    const double idle = idleStatementsPerMinute(client, idleSeconds);
    std::printf("\nstatements per idle minute of the launcher's process (over %d s)\n", idleSeconds);
    std::printf("%-44s %10.1f\n", "events, refresh 30 s", idle);
    goals.push_back({"statements per idle minute with events", idle, 0});
    client.stop();

    // The timer alone: a pad whose table has no change trigger, a refresh of 2 s.
    if (!db.DropChangeTrigger("OGMEMO4") || !writeSettings(folder, 2))
        return false;
    LiveClient::Process timed;
    if (!timed.startLauncher(program, QString::fromStdString(folder)))
        return false;
    std::printf("\n%-34s %6s %10s %10s %10s %12s\n", "case", "lines", "median", "90%", "max", "per change");
    std::vector<double> timerTimes;
    if (!latency(db, timed, "OGMEMO4", "timer alone, 2 s", std::max(lines / 2, 5), 0, 2000, timerTimes,
                 perChange))
        return false;
    std::printf("%-44s %10.1f\n", "timer alone, 2 s: statements per idle minute",
                idleStatementsPerMinute(timed, std::min(idleSeconds, 30)));
    db.AddChangeTrigger("OGMEMO4");
    return writeSettings(folder, 30);
}

// ---- start-up --------------------------------------------------------------------------------------

// The launcher of a member who reads 50 pads, against the launcher without
// database settings, which reads nothing, as it started before there were counts.
bool startup(const std::string& folder, std::vector<Goal>& goals) {
    TestDatabase database("bench-unread-startup");
    if (!database.ok() || !database.createRegistry() || !database.addMember(Member, "Bench", "pw"))
        return false;
    database.useInSettings();
    TFormFBDB& db = database.db();
    const FieldList fields = memoFields();
    for (std::int32_t group = 1; group <= 49; ++group) {
        if (!database.addGroup("OGROUP", group, false, "Group" + std::to_string(group), "x", {2}) ||
            !CreateMemoTable(db, OgMemoTable(group), fields) ||
            !insertLine(db, OgMemoTable(group), 2, "a line"))
            return false;
    }
    if (!CreateMemoTable(db, AlMemoTable(), fields))
        return false;
    const std::filesystem::path bench = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string withPads = folder + "/with", without = folder + "/without";
    std::filesystem::create_directories(withPads);
    std::filesystem::create_directories(without);
    for (const std::string& target : {withPads, without})
        std::filesystem::copy_file(bench / "qbook2-startup-launcher", target + "/qbook2",
                                   std::filesystem::copy_options::overwrite_existing);
    if (!writeSettings(withPads, 30))
        return false;
    const std::string withProgram = withPads + "/qbook2", withoutProgram = without + "/qbook2";
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
        std::vector<double> times;
    };
    Start counted{withProgram, {}, {}}, bare{withoutProgram, {}, {}},
        counts{withProgram, {"--until-counts"}, {}};
    Start* starts[] = {&counted, &bare, &counts};
    for (Start* start : starts)
        if (Bench::millisecondsToFirstOutput(start->program, start->arguments) < 0)
            return false;
    for (int r = 0; r < 21; ++r) {
        std::rotate(std::begin(starts), std::begin(starts) + 1, std::end(starts));
        for (Start* start : starts)
            start->times.push_back(Bench::millisecondsToFirstOutput(start->program, start->arguments));
    }
    Bench::printHeader();
    const Bench::Outcome shown =
        Bench::summarize("launcher shown: 50 pads / no settings", counted.times, bare.times);
    Bench::summarize("counts read: 50 pads / launcher, no settings", counts.times, bare.times);
    goals.push_back({"start-up with 50 readable pads / without (launcher shown)", shown.paired, 1.2});
    return true;
}

int run() {
    TestDatabase database("bench-unread");
    if (!database.ok() || !fillRegistry(database)) {
        std::fprintf(stderr, "qbook2-bench-unread: %s\n", database.error().c_str());
        return 1;
    }
    database.useInSettings();
    TFormFBDB& db = database.db();
    std::vector<std::string> tables = Readable;
    tables.insert(tables.end(), Unreadable.begin(), Unreadable.end());
    for (const std::string& table : tables)
        if (!CreateMemoTable(db, table, memoFields()) || !insertLine(db, table, 2, "before the start")) {
            std::fprintf(stderr, "qbook2-bench-unread: %s: %s\n", table.c_str(), db.LastError().c_str());
            return 1;
        }
    QTemporaryDir folder;
    if (!folder.isValid() || !writeSettings(folder.path().toStdString(), 30))
        return 1;
    const QString program = QCoreApplication::applicationFilePath();
    std::vector<Goal> goals;
    std::printf("== counts exact ==\n");
    bool ok = exactness(db, program, folder.path().toStdString(), goals);
    std::printf("== latency and statements ==\n");
    ok = ok && liveCosts(db, program, folder.path().toStdString(), goals);
    std::printf("\n== start-up ==\n");
    ok = ok && startup(folder.path().toStdString(), goals);
    db.Disconnect();
    Bench::printGoals(goals);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], LiveClient::LauncherArgument) == 0)
        return LiveClient::RunLauncher(argc, argv);
    if (argc > 1) {
        std::fprintf(stderr, "usage: qbook2-bench-unread\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return run();
}
