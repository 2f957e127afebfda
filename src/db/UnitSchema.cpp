#include "db/UnitSchema.h"

#include "db/UnitFBDB.h"
#include "platform/Waiting.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <thread>

namespace {

void setField(FieldList& fields, size_t index, const char* name, const char* caption, std::int32_t kind,
              std::int32_t size) {
    TableField& field = fields[index];
    field.Name = name;
    field.Caption = Codec::sj(caption);
    field.Kind = kind;
    field.Size = size;
}

void ensureSize(FieldList& fields, size_t size) {
    if (fields.size() < size)
        fields.resize(size);
}

// Whether the table holds a line with number n (a line another client stored).
bool NumberTaken(TFormFBDB& db, const std::string& table, std::int32_t n) {
    FieldList probe;
    const ReadResult<bool> found = ReadMemoLine(db, table, probe, n);
    return found && *found;
}

std::minstd_rand& RetryRandom() {
    thread_local std::minstd_rand random(std::random_device{}());
    return random;
}

// A pause of a few milliseconds, longer with each try, drawn at random so
// that the clients that lost the same race do not come back together.
void PauseBeforeRetry(int attempt) {
    std::uniform_int_distribution<int> milliseconds(1, 8 * attempt);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds(RetryRandom())));
}

// The number to try after a lost race: the largest N + 1 and a few more at
// random, more with each try, so that the clients that lost the race spread
// over several numbers instead of meeting at the next one again (under load
// only one of them could win each round). 0 when the pad is full.
ReadResult<std::int32_t> NumberAfterLostRace(TFormFBDB& db, const std::string& table, int attempt) {
    const ReadResult<std::int32_t> next = NextMemoNumber(db, table);
    if (!next || *next == 0)
        return next;
    std::uniform_int_distribution<std::int32_t> offset(0, (2 << std::min(attempt, 5)) - 1);
    const std::int64_t spread = std::int64_t{*next} + offset(RetryRandom());
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(spread, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

void SetMemoFields(FieldList& fields) {
    ensureSize(fields, MemoColumns);
    setField(fields, 0, "N", "番号", 1, 0);
    setField(fields, 1, "SN", "並替番号", 3, 0);
    setField(fields, 2, "DF", "削除フラグ", 0, 0);
    setField(fields, 3, "MN", "登録メンバー", 0, 0);
    setField(fields, 4, "TEXT", "文章", 4, 120);
    setField(fields, 5, "FIND", "検索用", 4, 240);
}

void SetMemberFields(FieldList& fields) {
    ensureSize(fields, MemberColumns);
    setField(fields, 0, "N", "番号", 1, 0);
    setField(fields, 1, "NAME", "名前", 4, 60);
    setField(fields, 2, "PASS", "パスワード", 4, 30);
}

void SetGroupFields(FieldList& fields) {
    ensureSize(fields, GroupColumns);
    setField(fields, 0, "N", "番号", 1, 0);
    setField(fields, 1, "ENDED", "終了フラグ", 0, 0);
    setField(fields, 2, "PSTART", "開始", 1, 0);
    setField(fields, 3, "PEND", "終了", 1, 0);
    setField(fields, 4, "NAME", "グループ名", 4, 60);
    setField(fields, 5, "OUTLINE", "概要", 4, 200);
    for (int slot = 1; slot <= GroupSlots; ++slot) {
        TableField& field = fields[5 + slot];
        field.Name = "P" + std::to_string(slot);
        field.Caption = Codec::sj("参加者") + std::to_string(slot);
        field.Kind = 0;
        field.Size = 0;
    }
}

std::string MyMemoTable(std::int32_t memberNumber) {
    return "MYMEMO" + std::to_string(memberNumber);
}

std::string OgMemoTable(std::int32_t groupNumber) {
    return "OGMEMO" + std::to_string(groupNumber);
}

std::string CgMemoTable(std::int32_t groupNumber) {
    return "CGMEMO" + std::to_string(groupNumber);
}

std::string AlMemoTable() {
    return "ALMEMO";
}

bool IsMemoTableName(const std::string& name) {
    if (name == AlMemoTable())
        return true;
    const std::string prefix = name.substr(0, 6);
    const std::string number = name.substr(std::min<size_t>(name.size(), 6));
    return (prefix == "MYMEMO" || prefix == "OGMEMO" || prefix == "CGMEMO") && !number.empty() &&
           number[0] != '0' &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<MemoIndex> MemoIndexes(const std::string& table) {
    return {{"IX_" + table + "_SN_N", "SN,N", false},
            {"IX_" + table + "_SN_N_DESC", "SN,N", true},
            {"IX_" + table + "_N_DESC", "N", true}};
}

void AddMemoIndexes(TFormFBDB& db, const std::string& table) {
    for (const MemoIndex& index : MemoIndexes(table))
        db.CreateIndex(index.name, table, index.columns, index.descending);
}

bool IndexExists(TFormFBDB& db, const std::string& indexName) {
    const ReadResult<std::vector<FieldList>> rows = db.ReadRows(FieldList(1), "RDB$INDEX_NAME", "RDB$INDICES",
                                                                "RDB$INDEX_NAME = '" + indexName + "'", "");
    return rows && !rows->empty();
}

bool CreateMemoTable(TFormFBDB& db, const std::string& table, const FieldList& memoFields) {
    if (!db.CreateTable(table, MemoColumns, memoFields))
        return false;
    AddMemoIndexes(db, table);
    db.AddChangeTrigger(table);
    return true;
}

OpenMemoTableResult OpenMemoTable(TFormFBDB& db, const std::string& table, FieldList& rowBuffer,
                                  const std::function<bool()>& keepWaiting) {
    rowBuffer.resize(MemoColumns);
    SetMemoFields(rowBuffer);
    // A table is created only where the listing says it is missing: without
    // a listing nothing is known, and nothing is tried.
    ReadResult<bool> found = db.ReadTableExists(table);
    if (!found)
        return OpenMemoTableResult::Unlisted;
    if (*found)
        return OpenMemoTableResult::Existing;
    for (int attempt = 1;; ++attempt) {
        if (CreateMemoTable(db, table, rowBuffer))
            return OpenMemoTableResult::Created;
        // Another client opening the same new pad may have created it first.
        found = db.ReadTableExists(table);
        if (!found)
            return OpenMemoTableResult::Unlisted;
        if (*found)
            return OpenMemoTableResult::Existing;
        if (attempt == 2)
            break;
        PumpWait(5000, keepWaiting);
        if (keepWaiting && !keepWaiting())
            return OpenMemoTableResult::Abandoned;
    }
    db.Disconnect();
    return OpenMemoTableResult::Failed;
}

bool InsertMemoRow(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t n, double sortNumber,
                   const std::string& text, std::int32_t memberNumber) {
    SetMemoFields(row);
    row[MemoN].Value = std::to_string(n);
    row[MemoSN].Value = FloatToText(sortNumber);
    row[MemoDF].Value = "0";
    row[MemoMN].Value = std::to_string(memberNumber);
    row[MemoText].Value = text;
    row[MemoFind].Value = SearchKey(text);
    return db.InsertRow(table, MemoColumns, row);
}

NewLineResult StoreNewMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t& next,
                               const std::function<ReadResult<double>()>& sortNumber, const std::string& text,
                               std::int32_t memberNumber) {
    if (next == 0) {
        const ReadResult<std::int32_t> largest = NextMemoNumber(db, table);
        if (!largest)
            return NewLineResult::Failed;
        next = *largest;
    }
    for (int attempt = 1;; ++attempt) {
        if (next == 0)
            return NewLineResult::PadFull;
        const ReadResult<double> sn = sortNumber();
        if (!sn)
            return NewLineResult::Failed;
        if (InsertMemoRow(db, table, row, next, *sn, text, memberNumber))
            return NewLineResult::Stored;
        if (attempt == NewLineAttempts || !NumberTaken(db, table, next))
            return NewLineResult::Failed;
        PauseBeforeRetry(attempt);
        const ReadResult<std::int32_t> fresh = NumberAfterLostRace(db, table, attempt);
        if (!fresh)
            return NewLineResult::Failed;
        next = *fresh;
    }
}

bool InsertMemoLine(TFormFBDB& db, const std::string& table, FieldList& row,
                    const ReadResult<double>& sortNumber, const std::string& text, std::int32_t memberNumber,
                    std::int32_t* newN) {
    std::int32_t n = 0;
    if (!sortNumber || StoreNewMemoLine(
                           db, table, row, n, [&sortNumber] { return sortNumber; }, text, memberNumber) !=
                           NewLineResult::Stored)
        return false;
    if (newN)
        *newN = n;
    return true;
}

ReadResult<std::int32_t> NextMemoNumber(TFormFBDB& db, const std::string& table) {
    const ReadResult<std::string> max = db.ReadMax(table, "N", "");
    if (!max)
        return max.failure();
    const std::int32_t largest = ToIntOrZero(*max);
    if (largest == std::numeric_limits<std::int32_t>::max())
        return 0;
    return std::max(largest, 0) + 1;
}

ReadResult<double> LargestSortNumber(TFormFBDB& db, const std::string& table) {
    const ReadResult<std::string> max = db.ReadMax(table, "SN", "");
    if (!max)
        return max.failure();
    return std::max(ToFloatOrZero(*max), 0.0);
}

ReadResult<double> AppendSortNumber(TFormFBDB& db, const std::string& table) {
    const ReadResult<double> largest = LargestSortNumber(db, table);
    if (!largest)
        return largest;
    return *largest + 1.0;
}

std::string LinesAfterCondition(double sortNumber) {
    return "(SN > " + FloatToText(sortNumber) + ") AND (DF = 0)";
}

std::string LinesBeforeCondition(double sortNumber) {
    return "(SN < " + FloatToText(sortNumber) + ") AND (DF = 0)";
}

std::string ShownLinesCondition() {
    return "(SN > 0.0) AND (DF = 0)";
}

std::string LiveLinesCondition() {
    return "DF=0";
}

std::string FindLinesCondition(double sortNumber, bool down, const std::string& column,
                               const std::string& keyword) {
    return (down ? LinesAfterCondition(sortNumber) : LinesBeforeCondition(sortNumber)) + " AND (" + column +
           " LIKE '%" + keyword + "%') ";
}

std::string LineNumberCondition(std::int32_t n) {
    return "N=" + std::to_string(n);
}

double MidSortNumber(double before, double after) {
    const double mid = (before + after) / 2;
    return std::isfinite(mid) ? mid : before / 2 + after / 2;
}

double SortNumberStep(double before, double after, int lines) {
    const double step = (after - before) / (lines + 1);
    return std::isfinite(step) ? step : after / (lines + 1) - before / (lines + 1);
}

bool SortNumberFits(double sortNumber, double after) {
    return std::isfinite(sortNumber) && (sortNumber > 0 || after <= 0);
}

bool MemberNumberFits(std::int32_t memberNumber) {
    return memberNumber >= std::numeric_limits<std::int16_t>::min() &&
           memberNumber <= std::numeric_limits<std::int16_t>::max();
}

ReadResult<bool> ReadMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t n) {
    SetMemoFields(row);
    ReadResult<std::optional<FieldList>> found = db.ReadRow(row, table, LineNumberCondition(n));
    if (!found)
        return found.failure();
    if (!*found)
        return false;
    row = std::move(**found);
    return true;
}

bool ChangeMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, const std::string& text,
                    std::int32_t memberNumber) {
    row[MemoMN].Value = std::to_string(memberNumber);
    row[MemoText].Value = text;
    row[MemoFind].Value = SearchKey(text);
    return db.UpdateRow(table, MemoColumns, row, LineNumberCondition(ToIntOrZero(row[MemoN].Value)));
}

