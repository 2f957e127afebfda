#include "memo/MemoPageModel.h"

#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "text/CharMatch.h"
#include "text/Func_.h"

#include <algorithm>

namespace {

// The memo field list, the shape of every row read.
const FieldList& MemoShape() {
    static const FieldList shape = [] {
        FieldList fields;
        SetMemoFields(fields);
        return fields;
    }();
    return shape;
}

// Steps back from the line before a point: rows holds the lines before it in
// backward order, at least steps + 1 of them unless the pad has no more. The
// line reached gives the page start; the top of the pad when the stepping
// runs past the first line; without a step and a line, the start as it was.
double StepBack(const std::vector<FieldList>& rows, int steps, double start) {
    if (static_cast<size_t>(steps) < rows.size())
        return ToFloatOrZero(rows[static_cast<size_t>(steps)][MemoSN].Value);
    return steps > 0 ? 0.0 : start;
}

} // namespace

void MemoPageModel::Reset(int pageLines) {
    ready_ = false;
    tableName_.clear();
    pageStart_ = 0.0;
    pageLines_ = pageLines;
    find_ = {};
}

void MemoPageModel::Open(const std::string& tableName) {
    tableName_ = tableName;
    ready_ = true;
}

void MemoPageModel::Close() {
    ready_ = false;
}

ReadResult<MemoPage> MemoPageModel::ReadPage(TFormFBDB& db, double pageStart) const {
    // The page and one line more, which tells whether the page ends with the
    // append row: the count is compared with PageLines only.
    ReadResult<std::vector<FieldList>> rows = db.ReadRows(
        MemoShape(), "*", tableName_, LinesAfterCondition(pageStart), MemoPageOrder, pageLines_ + 1);
    if (!rows)
        return rows.failure();
    MemoPage page;
    const int count = static_cast<int>(rows->size());
    page.appendRow = count <= pageLines_;
    page.lines.reserve(static_cast<size_t>(std::min(count, pageLines_)));
    for (int i = 0; i < count && i < pageLines_; ++i) {
        FieldList& row = (*rows)[static_cast<size_t>(i)];
        page.lines.push_back({std::move(row[MemoSN].Value), std::move(row[MemoN].Value),
                              std::move(row[MemoText].Value), std::move(row[MemoMN].Value)});
    }
    return page;
}

ReadResult<double> MemoPageModel::PreviousPageStart(TFormFBDB& db) const {
    if (pageStart_ <= 0)
        return 0.0;
    // At most PageLines - 2 steps back: PageLines lines before the page are
    // as good as all of them.
    const ReadResult<std::vector<FieldList>> rows = db.ReadRows(
        MemoShape(), "*", tableName_, LinesBeforeCondition(pageStart_), MemoBackwardOrder, pageLines_);
    if (!rows)
        return rows.failure();
    const int count = static_cast<int>(rows->size());
    const int a = count == 0 ? 2 : count + 1;
    return StepBack(*rows, std::min(a, pageLines_ - 1) - 1, pageStart_);
}

ReadResult<double> MemoPageModel::LastPageStart(TFormFBDB& db) const {
    // PageLines steps back, and one line more that tells whether the pad has
    // a line before the last page.
    const ReadResult<std::vector<FieldList>> rows =
        db.ReadRows(MemoShape(), "*", tableName_, ShownLinesCondition(), MemoBackwardOrder, pageLines_ + 1);
    if (!rows)
        return rows.failure();
    return StepBack(*rows, std::min(static_cast<int>(rows->size()), pageLines_), pageStart_);
}

ReadResult<double> MemoPageModel::SortNumberBeforePage(TFormFBDB& db, double firstSortNumber) const {
    if (pageStart_ <= 0)
        return 0.0;
    const ReadResult<std::vector<FieldList>> rows =
        db.ReadRows(MemoShape(), "*", tableName_, LinesBeforeCondition(firstSortNumber - Tolerance),
                    MemoBackwardOrder, 1);
    if (!rows)
        return rows.failure();
    return rows->empty() ? 0.0 : ToFloatOrZero(rows->front()[MemoSN].Value);
}

ReadResult<std::optional<double>> MemoPageModel::FindStart(TFormFBDB& db, double sortNumber) const {
    const bool down = find_.searchDown != 0;
    const bool findColumn = find_.useFindColumn != 0;
    const std::string keyword = find_.useFindColumn == 1 ? SearchKey(find_.keyword) : find_.keyword;
    const int column = findColumn ? MemoFind : MemoText;
    const std::string condition = FindLinesCondition(sortNumber, down, MemoShape()[column].Name, keyword);
    const char* order = down ? MemoPageOrder : MemoBackwardOrder;
    int batch = FirstFindBatch;
    for (int skipped = 0;; skipped += batch, batch = std::min(2 * batch, LargestFindBatch)) {
        const ReadResult<std::vector<FieldList>> rows =
            db.ReadRows(MemoShape(), "*", tableName_, condition, order, batch, skipped);
        if (!rows)
            return rows.failure();
        for (const FieldList& row : *rows) {
            const std::string& value = row[column].Value;
            if (findColumn ? ContainsChars(value, keyword) : LikeContainsChars(value, keyword))
                return std::optional<double>(ToFloatOrZero(row[MemoSN].Value) - Tolerance);
        }
        if (static_cast<int>(rows->size()) < batch)
            return std::optional<double>();
    }
}

ReadResult<std::optional<double>> MemoPageModel::JumpStart(TFormFBDB& db, std::int32_t n) const {
    FieldList row;
    const ReadResult<bool> found = ReadMemoLine(db, tableName_, row, n);
    if (!found)
        return found.failure();
    if (!*found)
        return std::optional<double>();
    return std::optional<double>(ToFloatOrZero(row[MemoSN].Value) - Tolerance);
}

ReadResult<std::vector<std::string>> MemoPageModel::ReadTexts(TFormFBDB& db, int rowLimit) const {
    ReadResult<std::vector<FieldList>> rows =
        db.ReadRows(MemoShape(), "*", tableName_, LiveLinesCondition(), MemoPageOrder, rowLimit);
    if (!rows)
        return rows.failure();
    std::vector<std::string> texts;
    texts.reserve(rows->size());
    for (FieldList& row : *rows)
        texts.push_back(std::move(row[MemoText].Value));
    return texts;
}
