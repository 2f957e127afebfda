#pragma once

#include "db/ReadResult.h"

#include <string>

// What a window tells the member when the database could not be read (code
// page 932), one wording for every window.

// For a message box: what (a UTF-8 literal such as "メンバー一覧") could not be
// read, and why, with what the member can check.
std::string ReadFailureMessage(const char* what, DbFailure failure);

// The reason alone, short, for a line or a status.
std::string ReadFailureReason(DbFailure failure);
