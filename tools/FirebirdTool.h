#pragma once

#include <string>
#include <vector>

// One run of a Firebird command-line tool (gbak, gfix).
struct FirebirdToolRun {
    bool started = false; // false: the program could not be run at all
    int status = -1;      // its exit status; -1 when it did not exit normally
    std::string output;   // what it wrote to stdout and stderr
};

// Runs program, looked up in PATH, with the arguments. The user and the
// password go into its environment (ISC_USER, ISC_PASSWORD), never onto its
// command line, where every user of the machine could read them; the files
// it makes are readable by their owner only.
FirebirdToolRun RunFirebirdTool(const std::string& program, const std::vector<std::string>& args,
                                const std::string& user, const std::string& password);
