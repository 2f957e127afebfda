#pragma once

#include <optional>
#include <string>

namespace Platform {

// Converts bytes from one of the system's encodings to another (the names
// iconv knows: "CP932", "UTF-8", "CP1252", "MACINTOSH"); nothing when the
// system does not know one of them. Conversion never stops early: a source
// character that is invalid, or that the target cannot hold, becomes
// replacement and is skipped, badSourceBytes bytes of it (0 for a UTF-8
// source: the whole character its lead byte announces).
std::optional<std::string> convertEncoding(const char* to, const char* from, const std::string& input,
                                           const std::string& replacement, int badSourceBytes);

} // namespace Platform
