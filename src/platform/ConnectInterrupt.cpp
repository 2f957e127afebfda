#include "platform/ConnectInterrupt.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace Platform {

#ifdef Q_OS_LINUX

namespace {

int InterruptSignal() {
    return SIGRTMIN + 4;
}

// Does nothing: its arrival alone makes a blocking connect fail with EINTR.
void OnInterrupt(int) {}

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

// Whether the thread is blocked in connect(): the first field of its syscall
// file is the number of the call it waits in.
bool BlockedInConnect(pid_t thread) {
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long call = -1;
    return file >> call && call == SYS_connect;
}

} // namespace

struct ConnectInterrupt::Target {
    pthread_t thread{};
    pid_t id = 0;
};

ConnectInterrupt::ConnectInterrupt() : target_(std::make_unique<Target>()) {
    InstallInterruptHandler();
}

void ConnectInterrupt::aimAtCurrentThread() {
    target_->thread = pthread_self();
    target_->id = gettid();
}

void ConnectInterrupt::interrupt() {
    if (target_->id != 0 && BlockedInConnect(target_->id))
        pthread_kill(target_->thread, InterruptSignal());
}

#else

// Elsewhere the connect waits out the connect timeout of the client library.
struct ConnectInterrupt::Target {};

ConnectInterrupt::ConnectInterrupt() : target_(std::make_unique<Target>()) {}

void ConnectInterrupt::aimAtCurrentThread() {}

void ConnectInterrupt::interrupt() {}

#endif

ConnectInterrupt::~ConnectInterrupt() = default;

} // namespace Platform
