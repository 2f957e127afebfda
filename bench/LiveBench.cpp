// Live pads: how soon a committed line shows in another client's grid, and
// what idle screens cost the server, with change events against the timer
// alone. The other clients are processes of their own (this program started
// with LiveClient::Argument), each showing the all-members pad.

#include "Figures.h"

#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "support/LiveClient.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double NsPerMs = 1e6;

using Bench::envOr;
using Bench::percentile;

// Lines committed one by one by this process; for each, the time from the
// start of its insert (statement and commit) to the other client's grid
// showing it. The pauses between lines are drawn from [minPauseMs,
// maxPauseMs): at least 300 ms keeps the screen's spacing of refreshes out of
// the figures, and pauses spread over a whole interval meet the timer at
// every phase.
bool measureLatency(TFormFBDB& db, const char* title, int refreshSeconds, int lines, int minPauseMs,
                    int maxPauseMs) {
    std::mt19937 random(lines);
    std::uniform_int_distribution<int> pause(minPauseMs, maxPauseMs - 1);
    // Every line on the client's one page.
    db.DeleteRows(AlMemoTable(), "");
    LiveClient::Process client;
    if (!client.start(QCoreApplication::applicationFilePath(), refreshSeconds)) {
        std::fprintf(stderr, "qbook2-bench-live: the client did not start: %s\n",
                     client.errors().constData());
        return false;
    }
    std::vector<double> latencies, inserts;
    FieldList row;
    for (int i = 1; i <= lines; ++i) {
        const std::string text = std::string(title) + " " + std::to_string(i);
        const std::int64_t start = LiveClient::Now();
        if (!InsertMemoLine(db, AlMemoTable(), row, AppendSortNumber(db, AlMemoTable()), text, 1)) {
            std::fprintf(stderr, "qbook2-bench-live: insert failed: %s\n", db.LastError().c_str());
            return false;
        }
        inserts.push_back(static_cast<double>(LiveClient::Now() - start) / NsPerMs);
        const std::int64_t shown = client.waitForGrid(
            [&text](const std::vector<std::string>& grid) { return LiveClient::Holds(grid, text); },
            refreshSeconds * 1000 + 5000);
        if (shown < 0) {
            std::fprintf(stderr, "qbook2-bench-live: line %d never showed\n", i);
            return false;
        }
        latencies.push_back(static_cast<double>(shown - start) / NsPerMs);
        QTest::qWait(pause(random));
    }
    std::printf("%-34s %6d %10.1f %10.1f %10.1f %10.1f\n", title, lines, percentile(latencies, 0.5),
                percentile(latencies, 0.9), *std::max_element(latencies.begin(), latencies.end()),
                percentile(inserts, 0.5));
    std::fflush(stdout);
    return true;
}

// Statements that screens open on the pad send while nothing changes.
bool measureIdle(const char* title, int screens, int refreshSeconds, int seconds) {
    std::vector<std::unique_ptr<LiveClient::Process>> clients;
    for (int i = 0; i < screens; ++i) {
        clients.push_back(std::make_unique<LiveClient::Process>());
        if (!clients.back()->start(QCoreApplication::applicationFilePath(), refreshSeconds)) {
            std::fprintf(stderr, "qbook2-bench-live: client %d did not start\n", i + 1);
            return false;
        }
    }
    std::vector<std::int64_t> before;
    for (auto& client : clients)
        before.push_back(client->statements(5000));
    QTest::qWait(seconds * 1000);
    std::int64_t total = 0;
    for (size_t i = 0; i < clients.size(); ++i)
        total += clients[i]->statements(5000) - before[i];
    std::printf("%-44s %10.1f\n", title, static_cast<double>(total) * 60.0 / seconds);
    std::fflush(stdout);
    return true;
}

int run() {
    TestDatabase database("bench-live");
    if (!database.ok()) {
        std::fprintf(stderr, "qbook2-bench-live: %s\n", database.error().c_str());
        return 1;
    }
    database.useInSettings();
    TFormFBDB db;
    FieldList fields;
    if (!database.connect(db) || OpenMemoTable(db, AlMemoTable(), fields) == OpenMemoTableResult::Failed) {
        std::fprintf(stderr, "qbook2-bench-live: %s\n", db.LastError().c_str());
        return 1;
    }
    const int lines = envOr("QBOOK2_BENCH_LINES", 40);
    const int idleSeconds = envOr("QBOOK2_BENCH_IDLE_SECONDS", 60);

    std::printf("commit in this process to the line in another client's grid (ms)\n");
    std::printf("%-34s %6s %10s %10s %10s %10s\n", "case", "lines", "median", "90%", "max", "insert");
    bool ok = measureLatency(db, "events, timer 600 s", 600, lines, 300, 600);
    db.DropChangeTrigger(AlMemoTable());
    ok = ok && measureLatency(db, "timer alone, 2 s", 2, std::max(lines / 2, 5), 0, 2000);
    db.AddChangeTrigger(AlMemoTable());

    std::printf("\nstatements per idle minute of 10 screens on the pad (over %d s)\n", idleSeconds);
    ok = ok && measureIdle("events, timer 600 s", 10, 600, idleSeconds);
    ok = ok && measureIdle("timer alone, 30 s (the default)", 10, 30, idleSeconds);
    ok = ok && measureIdle("timer alone, 1 s", 10, 1, idleSeconds);
    db.Disconnect();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], LiveClient::Argument) == 0)
        return LiveClient::Run(argc, argv);
    if (argc > 1) {
        std::fprintf(stderr, "usage: qbook2-bench-live\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return run();
}
