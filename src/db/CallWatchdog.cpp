#include "db/CallWatchdog.h"

#include <csignal>
#include <fstream>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Firebird;

namespace {

// While attaching past the deadline, the thread is looked at this often: the
// client library tries every address of the host in turn, each with a
// connect of its own.
constexpr std::chrono::milliseconds InterruptInterval{100};

int InterruptSignal() {
    return SIGRTMIN + 4;
}

// Does nothing: its arrival alone makes a blocking connect fail with EINTR.
void OnInterrupt(int) {}

// Whether the thread is blocked in connect(): the first field of its syscall
// file is the number of the call it waits in. Only that call is interrupted:
// the client library answers an interrupted wait for the server's handshake by
// waiting its whole connect timeout again.
bool BlockedInConnect(pid_t thread) {
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long call = -1;
    return file >> call && call == SYS_connect;
}

void InstallInterruptHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the interrupted call must fail
        sigaction(InterruptSignal(), &action, nullptr);
    });
}

} // namespace

CallWatchdog::CallWatchdog() : status_(fb_get_master_interface()->getStatus()) {
    InstallInterruptHandler();
    thread_ = std::thread([this] { run(); });
}

CallWatchdog::~CallWatchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CallWatchdog::watch(IAttachment* attachment) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (attachment)
        attachment->addRef();
    watched_.reset(attachment);
    cancelled_ = false;
    aborted_ = false;
    wake_.notify_all();
}

void CallWatchdog::arm(Clock::time_point deadline) {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = true;
    expired_ = false;
    cancelled_ = false;
    aborted_ = false;
    deadline_ = deadline;
    armedThread_ = pthread_self();
    armedThreadId_ = gettid();
    wake_.notify_all();
}

void CallWatchdog::disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
    attaching_ = false;
}

bool CallWatchdog::expired() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return expired_;
}

CallWatchdog::Attaching::Attaching(CallWatchdog& watchdog) : watchdog_(watchdog) {
    std::lock_guard<std::mutex> lock(watchdog_.mutex_);
    watchdog_.attaching_ = true;
    watchdog_.wake_.notify_all();
}

CallWatchdog::Attaching::~Attaching() {
    std::lock_guard<std::mutex> lock(watchdog_.mutex_);
    watchdog_.attaching_ = false;
}

// Called with the lock held, so that the attachment cannot change meanwhile.
// Errors are of no interest: the armed call fails or ends either way.
void CallWatchdog::cancel(int kind) {
    status_->init();
    CheckStatusWrapper status(status_.get());
    watched_->cancelOperation(&status, kind);
}

void CallWatchdog::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (!armed_) {
            wake_.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (now < deadline_) {
            wake_.wait_until(lock, deadline_);
            continue;
        }
        expired_ = true;
        if (attaching_) {
            if (BlockedInConnect(armedThreadId_))
                pthread_kill(armedThread_, InterruptSignal());
            wake_.wait_for(lock, InterruptInterval);
        } else if (watched_ && !cancelled_) {
            cancel(fb_cancel_raise);
            cancelled_ = true;
            abortAt_ = now + AbortGrace;
        } else if (watched_ && !aborted_ && now >= abortAt_) {
            cancel(fb_cancel_abort);
            aborted_ = true;
        } else if (watched_ && !aborted_) {
            wake_.wait_until(lock, abortAt_);
        } else {
            wake_.wait(lock); // nothing left to end until the state changes
        }
    }
}
