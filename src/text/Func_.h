#pragma once

#include <cstdint>
#include <string>

// Text utilities on code page 932 byte strings. A byte in 0x80-0x9F or
// 0xE0-0xFD leads a two-byte character; positions are 1-based byte positions.

// True when the byte leads a two-byte character.
bool IsLeadByte(unsigned char byte);

// Each byte shifted up (ShiftChars) or down (UnshiftChars) by its 1-based position, modulo 256.
std::string ShiftChars(const std::string& text);
std::string UnshiftChars(const std::string& text);

// The run-time's integer conversion: leading blanks, sign, "$" for hex; anything
// that does not convert in full, or overflows 32 bits, gives 0.
std::int32_t ToIntOrZero(const std::string& text);

// Locale-independent floating conversion with "." and an optional exponent;
// anything that does not convert in full gives 0.0.
double ToFloatOrZero(const std::string& text);

// General number format with "." as the separator: 15 significant digits when
// they read back to the same double, else the shortest digits that do;
// scientific form (1.5E-6) only below 1e-5 or from 1e15.
std::string FloatToText(double value);

// Number of characters (a two-byte character counts once).
int CountChars(const std::string& text);

struct CopiedChars {
    std::string text;
    int bytes = 0;
};

// The whole characters inside the byte window [start, start + count - 1].
CopiedChars CopyChars(const std::string& text, int start, int count);

// Without half-width and full-width spaces and bytes below 0x20.
std::string RemoveSpaces(const std::string& text);

// Without apostrophes, double quotes and bytes below 0x20.
std::string RemoveQuotes(const std::string& text);

// Whether the text holds an apostrophe or a double quote, which user text may
// not carry into a statement.
bool ContainsQuote(const std::string& text);

// The parts before and after the first one-byte colon.
std::string BeforeColon(const std::string& text);
std::string AfterColon(const std::string& text);

// Upper-cases one-byte letters a-z and the two-byte Latin letters (ａ to Ａ),
// walking by characters so that no trail byte is touched.
std::string UpperCase932(const std::string& text);

// Every half-width character to its full-width form, hiragana to katakana.
std::string ToFullWidthKatakana(const std::string& text);

// The normalised search form stored in FIND and used for every keyword.
std::string SearchKey(const std::string& text);
