#pragma once

#include <string>

// A Firebird server of the test's own (scripts/private-firebird.sh), on the
// first free port of [firstPort, lastPort] (by default from 3061: 3050 and
// 3051 are the shared server's database and event ports) and with its root folder
// /tmp/qbook2-<name>-<port>-<pid>: tests that stop, restart or reconfigure a
// server never touch the shared one on port 3050, nor a server that a test of
// another checkout runs at the same time. Stopped, and its folder removed,
// when the object goes. Suites that may run at once take ranges of their own.
// None starts in a unit test (TestServerRefused).
class PrivateServer {
public:
    explicit PrivateServer(const std::string& name = "firebird", int firstPort = 3061, int lastPort = 3080);
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    bool ok() const { return port_ != 0; }
    int port() const { return port_; }
    const std::string& root() const { return root_; }
    // "localhost/PORT", the server part of a connection string.
    std::string host() const;
    bool stop();
    bool start();
    // The process stops where it is (SIGSTOP) and goes on again.
    bool freeze();
    bool thaw();
    // The shell command of the script with an action (start, stop, status, ...) for this server.
    std::string command(const std::string& action) const;

private:
    bool run(const std::string& action);

    int port_ = 0;
    std::string root_;
};
