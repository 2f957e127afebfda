#pragma once

#include <QString>
#include <string>
#include <string_view>

// Plain text files of the scratch editor.

struct PlainText {
    QString text;           // line ends as "\n"
    bool truncated = false; // the file held more than the limit
};

// A file that is valid UTF-8 and holds bytes beyond ASCII (a byte order mark
// or not) is UTF-8; any other is code page 932. CR LF and a lone CR end a
// line. At most limit characters (UTF-16 units, a line end one) in at most
// lineLimit lines are taken, and only as much of the file is decoded as they
// need.
PlainText ReadPlainText(std::string_view bytes, qsizetype limit, qsizetype lineLimit);

// The text in code page 932 with CR LF line ends. replaced tells whether it
// held characters code page 932 cannot hold, which are written as "?".
std::string WritePlainText(const QString& text, bool& replaced);

// text cut to at most room UTF-16 units and, unless negative, at most
// lineEnds line ends; a surrogate pair is never split.
QString FitText(const QString& text, qsizetype room, qsizetype lineEnds = -1);
