#include "StressCheck.h"

#include "StressClient.h"

#include "text/Codec.h"
#include "text/Func_.h"

#include <map>
#include <set>

namespace {

// The line a client holds by its number, as its last report left it.
struct HeldLine {
    int member = 0;
    std::string text;
    bool deleted = false;
};

struct Paste {
    int member = 0;
    int failed = 0;
    std::vector<std::string> texts;
};

class Checker {
public:
    explicit Checker(StressFigures& figures) : Figures(figures) {}

    void Read(int member, const std::vector<StressLog::Record>& log) {
        for (const StressLog::Record& record : log) {
            const auto& f = record.fields;
            if ((record.kind == "R" || record.kind == "T") && f.size() >= 2) {
                Written[f[0]] = member;
                if (f[1] == "ok") {
                    ++Figures.stored;
                    if (record.kind == "T")
                        ++Figures.retriesStored;
                    NotStored.erase(f[0]);
                    Hold(member, f.size() > 2 ? ToIntOrZero(f[2]) : 0, f[0]);
                } else if (record.kind == "R") {
                    ++Figures.notStored;
                    NotStored.insert(f[0]);
                }
            } else if (record.kind == "C" && f.size() == 3) {
                const int n = ToIntOrZero(f[0]);
                Written[f[1]] = member;
                if (f[2] == "ok") {
                    ++Figures.changed;
                    Replaced.insert(Held[n].text);
                    Hold(member, n, f[1]);
                } else {
                    NotStored.insert(f[1]);
                }
            } else if (record.kind == "I" && !f.empty() && f[0] == "ok") {
                ++Figures.stored;
                ++EmptyLines[member];
            } else if (record.kind == "P" && !f.empty()) {
                Paste paste{member, ToIntOrZero(f[0]), {f.begin() + 1, f.end()}};
                for (const std::string& text : paste.texts)
                    Written[text] = member;
                Figures.stored += static_cast<int>(paste.texts.size()) - paste.failed;
                Figures.pasteShortfall += paste.failed;
                Pastes.push_back(paste);
            } else if (record.kind == "L" && f.size() == 2) {
                Hold(member, ToIntOrZero(f[1]), f[0]);
            } else if (record.kind == "D" && f.size() == 2 && f[1] == "ok") {
                ++Figures.deleted;
                Held[ToIntOrZero(f[0])].deleted = true;
            }
        }
    }

    void Check(const std::vector<PadRow>& rows) {
        std::map<int, const PadRow*> byNumber;
        std::map<std::string, int> textCount;
        std::map<int, int> emptyCount;
        for (const PadRow& row : rows) {
            if (!byNumber.emplace(row.n, &row).second) {
                ++Figures.duplicated;
                Violation("number " + std::to_string(row.n) + " twice");
            }
            if (!row.text.empty())
                ++textCount[row.text];
            else if (row.df == 0)
                ++emptyCount[row.mn];
            if (row.df != 0 && !(Held.count(row.n) && Held.at(row.n).deleted))
                Violation("line " + std::to_string(row.n) + " was deleted, but no client chose to delete it");
            if (!row.text.empty() && !Written.count(row.text))
                Violation("line " + std::to_string(row.n) +
                          " holds a text no client wrote: " + Show(row.text));
        }
        for (const auto& [text, count] : textCount) {
            if (count > 1) {
                ++Figures.duplicated;
                Violation(Show(text) + " stored " + std::to_string(count) + " times");
            }
            if (Replaced.count(text))
                Violation(Show(text) + " is still there after its line was changed");
            if (NotStored.count(text))
                Violation(Show(text) + " was reported not stored but is in the pad");
        }
        for (const auto& [n, held] : Held) {
            const auto it = byNumber.find(n);
            if (it == byNumber.end()) {
                ++Figures.lost;
                Violation("line " + std::to_string(n) + " " + Show(held.text) + " is missing");
                continue;
            }
            const PadRow& row = *it->second;
            if (row.text != held.text)
                Violation("line " + std::to_string(n) + " holds " + Show(row.text) + " instead of " +
                          Show(held.text));
            const int expectedDf = held.deleted ? held.member : 0;
            if (row.df != expectedDf)
                Violation("line " + std::to_string(n) + " has DF " + std::to_string(row.df) + " instead of " +
                          std::to_string(expectedDf));
            if (row.mn != held.member)
                Violation("line " + std::to_string(n) + " was last written by member " +
                          std::to_string(row.mn) + ", not by " + std::to_string(held.member));
        }
        for (const Paste& paste : Pastes) {
            int present = 0;
            // A pasted line changed later is checked by its number (above).
            for (const std::string& text : paste.texts)
                present += textCount.count(text) || Replaced.count(text) ? 1 : 0;
            const int expected = static_cast<int>(paste.texts.size()) - paste.failed;
            if (present < expected)
                Figures.lost += expected - present;
            if (present != expected)
                Violation("a paste of member " + std::to_string(paste.member) + " reported " +
                          std::to_string(expected) + " lines stored, the pad holds " +
                          std::to_string(present));
        }
        for (const auto& [member, count] : EmptyLines)
            if (emptyCount[member] != count) {
                if (emptyCount[member] < count)
                    Figures.lost += count - emptyCount[member];
                Violation("member " + std::to_string(member) + " inserted " + std::to_string(count) +
                          " empty lines, the pad holds " + std::to_string(emptyCount[member]));
            }
        for (const auto& [member, count] : emptyCount)
            if (!EmptyLines.count(member) && count > 0)
                Violation(std::to_string(count) + " empty lines of member " + std::to_string(member) +
                          " that it never inserted");
    }

private:
    // A line a client now holds by its number; two clients never hold one line.
    void Hold(int member, int n, const std::string& text) {
        if (n <= 0) {
            Unnumbered.insert(text);
            return;
        }
        HeldLine& line = Held[n];
        if (line.member != 0 && line.member != member)
            Violation("members " + std::to_string(line.member) + " and " + std::to_string(member) +
                      " both wrote line " + std::to_string(n));
        line = {member, text, false};
    }

    void Violation(const std::string& what) { Figures.violations.push_back(what); }

    static std::string Show(const std::string& text) { return "\"" + Codec::toUtf8(text) + "\""; }

    StressFigures& Figures;
    std::map<int, HeldLine> Held;
    std::map<std::string, int> Written;
    std::set<std::string> NotStored;
    std::set<std::string> Replaced;
    std::set<std::string> Unnumbered;
    std::map<int, int> EmptyLines;
    std::vector<Paste> Pastes;
};

} // namespace

StressFigures CheckStressRun(const std::vector<std::vector<StressLog::Record>>& logs,
                             const std::vector<PadRow>& rows) {
    StressFigures figures;
    Checker checker(figures);
    for (size_t client = 0; client < logs.size(); ++client)
        checker.Read(StressMemberNumber(static_cast<int>(client)), logs[client]);
    checker.Check(rows);
    return figures;
}
