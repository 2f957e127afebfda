#pragma once

#include "db/TableField.h"

#include <cstdint>
#include <string>
#include <vector>

// The SQL statement texts of the data-access module, built as pure functions
// so that every byte sent to the server can be checked without a server.
namespace StatementText {

using Lines = std::vector<std::string>;

// Puts a mixed-case name in double quotes: the first word of the fragment and
// the first word after each comma (words end at blanks, "=" and ","). Text
// between apostrophes is a literal: it is copied unchanged and never splits or
// starts a word, and a word holding a literal is never quoted.
std::string QuoteNames(const std::string& fragment);

// Upper case of the one-byte letters, stepping over two-byte characters so
// that no trail byte is touched.
std::string UpperCaseNames(const std::string& text);

// The SQL type appended after a column name in CREATE TABLE.
std::string TypeText(const TableField& field);

// A value as written into INSERT and UPDATE: kind 4 as a quoted string (NULL
// when empty, apostrophes doubled), every other kind as a bare literal (0 when blank).
std::string RenderValue(const TableField& field);

// Statement lines; count is clamped to the entries the list holds.
Lines CreateTable(const std::string& table, int count, const FieldList& fields);
Lines Insert(const std::string& table, int count, const FieldList& fields);
Lines UpdateRow(const std::string& table, int count, const FieldList& fields, const std::string& where);
Lines UpdateSet(const std::string& table, const std::string& assignment, const std::string& where);
Lines Delete(const std::string& table, const std::string& where);
Lines SelectRow(const std::string& table, const std::string& where);
// With a limit above 0 the select returns at most limit rows, after the
// first skip rows of its order (a ROWS clause); without, every row.
Lines SelectRows(const std::string& columns, const std::string& table, const std::string& where,
                 const std::string& order, int limit = 0, int skip = 0);
Lines SelectMax(const std::string& table, const std::string& column, const std::string& where);
Lines TableNames();

// The user tables, each with the number of its change triggers (0 or 1).
Lines TablesWithChangeTriggers();

// A memo table and the number up to which its lines count as seen.
struct SeenTable {
    std::string table;
    std::int32_t seen = 0;
};
// One row per table, in the order given: its position in the list, the
// largest N above its seen number (NULL when there is none) and how many of
// the live lines (DF 0) above it were written by anyone but member (a line
// without MN counts as another's). One select for all the tables.
Lines NewLineCounts(const std::vector<SeenTable>& tables, std::int32_t member);
Lines CreateIndex(const std::string& index, const std::string& table, const std::string& columns,
                  bool descending);

// The change trigger of a memo table: after every insert, update and delete
// it posts the event named after the table, which the server delivers to the
// listening clients when the transaction commits. Named after the table with
// "_CHANGED" appended; created or replaced, so making it again is harmless.
std::string ChangeTriggerName(const std::string& table);
Lines CreateChangeTrigger(const std::string& table);
// Removes the table's change trigger; a table without one is left as it is.
Lines DropChangeTrigger(const std::string& table);

// The text sent to the server: every line followed by CR LF.
std::string Join(const Lines& lines);

} // namespace StatementText
