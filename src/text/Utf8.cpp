#include "text/Utf8.h"

namespace Utf8 {

namespace {
constexpr Character Invalid{0xFFFD, 1};
}

Character Next(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return {lead, 1};
    if (lead < 0xC2 || lead > 0xF4)
        return Invalid;
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (text.size() < length)
        return Invalid;
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return Invalid;
        code = code << 6 | (next & 0x3F);
    }
    static constexpr std::uint32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return Invalid;
    return {code, length};
}

bool IsValid(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const Character character = Next(text.substr(at));
        // U+FFFD itself is three bytes long.
        if (character.length == 1)
            return false;
        at += character.length;
    }
    return true;
}

} // namespace Utf8
