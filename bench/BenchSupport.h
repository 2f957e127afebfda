#pragma once

// What the benchmark cases share: the floor (a minimal direct fbclient
// client), the timing of a case against its floor, and the database the
// cases run on.

#include <firebird/Interface.h>

#include <QProcess>

#include <functional>
#include <string>
#include <vector>

namespace Bench {

using Rows = std::vector<std::vector<std::string>>;

std::string envOr(const char* name, const char* fallback);
std::string user();
std::string password();

// Lines joined as the data-access module sends them: each followed by CR LF.
std::string join(const std::vector<std::string>& lines);

// The direct client: one attachment, each statement in a transaction of its
// own, every column of every row turned into text as the module does.
class Floor {
public:
    Floor();
    ~Floor();
    Floor(const Floor&) = delete;
    Floor& operator=(const Floor&) = delete;

    void attach(const std::string& database, const std::string& user, const std::string& password);
    void detach();

    // One statement without output, committed.
    void execute(const std::string& sql);
    // Statements without output in one transaction, committed.
    void executeAll(const std::vector<std::string>& statements);

    // Runs a select in a transaction of its own, fetches every row and turns
    // every column into text; the first pageRows rows are kept in page.
    // Returns the row count.
    size_t select(const std::string& sql, size_t pageRows, Rows& page);

private:
    Firebird::IMaster* Master;
    Firebird::ThrowStatusWrapper Status;
    Firebird::IProvider* Provider = nullptr;
    Firebird::IUtil* Util = nullptr;
    Firebird::IAttachment* Attachment = nullptr;
};

// The floor of ReadTableNames and HasTableName: the same catalogue query, names right-trimmed and
// compared without regard to letter case.
bool floorTableExists(Floor& floor, const std::string& name);

// A case's medians (ms) and the median of the ratios of the module's and the
// floor's times taken one right after the other. On a busy machine the
// paired ratio is the steadier figure: both times of a pair see the same load.
struct Outcome {
    std::string name;
    double module;
    double floor;
    double paired;
};

double median(std::vector<double> values);
double minimum(const std::vector<double>& values);

void printHeader();

// The outcome of times taken in pairs (the module's r-th with the floor's r-th), printed.
Outcome summarize(const std::string& name, const std::vector<double>& moduleTimes,
                  const std::vector<double>& floorTimes);

// One untimed run of each, then repetitions alternating which goes first;
// prepare runs untimed before every run of module.
Outcome measure(const std::string& name, int repetitions, const std::function<void()>& module,
                const std::function<void()>& floor, const std::function<void()>& prepare = {});

// A program started with its standard output on a pipe and its error output
// thrown away.
class Child {
public:
    // program with arguments; false when it could not be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments);
    // Waits until it has written to its standard output; false when it ended without.
    bool waitForOutput();
    // Waits for its end; true when it ended with status 0. Its standard output
    // goes to output when asked.
    bool finish(std::string* output = nullptr);

private:
    QProcess process;
};

// A goal of the benchmark: value at most limit.
struct Goal {
    std::string what;
    double value;
    double limit;
};
void printGoals(const std::vector<Goal>& goals);

// Runs cases on a database of their own under the data folder, dropped afterwards.
int withDatabase(const std::string& name, const std::function<int(const std::string& folder)>& cases);

// The memo table with the six memo columns, as a client creates it.
std::string createMemoTableText(const std::string& table);

// The usual line of the pads.
extern const char* const PadLine;

// Fills a new memo table with lines rows on the server: N and SN 1..lines,
// every twentieth line deleted; every matchEvery-th line (when above 0) holds
// matchText instead of PadLine. Each text ends with its N.
void fillPad(Floor& floor, const std::string& table, int lines, const std::string& matchText = {},
             int matchEvery = 0);

} // namespace Bench
