#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A property that must hold for every input: a violation aborts, which
// libFuzzer reports as a finding and saves the input that caused it.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

// The fuzzer's bytes, taken apart piece by piece.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::int16_t int16() { return static_cast<std::int16_t>(byte() | byte() << 8); }
    // Up to maxBytes bytes, the length given by the next byte.
    std::string text(std::size_t maxBytes) {
        std::size_t length = byte();
        length = std::min({length, maxBytes, size_ - pos_});
        std::string out(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return out;
    }
    // Everything not taken yet.
    std::string rest() {
        std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Walks a code page 932 text by characters: a lead byte and the byte after it
// form one character, a lead byte at the very end stands alone.
template <typename Visit> void ForEachChar(const std::string& text, Visit visit) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool wide = ((c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFD)) && i + 1 < text.size();
        visit(i, wide ? 2u : 1u);
        i += wide ? 2 : 1;
    }
}

// Whether the text ends with a lead byte that has no byte after it.
inline bool EndsWithLoneLead(const std::string& text) {
    bool lone = false;
    ForEachChar(text, [&](std::size_t at, unsigned width) {
        const auto c = static_cast<unsigned char>(text[at]);
        lone = width == 1 && ((c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFD));
    });
    return lone;
}