bool DeleteMemoLine(TFormFBDB& db, const std::string& table, std::int32_t n, const std::string& text,
                    std::int32_t memberNumber) {
    if (RemoveSpaces(text).empty())
        return db.DeleteRows(table, LineNumberCondition(n));
    return db.UpdateSet(table, "DF=" + std::to_string(memberNumber), LineNumberCondition(n));
}

std::string MemberListItem(const FieldList& memberRow) {
    return memberRow[0].Value + ":" + memberRow[1].Value;
}

std::string GroupListItem(const FieldList& groupRow) {
    return groupRow[GroupN].Value + ":" + groupRow[GroupName].Value + Codec::sj("－") +
           groupRow[GroupSummary].Value;
}

bool GroupEnded(const FieldList& groupRow) {
    return groupRow.size() > 1 && ToIntOrZero(groupRow[1].Value) != 0;
}

bool GroupHasMember(const FieldList& groupRow, std::int32_t memberNumber) {
    // An empty slot converts to 0, which is nobody's number.
    if (memberNumber == 0)
        return false;
    for (size_t i = 6; i < groupRow.size() && i < static_cast<size_t>(GroupColumns); ++i)
        if (ToIntOrZero(groupRow[i].Value) == memberNumber)
            return true;
    return false;
}

bool CanEditOwnPad(std::int32_t ownerNumber, std::int32_t memberNumber) {
    return memberNumber != 0 && ownerNumber == memberNumber;
}

bool CanEditGroupPad(const FieldList& groupRow, std::int32_t memberNumber) {
    return !GroupEnded(groupRow) && GroupHasMember(groupRow, memberNumber);
}

bool CanReadOpenGroupPad(const FieldList&, std::int32_t) {
    return true;
}

bool CanReadClosedGroupPad(const FieldList& groupRow, std::int32_t memberNumber) {
    return GroupHasMember(groupRow, memberNumber);
}
