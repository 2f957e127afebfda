// Counting and cutting by characters, the space and quote filters, the colon
// split of list items and the position shift of the settings files.

#include "FuzzCheck.h"

#include "text/Func_.h"

namespace {

bool IsSubsequence(const std::string& part, const std::string& whole) {
    std::size_t at = 0;
    for (const char c : whole)
        if (at < part.size() && part[at] == c)
            ++at;
    return at == part.size();
}

void CheckCopyChars(const std::string& text, int start, int count) {
    const CopiedChars copied = CopyChars(text, start, count);
    FUZZ_CHECK(copied.bytes == static_cast<int>(copied.text.size()));
    if (text.empty() || start <= 0 || start > static_cast<int>(text.size()) || count <= 0) {
        FUZZ_CHECK(copied.text.empty());
        return;
    }
    FUZZ_CHECK(copied.bytes <= count);
    // Whole characters of the text, from its first character boundary at or after start.
    std::size_t from = text.size();
    ForEachChar(text, [&](std::size_t at, unsigned) {
        if (from == text.size() && at + 1 >= static_cast<std::size_t>(start))
            from = at;
    });
    FUZZ_CHECK(text.compare(from, copied.text.size(), copied.text) == 0);
    FUZZ_CHECK(!EndsWithLoneLead(copied.text));
    // Nothing that fits the window is left out: the next character would not fit.
    const std::size_t next = from + copied.text.size();
    if (next < text.size() && copied.bytes > 0) {
        const auto c = static_cast<unsigned char>(text[next]);
        const bool wide = IsLeadByte(c) && next + 1 < text.size();
        FUZZ_CHECK(static_cast<long long>(next + (wide ? 2 : 1)) >
                       static_cast<long long>(start) + count - 1 ||
                   (IsLeadByte(c) && !wide));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const int start = input.int16();
    const int count = input.int16();
    const int window = 2 + input.byte() % 200;
    const std::string text = input.rest();

    int chars = 0;
    ForEachChar(text, [&](std::size_t, unsigned) { ++chars; });
    FUZZ_CHECK(CountChars(text) == chars);

    CheckCopyChars(text, start, count);
    CheckCopyChars(text, 1, window);
    // Consecutive windows give back the text, less a lead byte left alone at its end.
    std::string joined;
    for (int at = 1;;) {
        const CopiedChars piece = CopyChars(text, at, window);
        if (piece.bytes == 0)
            break;
        joined += piece.text;
        at += piece.bytes;
    }
    FUZZ_CHECK(joined == (EndsWithLoneLead(text) ? text.substr(0, text.size() - 1) : text));

    // The filters keep the other characters in order, leave nothing to filter, and drop what they name.
    const auto checkFilter = [&](std::string (*filter)(const std::string&), auto dropped) {
        const std::string kept = filter(text);
        FUZZ_CHECK(IsSubsequence(kept, text));
        FUZZ_CHECK(filter(kept) == kept);
        ForEachChar(kept, [&](std::size_t at, unsigned width) { FUZZ_CHECK(!dropped(kept, at, width)); });
    };
    checkFilter(RemoveSpaces, [](const std::string& kept, std::size_t at, unsigned width) {
        const auto c = static_cast<unsigned char>(kept[at]);
        return width == 1 ? c == ' ' || c < 0x20 : c == 0x81 && kept[at + 1] == '\x40';
    });
    checkFilter(RemoveQuotes, [](const std::string& kept, std::size_t at, unsigned width) {
        const auto c = static_cast<unsigned char>(kept[at]);
        return width == 1 && (c == '\'' || c == '"' || c < 0x20);
    });

    // A list item is its number, a colon and its text.
    const std::string before = BeforeColon(text);
    const std::string after = AfterColon(text);
    if (before.size() == text.size()) {
        FUZZ_CHECK(before == text && after.empty());
    } else {
        FUZZ_CHECK(before + ":" + after == text);
        bool colonBefore = false;
        ForEachChar(before, [&](std::size_t at, unsigned width) {
            colonBefore = colonBefore || (width == 1 && before[at] == ':');
        });
        FUZZ_CHECK(!colonBefore && !EndsWithLoneLead(before));
    }

    FUZZ_CHECK(UnshiftChars(ShiftChars(text)) == text);
    FUZZ_CHECK(ShiftChars(UnshiftChars(text)) == text);
    FUZZ_CHECK(ShiftChars(text).size() == text.size());
    FUZZ_CHECK(ContainsQuote(text) == (text.find_first_of("'\"") != std::string::npos));
    return 0;
}
