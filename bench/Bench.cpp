// The benchmark: the memo screen's flows, the global search, the start-up and
// the data-access module, each measured against a floor in the same run. A
// floor is a minimal loop that talks to fbclient directly and sends the same
// statements, converting the same columns to text: what no client of the
// server can beat; the ratio to it is the client's own cost.

#include "BenchSupport.h"
#include "CodecBench.h"
#include "MemoFlows.h"
#include "Startup.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "search/PadCondition.h"
#include "search/UnitGSearch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace Bench;

constexpr int PageRows = 100;
const char* const PageCondition = "(SN > 0.0) AND (DF = 0)";
const char* const PageOrder = "SN,N";

std::string insertText(const std::string& table, const FieldList& fields) {
    std::vector<std::string> lines{"INSERT INTO " + table + " ("};
    for (size_t i = 0; i < fields.size(); ++i)
        lines.push_back("   " + fields[i].Name + (i + 1 < fields.size() ? "," : ""));
    lines.push_back("   ) ");
    lines.push_back("   VALUES (");
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& value = fields[i].Value;
        const std::string literal =
            fields[i].Kind == 4 ? (value.empty() ? "NULL" : "'" + value + "'") : value;
        lines.push_back("   " + literal + (i + 1 < fields.size() ? "," : ""));
    }
    lines.push_back("   );");
    return join(lines);
}

int runModuleCases(const std::string& folder, std::vector<Goal>& goals) {
    const std::string user = Bench::user();
    const std::string password = Bench::password();
    const std::string prefix = "localhost:" + folder + "/";
    const std::string database = prefix + Settings::DatabaseFileName;

    Floor floor;
    floor.attach(database, user, password);
    TFormFBDB db;
    if (!db.Connect(prefix, Settings::DatabaseFileName, user, password)) {
        std::fprintf(stderr, "qbook2-bench: module cannot connect: %s\n", db.LastError().c_str());
        return 1;
    }

    std::printf("setting up pads of 1 000, 10 000 and 100 000 lines and 2 000 tables...\n");
    std::fflush(stdout);
    const int padSizes[] = {1000, 10000, 100000};
    for (int lines : padSizes)
        fillPad(floor, MyMemoTable(lines), lines);
    // With the three pads and the two insert tables below, 2 000 tables.
    std::vector<std::string> creates;
    for (int i = 1; i <= 2000 - 5; ++i)
        creates.push_back(createMemoTableText(OgMemoTable(i)));
    floor.executeAll(creates);
    FieldList memo;
    SetMemoFields(memo);
    const std::string moduleInserts = CgMemoTable(1);
    const std::string floorInserts = CgMemoTable(2);
    if (!db.CreateTable(moduleInserts, MemoColumns, memo) ||
        !db.CreateTable(floorInserts, MemoColumns, memo)) {
        std::fprintf(stderr, "qbook2-bench: cannot create the insert tables: %s\n", db.LastError().c_str());
        return 1;
    }

    printHeader();
    std::vector<Outcome> outcomes;
    const int selectRepetitions[] = {31, 15, 9};
    for (size_t k = 0; k < std::size(padSizes); ++k) {
        const std::string table = MyMemoTable(padSizes[k]);
        const std::string sql =
            join({"SELECT * ", "   FROM " + table + " ", "   WHERE " + std::string(PageCondition) + " ",
                  "   ORDER BY " + std::string(PageOrder) + " ", "   ;"});
        FieldList shape;
        SetMemoFields(shape);
        size_t moduleRows = 0, floorRows = 0;
        std::string moduleLast;
        Rows page;
        outcomes.push_back(measure(
            "ReadRows, page of 100, " + std::to_string(padSizes[k]) + " lines", selectRepetitions[k],
            [&] {
                const ReadResult<std::vector<FieldList>> rows =
                    db.ReadRows(shape, "*", table, PageCondition, PageOrder);
                moduleRows = rows ? rows->size() : 0;
                moduleLast = moduleRows >= size_t(PageRows) ? (*rows)[PageRows - 1][4].Value : std::string();
            },
            [&] { floorRows = floor.select(sql, PageRows, page); }));
        if (moduleRows != floorRows || moduleLast != page.back()[4])
            std::fprintf(stderr, "qbook2-bench: module and floor disagree (%zu and %zu rows)\n", moduleRows,
                         floorRows);
    }

    bool moduleFound = false, floorFound = false;
    size_t moduleTables = 0;
    outcomes.push_back(measure(
        "ReadTableNames + HasTableName, 2 000 tables", 31,
        [&] {
            const ReadResult<std::vector<std::string>> names = db.ReadTableNames();
            moduleTables = names ? names->size() : 0;
            moduleFound = names && HasTableName(*names, "ogmemo1500");
        },
        [&] { floorFound = floorTableExists(floor, "ogmemo1500"); }));
    if (!moduleFound || !floorFound || moduleTables != 2000)
        std::fprintf(stderr, "qbook2-bench: the table names did not hold the 2 000 tables (%zu)\n",
                     moduleTables);

    const std::string line = Codec::sj("新しい行を登録しました。insert benchmark line");
    memo[1].Value = "1";
    memo[2].Value = "0";
    memo[3].Value = "1";
    memo[4].Value = line;
    memo[5].Value = SearchKey(line);
    int moduleNext = 1, floorNext = 1, moduleFailures = 0;
    outcomes.push_back(measure(
        "1 000 single-line inserts", 9,
        [&] {
            for (int i = 0; i < 1000; ++i) {
                memo[0].Value = std::to_string(moduleNext++);
                moduleFailures += db.InsertRow(moduleInserts, MemoColumns, memo) ? 0 : 1;
            }
        },
        [&] {
            FieldList values = memo;
            for (int i = 0; i < 1000; ++i) {
                values[0].Value = std::to_string(floorNext++);
                floor.execute(insertText(floorInserts, values));
            }
        }));
    if (moduleFailures > 0)
        std::fprintf(stderr, "qbook2-bench: %d module inserts failed: %s\n", moduleFailures,
                     db.LastError().c_str());

    db.Disconnect();
    floor.detach();
    for (const Outcome& outcome : outcomes)
        goals.push_back({"data access: " + outcome.name + " / floor", outcome.paired, 1.10});
    return 0;
}

