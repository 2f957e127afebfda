#pragma once

#include <QString>
#include <string>

// The one place where text crosses between the program's code page 932 byte
// strings and Qt's QString.
namespace Codec {

// Code page 932 bytes to a QString. Bytes that do not form a valid character
// become U+FFFD; conversion never stops early.
QString toQString(const std::string& sjis);

// Code page 932 bytes as one line of text to show (a list item, a label, a
// grid cell, a result line): every control character (line ends, NUL, tab)
// shows as a space, so that a name or a line written by another program can
// neither break the line nor cut it short.
QString toDisplayLine(const std::string& sjis);

// A QString to code page 932 bytes. Characters code page 932 cannot hold become "?".
std::string fromQString(const QString& text);

// The first character of text that code page 932 cannot hold (both halves of
// a surrogate pair), which fromQString would turn into "?"; empty when it can
// hold them all.
QString firstUnheldChar(const QString& text);

// A UTF-8 literal of the source (the system's own texts) to code page 932.
std::string sj(const char* utf8);

// Code page 932 bytes to UTF-8 (for terminals and logs of the tools).
std::string toUtf8(const std::string& sjis);

// UTF-8 to code page 932; characters it cannot hold become "?".
std::string fromUtf8(const std::string& utf8);

// Bytes of a Windows code page (932, 1252, 10000 for Mac Roman, ...) to UTF-8;
// a code page the system does not know is read as 1252. Invalid bytes become U+FFFD.
std::string codePageToUtf8(int codePage, const std::string& bytes);

} // namespace Codec
