#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of qbook2-admin.
constexpr int kAdminOk = 0;
constexpr int kAdminFailed = 1;   // the database refused, or a value was refused
constexpr int kAdminBadUsage = 2; // the command line itself is wrong

// Runs one qbook2-admin command line (the arguments after the program name).
// Text arguments are UTF-8 and are stored as code page 932; listings and
// messages are written back as UTF-8. Returns the exit status.
int RunAdmin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
