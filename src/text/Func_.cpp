#include "text/Func_.h"

#include <charconv>
#include <cmath>
#include <limits>

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFD);
}

std::string ShiftChars(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>((static_cast<unsigned char>(out[i]) + i + 1) & 0xFF);
    return out;
}

std::string UnshiftChars(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>((static_cast<unsigned char>(out[i]) - (i + 1)) & 0xFF);
    return out;
}

std::int32_t ToIntOrZero(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i >= text.size())
        return 0;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        value = value * base + digit;
        // Hex literals may use the full 32 bits (as the run-time allows); decimals may not overflow.
        if (value > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL))
            return 0;
    }
    if (base == 16) {
        std::int32_t bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(bits)) : bits;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    if (value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

double ToFloatOrZero(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const size_t begin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++expDigits;
        if (expDigits == 0)
            return 0.0;
    }
    if (i != text.size())
        return 0.0;
    // The text is a plain number with "." as separator; from_chars reads it so
    // whatever the process locale says, but takes no "+". A number beyond the
    // range of a double is out of range and leaves value at 0.
    const char* first = text.data() + begin;
    if (*first == '+')
        ++first;
    double value = 0.0;
    std::from_chars(first, text.data() + text.size(), value);
    return std::isfinite(value) ? value : 0.0;
}

namespace {

// The number in scientific form, [d.ddd]e[+-]xx: fifteen significant digits
// where they give it back exactly (so that stored texts stay as they were),
// otherwise the shortest digits that do, so that no sort number turns into its
// neighbour. to_chars and from_chars ignore the process locale (Qt sets it).
std::string Scientific(double magnitude) {
    char buffer[40];
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14).ptr;
    double back = 0.0;
    std::from_chars(buffer, end, back);
    if (back != magnitude)
        end = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific).ptr;
    return std::string(buffer, end);
}

} // namespace

std::string FloatToText(double value) {
    if (value == 0.0 || !std::isfinite(value))
        return "0";
    const std::string s = Scientific(std::fabs(value));
    const size_t ePos = s.find('e');
    std::string digits = s.substr(0, 1) + (ePos > 2 ? s.substr(2, ePos - 2) : std::string());
    const char* exponentText = s.c_str() + ePos + 1;
    if (*exponentText == '+')
        ++exponentText;
    int exponent = 0;
    std::from_chars(exponentText, s.c_str() + s.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    if (exponent < -5 || exponent >= 15) {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
        return out;
    }
    if (exponent < 0)
        return out + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits)
        return out + digits + std::string(intDigits - digits.size(), '0');
    return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

int CountChars(const std::string& text) {
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count)
        if (IsLeadByte(static_cast<unsigned char>(text[i])))
            ++i;
    return count;
}

CopiedChars CopyChars(const std::string& text, int start, int count) {
    CopiedChars result;
    const int length = static_cast<int>(text.size());
    if (text.empty() || start <= 0 || start > length || count <= 0)
        return result;
    const long long last = static_cast<long long>(start) + count - 1;
    for (int p = 1; p <= length;) {
        if (IsLeadByte(static_cast<unsigned char>(text[p - 1]))) {
            if (p >= start && p + 1 <= last && p + 1 <= length)
                result.text.append(text, p - 1, 2);
            p += 2;
        } else {
            if (p >= start && p <= last)
                result.text.push_back(text[p - 1]);
            p += 1;
        }
        if (p > last)
            break;
    }
    result.bytes = static_cast<int>(result.text.size());
    return result;
}

namespace {

// Walks text by characters, keeping two-byte characters unless keepWide says
// no, and one-byte characters unless dropNarrow says so.
template <typename KeepWide, typename DropNarrow>
std::string filterChars(const std::string& text, KeepWide keepWide, DropNarrow dropNarrow) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            if (keepWide(c, static_cast<unsigned char>(text[i + 1])))
                out.append(text, i, 2);
            ++i;
        } else if (!dropNarrow(c)) {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

} // namespace

std::string RemoveSpaces(const std::string& text) {
    return filterChars(
        text, [](unsigned char lead, unsigned char trail) { return !(lead == 0x81 && trail == 0x40); },
        [](unsigned char c) { return c == ' ' || c < 0x20; });
}

std::string RemoveQuotes(const std::string& text) {
    return filterChars(
        text, [](unsigned char, unsigned char) { return true; },
        [](unsigned char c) { return c == '\'' || c == '"' || c < 0x20; });
}

bool ContainsQuote(const std::string& text) {
    return text.find_first_of("'\"") != std::string::npos;
}

namespace {

// Byte index of the first one-byte colon, or npos.
size_t firstColon(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c))
            ++i;
        else if (c == ':')
            return i;
    }
    return std::string::npos;
}

} // namespace

std::string BeforeColon(const std::string& text) {
    const size_t colon = firstColon(text);
    return colon == std::string::npos ? text : text.substr(0, colon);
}

std::string AfterColon(const std::string& text) {
    const size_t colon = firstColon(text);
    return colon == std::string::npos ? std::string() : text.substr(colon + 1);
}
