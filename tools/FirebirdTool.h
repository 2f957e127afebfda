#pragma once

#include "platform/ChildProgram.h"

#include <string>
#include <vector>

class AdminSession;

// Runs a Firebird command-line tool (gbak, gfix), looked up in PATH, as the
// session's database user. The user and the password go into its environment
// (ISC_USER, ISC_PASSWORD), never onto its command line, where every user of
// the machine could read them; the files it makes are readable by their owner
// only.
Platform::ChildProgramRun RunFirebirdTool(const AdminSession& session, const std::string& program,
                                          const std::vector<std::string>& args);

// True, and the failure reported (what, then the tool's output), when the run
// could not start or ended with a status other than 0.
bool FirebirdToolFailed(AdminSession& session, const Platform::ChildProgramRun& run,
                        const std::string& program, const std::string& what);
