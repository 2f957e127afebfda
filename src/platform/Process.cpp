#include "platform/Platform.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <thread>
#include <time.h>
#include <unistd.h>

// The services of Platform that need no user interface: the clock, the wait
// for events, the termination signals and the executable's path.

namespace {

struct Script {
    std::function<std::uint32_t()> tickSource;
    std::string exePath;
};

Script& script() {
    static Script s;
    return s;
}

} // namespace

namespace Platform {

std::uint32_t tickCount() {
    Script& s = script();
    if (s.tickSource)
        return s.tickSource();
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

void waitForEvents(std::uint32_t ms) {
    if (script().tickSource) {
        QCoreApplication::processEvents();
        return;
    }
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    // Only wakes the wait at the deadline; any other event wakes it earlier.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(std::chrono::milliseconds(ms));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void keepTerminationSignals() {
    struct sigaction action {};
    action.sa_handler = [](int signal) { _exit(128 + signal); };
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string executablePath() {
    Script& s = script();
    if (!s.exePath.empty())
        return s.exePath;
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

void setTickSource(std::function<std::uint32_t()> source) {
    script().tickSource = std::move(source);
}

void setExecutablePath(const std::string& path) {
    script().exePath = path;
}

} // namespace Platform
