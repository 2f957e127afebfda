// Many clients at once on one pad: starts N client processes on the
// all-members pad, lets each run its actions, then checks the pad against
// what every screen reported.
//
//   qbook2-stress [--clients N] [--actions M] [--seed S] [--logs FOLDER]
//
// The clients' logs go to FOLDER when given (they are kept), else beside the
// database (removed with it).
// The database is one of its own on the test server ($QBOOK2_TEST_SERVER,
// localhost unless set). Exit status 0 when every check holds.

#include "StressCheck.h"
#include "StressClient.h"

#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "support/TestDatabase.h"
#include "text/Func_.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string Option(int argc, char** argv, const char* name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return fallback;
}

std::vector<PadRow> ReadPad(TFormFBDB& db) {
    std::vector<PadRow> rows;
    for (const FieldList& row : ReadMemoRows(db, AlMemoTable(), "", "N"))
        rows.push_back({ToIntOrZero(row[MemoN].Value), ToIntOrZero(row[MemoDF].Value),
                        ToIntOrZero(row[MemoMN].Value), row[MemoText].Value});
    return rows;
}

// Waits for every child until the deadline; children still running then are killed.
bool WaitAll(std::vector<pid_t>& children, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool allGood = true;
    size_t running = children.size();
    while (running > 0) {
        for (pid_t& child : children) {
            if (child == 0)
                continue;
            int status = 0;
            if (waitpid(child, &status, WNOHANG) != child)
                continue;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                std::printf("client process %d ended with status %d\n", child, status);
                allGood = false;
            }
            child = 0;
            --running;
        }
        if (running > 0 && std::chrono::steady_clock::now() > deadline) {
            std::printf("clients still running after %lld s: killed\n",
                        static_cast<long long>(limit.count()));
            for (pid_t child : children)
                if (child != 0) {
                    kill(child, SIGKILL);
                    waitpid(child, nullptr, 0);
                }
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return allGood;
}

int RunStress(int clients, int actions, unsigned seed, const std::string& logFolder) {
    TestDatabase database("stress");
    if (!database.ok()) {
        std::printf("no database: %s\n", database.error().c_str());
        return 1;
    }
    FieldList rowBuffer;
    if (OpenMemoTable(database.db(), AlMemoTable(), rowBuffer) == OpenMemoTableResult::Failed) {
        std::printf("cannot create the pad\n");
        return 1;
    }
    database.db().Disconnect();

    const std::string self = "/proc/self/exe";
    std::vector<pid_t> children;
    std::vector<std::string> logs;
    const auto started = std::chrono::steady_clock::now();
    for (int client = 0; client < clients; ++client) {
        logs.push_back((logFolder.empty() ? database.folder() : logFolder) + "/client" +
                       std::to_string(client) + ".log");
        std::vector<std::string> args{"qbook2-stress",
                                      "--client",
                                      std::to_string(client),
                                      "--actions",
                                      std::to_string(actions),
                                      "--seed",
                                      std::to_string(seed),
                                      "--server",
                                      database.server(),
                                      "--folder",
                                      database.folder() + "/",
                                      "--user",
                                      database.user(),
                                      "--password",
                                      database.password(),
                                      "--log",
                                      logs.back()};
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            std::printf("cannot start client %d\n", client);
            return 1;
        }
        children.push_back(pid);
    }
    const bool clientsOk = WaitAll(children, std::chrono::seconds(120 + 3 * actions));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::vector<std::vector<StressLog::Record>> records;
    for (const std::string& log : logs)
        records.push_back(StressLog::Read(log));
    const StressFigures figures = CheckStressRun(records, ReadPad(database.db()));
    database.db().Disconnect();

    for (const std::string& violation : figures.violations)
        std::printf("VIOLATION: %s\n", violation.c_str());
    std::printf("stress: %d processes x %d actions, seed %u, %.0f s: %d lines reported stored, %d changed, "
                "%d deleted, %d entries not stored (%d stored by a retry), %d pasted lines not stored; "
                "lines lost %d, duplicated %d, violations %zu\n",
                clients, actions, seed, seconds, figures.stored, figures.changed, figures.deleted,
                figures.notStored, figures.retriesStored, figures.pasteShortfall, figures.lost,
                figures.duplicated, figures.violations.size());
    return clientsOk && figures.violations.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string client = Option(argc, argv, "--client", "");
    const int actions = ToIntOrZero(Option(argc, argv, "--actions", "100"));
    const unsigned seed = static_cast<unsigned>(ToIntOrZero(Option(argc, argv, "--seed", "1")));
    if (client.empty())
        return RunStress(ToIntOrZero(Option(argc, argv, "--clients", "4")), actions, seed,
                         Option(argc, argv, "--logs", ""));
    StressClientOptions options;
    options.client = ToIntOrZero(client);
    options.actions = actions;
    options.seed = seed;
    options.server = Option(argc, argv, "--server", "localhost");
    options.folder = Option(argc, argv, "--folder", "");
    options.user = Option(argc, argv, "--user", "SYSDBA");
    options.password = Option(argc, argv, "--password", "");
    options.logPath = Option(argc, argv, "--log", "");
    return RunStressClient(argc, argv, options);
}
