#pragma once

// Small helpers of the benchmarks that measure with client processes.

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace Bench {

// The whole number in the environment variable, or fallback when it is unset or empty.
inline int envOr(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

// The value below which the fraction p of values lie (the nearest one).
inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

} // namespace Bench
