#include "FirebirdTool.h"

#include "AdminSession.h"

Platform::ChildProgramRun RunFirebirdTool(const AdminSession& session, const std::string& program,
                                          const std::vector<std::string>& args) {
    return Platform::runChildProgram(
        program, args, {{"ISC_USER", session.server().user}, {"ISC_PASSWORD", session.server().password}},
        Platform::NewFiles::OwnerOnly);
}

bool FirebirdToolFailed(AdminSession& session, const Platform::ChildProgramRun& run,
                        const std::string& program, const std::string& what) {
    if (run.started && run.status == 0)
        return false;
    std::string output = run.output;
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    session.fail(run.started ? what + ": " + output
                             : "cannot run " + program + " (it comes with the package firebird3.0-utils)");
    return true;
}
