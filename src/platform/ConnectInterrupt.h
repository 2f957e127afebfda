#pragma once

#include <memory>

namespace Platform {

// Ends another thread's wait in a TCP connect: a connect to a host that does
// not answer would otherwise wait out the kernel's retries, about two
// minutes. Only that call is interrupted: a client library may answer an
// interrupted wait for a server's handshake by waiting its whole time again.
class ConnectInterrupt {
public:
    ConnectInterrupt();
    ~ConnectInterrupt();
    ConnectInterrupt(const ConnectInterrupt&) = delete;
    ConnectInterrupt& operator=(const ConnectInterrupt&) = delete;

    // From now on the calling thread is the one to interrupt.
    void aimAtCurrentThread();
    // When that thread is blocked in connect(), the call fails at once
    // (EINTR); otherwise nothing happens. Called from another thread.
    void interrupt();

private:
    struct Target;
    std::unique_ptr<Target> target_;
};

} // namespace Platform