// The global search over 300 pads of 1 000 lines: the own pad and 99 other
// members' pads, 100 open groups, 99 closed groups with the member and the
// all-members pad. Every tenth pad has the word in every tenth line. The floor
// is what the search cannot do without: one catalogue read and the search
// statement of every pad, its rows fetched and turned into text.
int runGlobalSearch(const std::string& folder, std::vector<Goal>& goals) {
    const std::string user = Bench::user();
    const std::string password = Bench::password();
    const std::string prefix = "localhost:" + folder + "/";
    Floor floor;
    floor.attach(prefix + Settings::DatabaseFileName, user, password);

    std::printf("setting up 300 pads of 1 000 lines...\n");
    std::fflush(stdout);
    TFormFBDB setup;
    FieldList member;
    SetMemberFields(member);
    FieldList groups;
    SetGroupFields(groups);
    if (!setup.Connect(prefix, Settings::DatabaseFileName, user, password) ||
        !setup.CreateTable("MEMBER", MemberColumns, member) ||
        !setup.CreateTable("OGROUP", GroupColumns, groups) ||
        !setup.CreateTable("CGROUP", GroupColumns, groups)) {
        std::fprintf(stderr, "qbook2-bench: cannot create the registry: %s\n", setup.LastError().c_str());
        return 1;
    }
    setup.Disconnect();
    const std::string name = Codec::sj("メンバー");
    const std::string group = Codec::sj("グループ");
    const std::string outline = Codec::sj("ベンチマーク用");
    std::vector<std::string> registry;
    std::vector<std::string> pads;
    for (int n = 1; n <= 100; ++n) {
        registry.push_back("INSERT INTO MEMBER VALUES (" + std::to_string(n) + ", '" + name +
                           std::to_string(n) + "', 'p')");
        registry.push_back("INSERT INTO OGROUP (N, ENDED, NAME, OUTLINE, P1) VALUES (" + std::to_string(n) +
                           ", 0, '" + group + std::to_string(n) + "', '" + outline + "', 2)");
        if (n < 100)
            registry.push_back("INSERT INTO CGROUP (N, ENDED, NAME, OUTLINE, P1, P15) VALUES (" +
                               std::to_string(n) + ", 1, '" + group + std::to_string(n) + "', '" + outline +
                               "', 2, 1)");
        pads.push_back(MyMemoTable(n));
    }
    floor.executeAll(registry);
    for (int n = 1; n <= 100; ++n)
        pads.push_back(OgMemoTable(n));
    for (int n = 1; n < 100; ++n)
        pads.push_back(CgMemoTable(n));
    pads.push_back(AlMemoTable());

    const std::string word = Codec::sj("かいぎしつ");
    const std::string plain = Codec::sj(PadLine);
    const std::string match = Codec::sj("第２カイギシツの予約を確認して下さい。room ");
    for (size_t i = 0; i < pads.size(); ++i) {
        const bool withMatches = i % 10 == 9;
        floor.execute(createMemoTableText(pads[i]));
        const std::string text =
            withMatches ? "IIF(MOD(:I, 10) = 0, '" + match + "', '" + plain + "')" : "'" + plain + "'";
        const std::string find =
            withMatches ? "IIF(MOD(:I, 10) = 0, '" + SearchKey(match) + "', '" + SearchKey(plain) + "')"
                        : "'" + SearchKey(plain) + "'";
        floor.execute(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 1000) DO BEGIN INSERT INTO " +
            pads[i] + " VALUES (:I, :I, 0, 1, " + text + " || :I, " + find + " || :I); I = I + 1; END END");
    }

    Settings::ServerName = "localhost";
    Settings::ServerFolder = folder + "/";
    Settings::DatabaseLocation = prefix;
    Settings::DatabaseUser = user;
    Settings::DatabasePassword = password;
    Settings::MemberNumber = 1;
    Settings::MemberName = name + "1";
    CreateForms();
    TFormGSearch* window = forms().FormGSearch;
    window->show();
    if (!window->Ready) {
        std::fprintf(stderr, "qbook2-bench: the global search cannot connect\n");
        DestroyForms();
        return 1;
    }
    window->Edit1->setText(Codec::toQString(word));

    const std::string key = SearchKey(word);
    const std::string condition = PadCondition("FIND", key);
    std::vector<std::string> statements;
    for (const std::string& pad : pads)
        statements.push_back(join({"SELECT * ", "   FROM " + pad + " ", "   WHERE " + condition + " ",
                                   "   ORDER BY SN,N ", "   ;"}));
    size_t floorHits = 0;
    Rows rows;
    printHeader();
    const Outcome outcome = measure(
        "global search, 300 pads of 1 000 lines", 9, [&] { window->Button1Click(); },
        [&] {
            floorHits = 0;
            floorTableExists(floor, pads.front());
            for (const std::string& statement : statements)
                floorHits += floor.select(statement, SIZE_MAX, rows);
        });
    const qsizetype moduleLines = window->RichEdit1->toPlainText().count(QLatin1Char('\n')) + 1;
    // Each pad's heading, its hits and the three separators.
    if (floorHits != 3000 || moduleLines != static_cast<qsizetype>(pads.size() + floorHits + 3))
        std::fprintf(stderr, "qbook2-bench: the search listed %lld lines for %zu hits\n",
                     static_cast<long long>(moduleLines), floorHits);
    window->hide();
    forms().FormFBDB->Disconnect();
    DestroyForms();
    floor.detach();
    goals.push_back({"global search / one catalogue read and one statement a pad", outcome.paired, 1.20});
    return 0;
}

} // namespace

