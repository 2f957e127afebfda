// The conversions with which the screens read numbers back from cell texts
// and settings lines, and the number format in which they write them.

#include "FuzzCheck.h"

#include "text/Func_.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// What the run-time's conversion accepts: blanks, a sign, "$" and hex digits or decimal digits.
bool LooksLikeInteger(const std::string& text) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return false;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    const bool hex = i < text.size() && text[i] == '$';
    if (hex)
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (!(hex ? IsHexDigit(text[i]) : IsDigit(text[i])))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::int32_t value = ToIntOrZero(text);
    if (value != 0)
        FUZZ_CHECK(LooksLikeInteger(text));
    // Plain decimal texts against the standard conversion.
    const std::size_t first = text.find_first_not_of(' ');
    if (first != std::string::npos && LooksLikeInteger(text) && text.find('$') == std::string::npos) {
        const char* begin = text.data() + first + (text[first] == '+' ? 1 : 0);
        long long wide = 0;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), wide);
        const bool fits = error == std::errc() && end == text.data() + text.size() && wide >= INT32_MIN &&
                          wide <= INT32_MAX;
        FUZZ_CHECK(value == (fits ? wide : 0));
    }

    const double number = ToFloatOrZero(text);
    FUZZ_CHECK(std::isfinite(number));
    for (const char c : text)
        if (number != 0.0)
            FUZZ_CHECK(IsDigit(c) || c == ' ' || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E');

    // Numbers written by the program read back as themselves.
    if (size >= 4) {
        std::int32_t n;
        std::memcpy(&n, data, sizeof n);
        FUZZ_CHECK(ToIntOrZero(std::to_string(n)) == n);
        FUZZ_CHECK(ToIntOrZero("  " + std::to_string(n)) == n);
        FUZZ_CHECK(ToIntOrZero(std::to_string(n) + " ") == 0);
        FUZZ_CHECK(ToFloatOrZero(std::to_string(n)) == n);
    }
    if (size >= 8) {
        double d;
        std::memcpy(&d, data, sizeof d);
        if (std::isfinite(d)) {
            const std::string written = FloatToText(d);
            FUZZ_CHECK(written.find(',') == std::string::npos);
            FUZZ_CHECK(written.find_first_not_of("0123456789.-E") == std::string::npos);
            // Sort numbers come back exactly, so no line moves onto its neighbour.
            const double read = ToFloatOrZero(written);
            FUZZ_CHECK(read == d);
            FUZZ_CHECK(FloatToText(read) == written);
        }
    }
    return 0;
}
