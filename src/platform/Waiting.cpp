#include "platform/Waiting.h"

#include "platform/Platform.h"

#include <algorithm>
#include <limits>

void PumpWait(std::uint32_t ms, const std::function<bool()>& keepWaiting) {
    // Elapsed ticks are summed from successive differences, so a wrap of the
    // tick count past 2^32 neither ends the wait early nor makes it endless.
    std::uint64_t elapsed = 0;
    std::uint32_t last = Platform::tickCount();
    do {
        const std::uint64_t remaining = ms - elapsed + 1;
        Platform::waitForEvents(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(remaining, std::numeric_limits<std::int32_t>::max())));
        const std::uint32_t now = Platform::tickCount();
        elapsed += static_cast<std::uint32_t>(now - last);
        last = now;
    } while (elapsed <= ms && (!keepWaiting || keepWaiting()));
}