// Without arguments every part runs; --memo, --gsearch, --startup, --module or
// --codec runs one part. Each part prints its cases, and at the end every goal is
// listed with what was measured.
int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], ShowPadArgument) == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        return ShowPadForMemory(argv[2], std::atoi(argv[3]));
    }
    const std::string only = argc == 2 ? argv[1] : "";
    const bool known = only.empty() || only == "--memo" || only == "--gsearch" || only == "--startup" ||
                       only == "--module" || only == "--codec";
    if (argc > 2 || !known) {
        std::fprintf(stderr, "usage: qbook2-bench [--memo | --gsearch | --startup | --module | --codec]\n");
        return 2;
    }
    // The windows need no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::vector<Goal> goals;
    const auto part = [&](const char* option) { return only.empty() || only == option; };
    int status = 0;
    if (status == 0 && part("--memo")) {
        std::printf("== memo screen flows ==\n");
        status = withDatabase("bench-memo",
                              [&](const std::string& folder) { return RunMemoFlows(folder, goals); });
    }
    if (status == 0 && part("--gsearch")) {
        std::printf("\n== global search ==\n");
        status = withDatabase("bench-gsearch",
                              [&](const std::string& folder) { return runGlobalSearch(folder, goals); });
    }
    if (status == 0 && part("--startup")) {
        std::printf("\n== start-up ==\n");
        status = RunStartup(goals);
    }
    if (status == 0 && part("--module")) {
        std::printf("\n== data-access module ==\n");
        status =
            withDatabase("bench", [&](const std::string& folder) { return runModuleCases(folder, goals); });
    }
    if (status == 0 && part("--codec")) {
        std::printf("\n== code page 932 codec ==\n");
        status = RunCodec(goals);
    }
    printGoals(goals);
    return status;
}
