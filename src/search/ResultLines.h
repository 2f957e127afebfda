#pragma once

#include <QString>
#include <string>

// The lines a search writes into the result area, up to the area's limit of
// characters. A line that would pass the limit is not written; in its place
// comes one closing line saying that the results were cut, and every later
// line is refused.
class ResultLines {
public:
    // limit counts characters, each line break as one.
    ResultLines(qsizetype limit, const std::string& cutLine);

    void Clear();
    // Appends a code page 932 line; false when it no longer fits (the results are cut).
    bool Append(const std::string& line);
    bool Cut() const { return IsCut; }
    // The lines so far, separated by line breaks.
    const QString& Text() const { return Buffer; }

private:
    void Add(const QString& line);

    qsizetype Limit;
    QString CutLine;
    QString Buffer;
    qsizetype LineCount = 0;
    bool IsCut = false;
};
