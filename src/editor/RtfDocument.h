#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Rich Text Format for the scratch editor's files: the lines of a text written
// as paragraphs, and documents of other programs read back as paragraphs of
// formatted runs. Both directions are pure functions of bytes; the text is
// UTF-8, so that characters code page 932 cannot hold are kept.

struct RtfColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RtfColour&) const = default;
};

// A stretch of text with one character format.
struct RtfRun {
    std::string text; // UTF-8
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;              // font size in half points; 0 when the document leaves it to the reader
    std::optional<RtfColour> colour; // none: the automatic colour
};

using RtfParagraph = std::vector<RtfRun>;

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
    // Reading stopped at a limit: the document held more text.
    bool truncated = false;

    // The paragraphs' text, joined with "\n".
    std::string plainText() const;
};

// Whether the bytes hold a Rich Text Format document (they begin with "{\rtf").
bool IsRtf(std::string_view bytes);

// Reads any bytes without failing: unknown control words and destinations are
// skipped, unbalanced groups and truncated escapes end or lose only their part.
// Reading stops before plainText() would hold more than characterLimit
// characters, counted as UTF-16 units (a character beyond U+FFFF counts two,
// a line end one), or more than lineLimit lines (paragraphs).
RtfDocument ReadRtf(std::string_view bytes, std::size_t characterLimit = SIZE_MAX,
                    std::size_t lineLimit = SIZE_MAX);

// A document holding each line of text (UTF-8, lines ended by "\n" or "\r\n")
// as one paragraph, under \ansicpg932 and a \fcharset128 font: characters
// code page 932 holds as \'hh escapes of their bytes, every other one as \uN
// with "?" for readers that know no Unicode. An empty text gives no paragraph.
std::string WriteRtf(const std::string& text);
