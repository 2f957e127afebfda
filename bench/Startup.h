#pragma once

#include "BenchSupport.h"

#include <vector>

namespace Bench {

// Start-up to the launcher shown against a bare Qt window, both fresh
// processes started the same way.
int RunStartup(std::vector<Goal>& goals);

} // namespace Bench
