#pragma once

#include <string>

// Matching of code page 932 texts character by character. The database's LIKE
// compares bytes: the second byte of a two-byte character can be 0x5F ("_") or
// 0x25 ("%") and then acts as a wildcard, and a match can start inside a
// character. Its hits are a superset of the true ones; these functions keep
// the true ones.

// Whether key occurs in text as whole characters, starting on a character
// boundary. An empty key occurs everywhere.
bool ContainsChars(const std::string& text, const std::string& key);

// Whether text contains a run of characters that matches pattern, as LIKE
// '%pattern%' would if it read characters: a one-byte "%" stands for any run
// of characters, a one-byte "_" for any one character, and every other
// character, each byte of a two-byte character included, stands for itself.
bool LikeContainsChars(const std::string& text, const std::string& pattern);
