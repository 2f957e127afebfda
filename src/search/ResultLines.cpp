#include "search/ResultLines.h"

#include "text/Codec.h"

ResultLines::ResultLines(qsizetype limit, const std::string& cutLine)
    : Limit(limit), CutLine(Codec::toQString(cutLine)) {}

void ResultLines::Clear() {
    Buffer.clear();
    LineCount = 0;
    IsCut = false;
}

bool ResultLines::Append(const std::string& line) {
    if (IsCut)
        return false;
    const QString text = Codec::toDisplayLine(line);
    // Room is kept for the closing line, so that the cut results stay within the limit too.
    if (Buffer.size() + (text.size() + 1) + (CutLine.size() + 1) > Limit) {
        Add(CutLine);
        IsCut = true;
        return false;
    }
    Add(text);
    return true;
}

void ResultLines::Add(const QString& line) {
    if (LineCount++ > 0)
        Buffer += QLatin1Char('\n');
    Buffer += line;
}
