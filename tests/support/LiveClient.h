#pragma once

#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// A second client of the all-members pad in a process of its own, as another
// member's PC runs it: the program that starts it runs the client part when
// called with LiveClient::Argument (see RunLiveClient).
//
// The client shows the all-members pad and reports on its output, each line
// with the moment (steady clock, nanoseconds) it happened:
//   grid <ns> <line>|<line>|...   the texts of the grid, whenever they changed
//   tick <ns>                     a tick of the refresh timer
//   statements <ns> <count>       the statements its data access sent so far
// It takes commands on its input: "enter <text>" types a line into the entry
// field and registers it; "statements" asks for the count; "quit" ends it.
namespace LiveClient {

inline constexpr const char* Argument = "--live-client";

// The client part: call from main() when argv[1] is Argument.
int Run(int argc, char** argv);

// Another member's launcher, in a process of its own: called with
// LauncherArgument and the folder of its settings files, it shows the
// launcher and reports its unread counts whenever they changed:
//   counts <ns> <TABLE>=<count> ...   ("counts <ns> ?" while they cannot be read)
// It takes "statements" (of both its connections), "open <TABLE>" (the pad
// opened as the tray opens it), "close <TABLE>" and "quit".
inline constexpr const char* LauncherArgument = "--live-launcher";
int RunLauncher(int argc, char** argv);

// Nanoseconds of the steady clock, comparable between processes on one machine.
std::int64_t Now();

struct Report {
    std::int64_t at = 0;
    std::vector<std::string> lines; // grid texts (code page 932); empty for a tick
};

// The driving side: starts the client and reads its reports.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts program (built with Run) on the database the current settings
    // name, with the given refresh interval; false unless it shows the pad
    // within the time limit.
    bool start(const QString& program, int refreshSeconds);
    // Starts program (built with RunLauncher) on the settings files in folder;
    // false unless its counts are read within the time limit.
    bool startLauncher(const QString& program, const QString& folder);
    void send(const std::string& command);
    void stop();

    // Waits for a grid report whose lines satisfy test, running the event
    // loop; its moment, or -1 after timeoutMs.
    std::int64_t waitForGrid(const std::function<bool(const std::vector<std::string>&)>& test, int timeoutMs);
    // Waits for a counts report that satisfies test; its moment, or -1 after timeoutMs.
    std::int64_t waitForCounts(const std::function<bool(const std::map<std::string, int>&)>& test,
                               int timeoutMs);
    // The counts last reported; empty while they cannot be read.
    const std::map<std::string, int>& counts() const { return counts_; }
    // Waits for a tick not yet reported; its moment, or -1 after timeoutMs.
    std::int64_t waitForTick(int timeoutMs);
    // The client's statement count, asked for now; -1 when no answer came in time.
    std::int64_t statements(int timeoutMs);
    // Every tick reported so far.
    const std::vector<std::int64_t>& ticks() const { return ticks_; }
    // What the client wrote on its error output.
    QByteArray errors() { return process_.readAllStandardError(); }

private:
    void readReports();
    // Reads reports until found gives a value that is not negative; -1 after timeoutMs.
    std::int64_t waitFor(int timeoutMs, const std::function<std::int64_t()>& found);

    QProcess process_;
    QByteArray pending_;
    std::vector<Report> grids_; // not yet waited for
    std::vector<std::int64_t> ticks_;
    size_t ticksSeen_ = 0;
    std::vector<std::int64_t> statementCounts_;
    struct CountReport {
        std::int64_t at;
        std::map<std::string, int> counts;
    };
    std::vector<CountReport> countReports_; // not yet waited for
    std::map<std::string, int> counts_;
    // Waits for the first line of a process just started.
    bool waitForReady();
};

// Whether any of lines is text.
bool Holds(const std::vector<std::string>& lines, const std::string& text);

} // namespace LiveClient
