#pragma once

#include <string>

// A Firebird server of the test's own (scripts/private-firebird.sh) on the
// first free port from 3061 (3050 and 3051 are the shared server's database
// and event ports), so that runs of the suites side by side get servers of
// their own. Stopped, and its folder removed, when the object goes, however
// the test ends; the shared server is never touched.
class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    bool ok() const { return port_ != 0; }
    // The host name with the port, as TestDatabase and the settings take it.
    std::string host() const { return "localhost/" + std::to_string(port_); }

    bool stop();
    bool start();
    // The process stops where it is (SIGSTOP) and goes on again.
    bool freeze();
    bool thaw();

private:
    int port_ = 0;
    std::string root_;
};
