// When the memo screens try to connect again after losing the connection.

#include "memo/ReconnectPacing.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(ReconnectPacing, WaitsLongerAfterEachSilenceAndNeverWhileTheMemberActs) {
    using Clock = ReconnectPacing::Clock;
    const std::chrono::milliseconds limit = 10s;
    const Clock::time_point t = Clock::now();
    ReconnectPacing pacing;
    // Refused at once: trying again costs nothing.
    pacing.failed(t, 20ms, limit);
    EXPECT_TRUE(pacing.mayTry(t, false, true));

    // A call that waited for a silent server.
    pacing.failed(t, 10s, limit);
    EXPECT_FALSE(pacing.mayTry(t + 2900ms, true, false));
    EXPECT_TRUE(pacing.mayTry(t + 3s, true, false));
    EXPECT_FALSE(pacing.mayTry(t + 29s, false, false));
    EXPECT_TRUE(pacing.mayTry(t + 30s, false, false));
    EXPECT_FALSE(pacing.mayTry(t + 30s, false, true));

    // Each further silence doubles the refresh's pause, up to twelve limits.
    for (const auto pause : {60s, 120s, 120s}) {
        const Clock::time_point again = t + 1h;
        pacing.failed(again, 10s, limit);
        EXPECT_FALSE(pacing.mayTry(again + pause - 1s, false, false));
        EXPECT_TRUE(pacing.mayTry(again + pause, false, false));
    }

    pacing.succeeded();
    EXPECT_TRUE(pacing.mayTry(t + 1h, false, true));
}
