#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// UTF-8 as files of other programs hold it.
namespace Utf8 {

struct Character {
    std::uint32_t code;
    std::size_t length; // in bytes, at least 1
};

// The character at the start of a non-empty text. A byte that starts no valid
// character (a stray continuation byte, a cut or overlong sequence, a
// surrogate, a code above U+10FFFF) is one character U+FFFD of length 1.
Character Next(std::string_view text);

// Whether every byte belongs to a valid character.
bool IsValid(std::string_view text);

} // namespace Utf8
