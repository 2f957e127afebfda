#pragma once

#include "db/FbRef.h"
#include "platform/ConnectInterrupt.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Bounds the time the data-access module waits inside the client library,
// private to the module. An operation runs between arm() and disarm(); when
// it still runs at its deadline, the watchdog's own thread ends the wait:
// - on an attachment it asks the server to cancel the operation, and when the
//   call has not returned a moment later (a frozen server or a dead link
//   answers nothing) it aborts the connection, which fails the call at once;
// - while the armed thread attaches, before there is anything to cancel, it
//   interrupts that thread's TCP connect (Platform::ConnectInterrupt): a
//   connect to a host that does not answer would otherwise wait out the
//   kernel's retries, about two minutes. (The client library gives up the
//   handshake that follows after the connect timeout of the attach parameters.)
class CallWatchdog {
public:
    using Clock = std::chrono::steady_clock;
    // How long a cancelled call has to end before its connection is aborted.
    static constexpr std::chrono::milliseconds AbortGrace{500};

    CallWatchdog();
    ~CallWatchdog();
    CallWatchdog(const CallWatchdog&) = delete;
    CallWatchdog& operator=(const CallWatchdog&) = delete;

    // The attachment that a cancel goes to (nullptr: none). The watchdog
    // holds a reference of its own, so that it never cancels on a released one.
    void watch(Firebird::IAttachment* attachment);

    // The calling thread starts an operation that must end by deadline.
    void arm(Clock::time_point deadline);
    void disarm();
    // Whether the operation armed last ran past its deadline (and was ended).
    bool expired() const;

    // While it lives, the armed thread is attaching.
    class Attaching {
    public:
        explicit Attaching(CallWatchdog& watchdog);
        ~Attaching();
        Attaching(const Attaching&) = delete;
        Attaching& operator=(const Attaching&) = delete;

    private:
        CallWatchdog& watchdog_;
    };

private:
    void run();
    void cancel(int kind);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    FbDisposable<Firebird::IStatus> status_; // used by the watchdog's thread only
    FbRef<Firebird::IAttachment> watched_;
    bool armed_ = false;
    bool attaching_ = false;
    bool expired_ = false;
    bool cancelled_ = false; // asked the server to cancel the running call
    bool aborted_ = false;
    bool stopping_ = false;
    Clock::time_point deadline_;
    Clock::time_point abortAt_;
    Platform::ConnectInterrupt armedConnect_; // the armed thread's
    std::thread thread_;                      // last: started when everything above is ready
};
