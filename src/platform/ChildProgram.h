#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Platform {

// One run of another program, from start to end.
struct ChildProgramRun {
    bool started = false; // false: the program could not be run at all
    int status = -1;      // its exit status; -1 when it did not exit normally
    std::string output;   // what it wrote to stdout and stderr, in the order written
};

// Who may read the files the program makes.
enum class NewFiles { AsUsual, OwnerOnly };

// Runs program, looked up in PATH, with the arguments, and waits for its end.
// The variables of environment are set in its environment (replacing those of
// the same name): unlike arguments, they are not shown to every user of the
// machine. Its input is empty, so a question it asks ends instead of waiting.
ChildProgramRun runChildProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::vector<std::pair<std::string, std::string>>& environment,
                                NewFiles newFiles);

} // namespace Platform
