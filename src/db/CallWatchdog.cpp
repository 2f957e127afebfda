#include "db/CallWatchdog.h"

using namespace Firebird;

namespace {

// While attaching past the deadline, the thread is looked at this often: the
// client library tries every address of the host in turn, each with a
// connect of its own.
constexpr std::chrono::milliseconds InterruptInterval{100};

} // namespace

CallWatchdog::CallWatchdog() : status_(fb_get_master_interface()->getStatus()) {
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
    armedConnect_.aimAtCurrentThread();
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
            armedConnect_.interrupt();
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
