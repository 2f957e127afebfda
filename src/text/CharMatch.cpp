#include "text/CharMatch.h"

#include "text/Func_.h"

#include <string_view>
#include <vector>

namespace {

// The text cut into characters; a lead byte at the very end stands alone.
std::vector<std::string_view> Chars(const std::string& text) {
    std::vector<std::string_view> chars;
    chars.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        chars.emplace_back(text.data() + i, length);
        i += length;
    }
    return chars;
}

bool IsWildcard(std::string_view c, char which) {
    return c.size() == 1 && c[0] == which;
}

} // namespace

bool ContainsChars(const std::string& text, const std::string& key) {
    const std::vector<std::string_view> t = Chars(text);
    const std::vector<std::string_view> k = Chars(key);
    if (k.size() > t.size())
        return false;
    for (size_t start = 0; start + k.size() <= t.size(); ++start) {
        size_t i = 0;
        while (i < k.size() && t[start + i] == k[i])
            ++i;
        if (i == k.size())
            return true;
    }
    return false;
}

bool LikeContainsChars(const std::string& text, const std::string& pattern) {
    // '%' + pattern + '%' matched against the whole text, with the usual
    // backtracking to the last '%' seen.
    std::vector<std::string_view> p{std::string_view("%")};
    for (std::string_view c : Chars(pattern))
        p.push_back(c);
    p.emplace_back("%");
    const std::vector<std::string_view> t = Chars(text);
    size_t ti = 0;
    size_t pi = 0;
    size_t starPattern = std::string::npos;
    size_t starText = 0;
    while (ti < t.size()) {
        if (pi < p.size() && IsWildcard(p[pi], '%')) {
            starPattern = pi++;
            starText = ti;
        } else if (pi < p.size() && (IsWildcard(p[pi], '_') || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (starPattern != std::string::npos) {
            pi = starPattern + 1;
            ti = ++starText;
        } else {
            return false;
        }
    }
    while (pi < p.size() && IsWildcard(p[pi], '%'))
        ++pi;
    return pi == p.size();
}
