#pragma once

#include "BenchSupport.h"

#include <vector>

namespace Bench {

// The code page 932 codec on text full of what it cannot convert (characters
// code page 932 has no form for, bytes that are no character, RTF escapes of
// such bytes) against the same number of valid Japanese characters.
int RunCodec(std::vector<Goal>& goals);

} // namespace Bench
