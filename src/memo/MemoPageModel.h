#pragma once

#include "db/ReadResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TFormFBDB;

// One line of a page, as the grid shows it: sort number, registration number
// and text (code page 932), and the member who wrote it (MN), each as read.
struct MemoPageLine {
    std::string sortNumber;
    std::string number;
    std::string text;
    std::string writer;
};

// The lines a page shows, and whether the append row follows them: it does
// when every line after the page start fits on the page.
struct MemoPage {
    std::vector<MemoPageLine> lines;
    bool appendRow = false;
};

// The find settings of a memo screen: the last keyword (empty: none yet),
// whether it is looked for through the search key in FIND (1) or as typed in
// TEXT (0), and whether towards later lines (1) or earlier ones (0).
struct MemoFindSettings {
    std::string keyword;
    int useFindColumn = 0;
    int searchDown = 1;
};

// The paging of a memo screen without its widgets: which pad, where its page
// starts and how many lines a page holds, the find settings, and the reads
// that tell where a page, a find or a jump leads. The reads never move the
// page: they say where it would start, and the screen moves it with
// MoveTo once that page could be read, so that a failed read leaves the page
// where it was. Every read tells what it found from why it failed.
class MemoPageModel {
public:
    // Sort numbers closer than this count as equal.
    static constexpr double Tolerance = 1e-10;
    // Rows of the first read of a find, and the most of any later one.
    static constexpr int FirstFindBatch = 8;
    static constexpr int LargestFindBatch = 65536;

    // A fresh show: no pad, the first page, pageLines lines a page, no find.
    void Reset(int pageLines);
    // The pad the reads are about; ready from now on.
    void Open(const std::string& tableName);
    // No reads any more (the table name stays, for the screen to compare).
    void Close();

    bool Ready() const { return ready_; }
    const std::string& TableName() const { return tableName_; }
    // The page shows the lines whose sort number is greater than this; 0: the first page.
    double PageStart() const { return pageStart_; }
    const MemoFindSettings& Find() const { return find_; }
    void SetFind(const MemoFindSettings& find) { find_ = find; }

    void MoveTo(double pageStart) { pageStart_ = pageStart; }

    // The page that starts after pageStart: at most PageLines lines, with the
    // append row when all the lines after it fit.
    ReadResult<MemoPage> ReadPage(TFormFBDB& db, double pageStart) const;

    // Where the previous page starts: so far back that it ends with the first
    // line of this page (with its first two lines when the page starts just
    // below a line, after a find or a jump), or at the top.
    ReadResult<double> PreviousPageStart(TFormFBDB& db) const;
    // Where the last page starts: it shows the last PageLines lines and the
    // append row; an empty pad leaves the page start as it is.
    ReadResult<double> LastPageStart(TFormFBDB& db) const;

    // The sort number of the line before the page's first line, whose sort
    // number is firstSortNumber (0 when there is none, and on the first
    // page): the last live line below it by more than the tolerance. New
    // lines go between the two, and the page starts right after that line so
    // that they show on it, also after a find or a jump.
    ReadResult<double> SortNumberBeforePage(TFormFBDB& db, double firstSortNumber) const;

    // Where the page starts that shows the nearest line after (or, searching
    // up, before) the line of sortNumber that holds the keyword, character by
    // character: just below the hit, so that it is the page's first line;
    // none when no line holds it. LIKE compares bytes, so its hits are a
    // superset: the rows come nearest first, in batches that double in size,
    // so that the usual true first hit costs one short read and a run of
    // false ones stays cheap.
    ReadResult<std::optional<double>> FindStart(TFormFBDB& db, double sortNumber) const;

    // Where the page starts that begins with line n (deleted or not: then with
    // the first live line after it); none when there is no line n.
    ReadResult<std::optional<double>> JumpStart(TFormFBDB& db, std::int32_t n) const;

    // The texts of the live lines of the pad, in page order: all of them, or
    // with rowLimit above 0 at most that many.
    ReadResult<std::vector<std::string>> ReadTexts(TFormFBDB& db, int rowLimit = 0) const;

private:
    bool ready_ = false;
    std::string tableName_;
    double pageStart_ = 0.0;
    int pageLines_ = 0;
    MemoFindSettings find_;
};
