#include "db/UnitSchema.h"

#include "db/UnitFBDB.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <algorithm>

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

std::string numberCondition(std::int32_t n) {
    return "N=" + std::to_string(n);
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
    const auto exists = [&]() -> std::optional<bool> {
        const ReadResult<std::vector<std::string>> names = db.ReadTableNames();
        if (!names)
            return std::nullopt;
        return HasTableName(*names, table);
    };
    std::optional<bool> found = exists();
    if (found.value_or(false))
        return OpenMemoTableResult::Existing;
    for (int attempt = 1; found; ++attempt) {
        if (CreateMemoTable(db, table, rowBuffer))
            return OpenMemoTableResult::Created;
        // Another client opening the same new pad may have created it first.
        found = exists();
        if (found.value_or(false))
            return OpenMemoTableResult::Existing;
        if (!found || attempt == 2)
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

bool InsertMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, double sortNumber,
                    const std::string& text, std::int32_t memberNumber, std::int32_t* newN) {
    const std::int32_t n = NextMemoNumber(db, table);
    if (!InsertMemoRow(db, table, row, n, sortNumber, text, memberNumber))
        return false;
    if (newN)
        *newN = n;
    return true;
}

std::int32_t NextMemoNumber(TFormFBDB& db, const std::string& table) {
    return ToIntOrZero(db.SelectMax(table, "N", "")) + 1;
}

double LargestSortNumber(TFormFBDB& db, const std::string& table) {
    return ToFloatOrZero(db.SelectMax(table, "SN", ""));
}

double AppendSortNumber(TFormFBDB& db, const std::string& table) {
    return LargestSortNumber(db, table) + 1.0;
}

bool ReadMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t n) {
    SetMemoFields(row);
    return db.SelectRow(table, numberCondition(n), row);
}

bool ChangeMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, const std::string& text,
                    std::int32_t memberNumber) {
    row[MemoMN].Value = std::to_string(memberNumber);
    row[MemoText].Value = text;
    row[MemoFind].Value = SearchKey(text);
    return db.UpdateRow(table, MemoColumns, row, numberCondition(ToIntOrZero(row[MemoN].Value)));
}

bool UpdateMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t n,
                    const std::string& text, std::int32_t memberNumber) {
    return ReadMemoLine(db, table, row, n) && ChangeMemoLine(db, table, row, text, memberNumber);
}

bool DeleteMemoLine(TFormFBDB& db, const std::string& table, std::int32_t n, const std::string& text,
                    std::int32_t memberNumber) {
    if (RemoveSpaces(text).empty())
        return db.DeleteRows(table, numberCondition(n));
    return db.UpdateSet(table, "DF=" + std::to_string(memberNumber), numberCondition(n));
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

bool CanReadClosedGroupPad(const FieldList& groupRow, std::int32_t memberNumber) {
    return GroupHasMember(groupRow, memberNumber);
}
