#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What one stress client's screen reported, one record a line, fields
// separated by tabs (texts are code page 932 and never hold a tab or a line end):
//   R <text> ok <N> | R <text> fail          a new line registered with Enter
//   T <text> ok <N> | T <text> fail          Enter pressed again after a failure
//   C <N> <text> ok | C <N> <text> fail      an own line changed with Enter
//   I ok | I fail                            an empty line inserted
//   P <failed> <text>...                     lines pasted, <failed> of them not stored
//   L <text> <N>                             the number of a pasted line, seen in the grid
//   D <N> ok | D <N> fail                    an own line deleted
//   K                                        a refresh or a page move
namespace StressLog {

struct Record {
    std::string kind;
    std::vector<std::string> fields;
};

inline void Write(std::FILE* file, const std::string& kind, const std::vector<std::string>& fields) {
    std::string line = kind;
    for (const std::string& field : fields)
        line += "\t" + field;
    line += "\n";
    std::fputs(line.c_str(), file);
    // A client that crashes leaves every record before the crash.
    std::fflush(file);
}

inline std::vector<Record> Read(const std::string& path) {
    std::vector<Record> records;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return records;
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            parts.push_back(line.substr(start, tab - start));
        parts.push_back(line.substr(start));
        records.push_back({parts[0], std::vector<std::string>(parts.begin() + 1, parts.end())});
        line.clear();
    }
    std::fclose(file);
    return records;
}

} // namespace StressLog
