#pragma once

#include <iosfwd>
#include <optional>

// The program takes no options of its own: the settings dialog and the two
// settings files are its configuration. It only answers --help and --version,
// before any window exists, and leaves every other argument to the toolkit.
namespace CommandLine {

// The version of the program and of qbook2-admin.
const char* Version();

// Writes the answer to --help or --version to out and gives the exit status;
// nothing when neither was asked for.
std::optional<int> Answer(int argc, const char* const* argv, std::ostream& out);

} // namespace CommandLine
