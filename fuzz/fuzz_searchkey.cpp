// The search key and the full-width mapping, and the character-wise matching
// that checks the database's LIKE hits.

#include "FuzzCheck.h"

#include "text/CharMatch.h"
#include "text/Func_.h"

namespace {

bool Mappable(unsigned char c) {
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF);
}

unsigned Unit(const std::string& text, std::size_t at) {
    return static_cast<unsigned char>(text[at]) << 8 | static_cast<unsigned char>(text[at + 1]);
}

// Every character with a full-width form came out as two bytes.
void CheckAllWide(const std::string& mapped) {
    ForEachChar(mapped, [&](std::size_t at, unsigned width) {
        if (width == 1)
            FUZZ_CHECK(!Mappable(static_cast<unsigned char>(mapped[at])));
    });
}

// One-byte letters lowered and hiragana raised to katakana, walking by
// characters so that no second byte is touched.
std::string LowerAndKatakana(const std::string& text) {
    std::string out = text;
    ForEachChar(out, [&](std::size_t at, unsigned width) {
        const auto c = static_cast<unsigned char>(out[at]);
        if (width == 1 && c >= 'A' && c <= 'Z')
            out[at] = static_cast<char>(c + 0x20);
        if (width == 2 && c == 0x83 && static_cast<unsigned char>(out[at + 1]) >= 0x40 &&
            static_cast<unsigned char>(out[at + 1]) <= 0x93 && out[at + 1] != '\x7F') {
            // Katakana ァ..ン back to hiragana ぁ..ん (the katakana row skips 0x7F).
            const int trail = static_cast<unsigned char>(out[at + 1]);
            out[at] = '\x82';
            out[at + 1] = static_cast<char>(0x9F + (trail > 0x7F ? trail - 1 : trail) - 0x40);
        }
    });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::string key = input.text(255);
    const std::string text = input.rest();

    const std::string wide = ToFullWidthKatakana(text);
    FUZZ_CHECK(wide.size() <= 2 * text.size());
    CheckAllWide(wide);

    const std::string found = SearchKey(text);
    CheckAllWide(found);
    // The FIND column holds 240 bytes: the key of a 120-byte line fits.
    FUZZ_CHECK(found.size() <= 2 * text.size());
    ForEachChar(found, [&](std::size_t at, unsigned width) {
        if (width != 2)
            return;
        const unsigned unit = Unit(found, at);
        // Spaces dropped; ×, ー and the quote marks folded; no small letters, no hiragana.
        FUZZ_CHECK(unit != 0x8140 && unit != 0x817E && unit != 0x815B);
        FUZZ_CHECK(unit != 0x814C && unit != 0x814D && unit != 0x8165 && unit != 0x818C);
        FUZZ_CHECK(unit != 0x814A && unit != 0x8167 && unit != 0x818D);
        FUZZ_CHECK(!(unit >= 0x8281 && unit <= 0x829A));
        FUZZ_CHECK(!(unit >= 0x829F && unit <= 0x82F1));
    });
    FUZZ_CHECK(SearchKey(found) == found);
    // Case and kana do not matter to a search.
    FUZZ_CHECK(SearchKey(LowerAndKatakana(text)) == found);

    // Character-wise matching: a true hit is a byte-wise hit, and without
    // wildcards the LIKE pattern means the key itself.
    const bool contains = ContainsChars(text, key);
    if (contains)
        FUZZ_CHECK(text.find(key) != std::string::npos);
    bool wildcard = false;
    ForEachChar(key, [&](std::size_t at, unsigned width) {
        wildcard = wildcard || (width == 1 && (key[at] == '%' || key[at] == '_'));
    });
    if (!wildcard)
        FUZZ_CHECK(LikeContainsChars(text, key) == contains);
    FUZZ_CHECK(ContainsChars(text, ""));
    // Whole characters cut from the text are found in it.
    const CopiedChars piece = CopyChars(text, 1 + key.size() % (text.size() + 1), 1 + size % 40);
    FUZZ_CHECK(ContainsChars(text, piece.text));
    FUZZ_CHECK(LikeContainsChars(text, "%"));
    return 0;
}
