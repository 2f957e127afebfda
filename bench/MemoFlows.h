#pragma once

#include "BenchSupport.h"

#include <string>
#include <vector>

namespace Bench {

// Makes qbook2-bench a client that shows one pad and prints its resident memory.
inline constexpr const char* ShowPadArgument = "--show-pad";

// The memo-screen flows on pads of 1 000 to 1 000 000 lines in the database
// under folder, and the memory of a client showing the largest and the smallest.
int RunMemoFlows(const std::string& folder, std::vector<Goal>& goals);

// Shows the own pad of member in the database under folder and prints the
// resident memory in kB.
int ShowPadForMemory(const std::string& folder, int member);

} // namespace Bench
