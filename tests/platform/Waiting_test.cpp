#include "platform/Platform.h"
#include "platform/Waiting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

TEST(PumpWait, WaitsAcrossTheTickWrap) {
    std::uint32_t tick = 0xFFFFFFF0u;
    int calls = 0;
    Platform::setTickSource([&] {
        ++calls;
        return tick++;
    });
    // The deadline lands exactly on 0xFFFFFFFF, and the count wraps on the way.
    PumpWait(0x0F);
    EXPECT_GE(calls, 16);
    EXPECT_LE(calls, 18);
    // A deadline past the wrap still waits the whole time.
    tick = 0xFFFFFFF0u;
    calls = 0;
    PumpWait(100);
    EXPECT_GE(calls, 101);
    EXPECT_LE(calls, 103);
    // Zero still processes events once.
    calls = 0;
    PumpWait(0);
    EXPECT_EQ(calls, 2);
    Platform::setTickSource(nullptr);
}

TEST(PumpWait, SleepsUntilTheDeadlineWhileEventsRun) {
    int argc = 1;
    char name[] = "test_platform";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto processorSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    int fired = 0;
    QTimer::singleShot(100, &app, [&] { ++fired; });
    const double processorBefore = processorSeconds();
    QElapsedTimer clock;
    clock.start();
    PumpWait(1000);
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_LT(processorSeconds() - processorBefore, 0.1);
    EXPECT_EQ(fired, 1);

    // The first wake-up after keepWaiting turns false ends the wait.
    bool closed = false;
    QTimer::singleShot(50, &app, [&] { closed = true; });
    clock.restart();
    PumpWait(5000, [&] { return !closed; });
    EXPECT_LT(clock.elapsed(), 1000);
}
