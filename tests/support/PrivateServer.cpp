#include "support/PrivateServer.h"

#include <cstdlib>
#include <filesystem>

namespace {

int RunScript(const std::string& action, int port, const std::string& root) {
    const std::string command = "bash " QBOOK2_SCRIPTS_DIR "/private-firebird.sh " + action + " " +
                                std::to_string(port) + " " + root + " >/dev/null 2>&1";
    return std::system(command.c_str());
}

} // namespace

PrivateServer::PrivateServer() {
    for (int candidate = 3061; candidate < 3081 && port_ == 0; ++candidate) {
        root_ = "/tmp/qbook2-firebird-" + std::to_string(candidate);
        if (RunScript("start", candidate, root_) == 0)
            port_ = candidate;
    }
}

PrivateServer::~PrivateServer() {
    if (port_ == 0)
        return;
    RunScript("stop", port_, root_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

bool PrivateServer::stop() {
    return RunScript("stop", port_, root_) == 0;
}

bool PrivateServer::start() {
    return RunScript("start", port_, root_) == 0;
}

bool PrivateServer::freeze() {
    return RunScript("freeze", port_, root_) == 0;
}

bool PrivateServer::thaw() {
    return RunScript("thaw", port_, root_) == 0;
}
