#include "support/PrivateServer.h"

#include "support/TestDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

std::string scriptCommand(const std::string& action, int port, const std::string& root) {
    return "bash " QBOOK2_SCRIPTS_DIR "/private-firebird.sh " + action + " " + std::to_string(port) + " " +
           root;
}

} // namespace

PrivateServer::PrivateServer(const std::string& name, int firstPort, int lastPort) {
    if (TestServerRefused())
        return;
    for (int candidate = firstPort; candidate <= lastPort && port_ == 0; ++candidate) {
        const std::string root =
            "/tmp/qbook2-" + name + "-" + std::to_string(candidate) + "-" + std::to_string(::getpid());
        if (std::system((scriptCommand("start", candidate, root) + " >/dev/null 2>&1").c_str()) == 0) {
            port_ = candidate;
            root_ = root;
        }
    }
}

PrivateServer::~PrivateServer() {
    if (port_ == 0)
        return;
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string PrivateServer::host() const {
    return "localhost/" + std::to_string(port_);
}

bool PrivateServer::run(const std::string& action) {
    return std::system((command(action) + " >/dev/null 2>&1").c_str()) == 0;
}

bool PrivateServer::stop() {
    return run("stop");
}

bool PrivateServer::start() {
    return run("start");
}

bool PrivateServer::freeze() {
    return run("freeze");
}

bool PrivateServer::thaw() {
    return run("thaw");
}

std::string PrivateServer::command(const std::string& action) const {
    return scriptCommand(action, port_, root_);
}
