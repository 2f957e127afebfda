#pragma once

#include <optional>
#include <string>
#include <vector>

// Rich Text Format for the scratch editor's files: the lines of a code page 932
// text written as paragraphs, and documents of other programs read back as
// paragraphs of formatted runs. Both directions are pure functions of bytes.

struct RtfColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RtfColour&) const = default;
};

// A stretch of text with one character format.
struct RtfRun {
    std::string text; // code page 932; characters it cannot hold are "?"
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;              // font size in half points; 0 when the document leaves it to the reader
    std::optional<RtfColour> colour; // none: the automatic colour
};

using RtfParagraph = std::vector<RtfRun>;

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;

    // The paragraphs' text, joined with "\n".
    std::string plainText() const;
};

// Whether the bytes hold a Rich Text Format document (they begin with "{\rtf").
bool IsRtf(const std::string& bytes);

// Reads any bytes without failing: unknown control words and destinations are
// skipped, unbalanced groups and truncated escapes end or lose only their part.
RtfDocument ReadRtf(const std::string& bytes);

// A document holding each line of text (code page 932, lines ended by "\n" or
// "\r\n") as one paragraph; two-byte characters as \'hh escapes of their bytes
// under \ansicpg932 and a \fcharset128 font. An empty text gives no paragraph.
std::string WriteRtf(const std::string& text);
