#pragma once

#include "db/TableField.h"
#include "db/UnitSchema.h"

#include <cstdint>
#include <string>
#include <vector>

// The values qbook2-admin accepts from its command line, each checked and
// brought into the form the registry tables store, and the rows they go into.

inline constexpr int MaxMemberNumber = 32767; // member numbers live in SMALLINT columns of the memo tables

// Entries of a group row besides those GroupField names: ENDED, and the first
// participant slot (the participants P1..P15 are the last GroupSlots entries).
inline constexpr size_t GroupEndedEntry = GroupN + 1;
inline constexpr int GroupFirstSlot = GroupColumns - GroupSlots;

// A whole number in [1, max], written in decimal digits only; number receives it without leading zeros.
bool ParseNumber(const std::string& text, const std::string& what, long long max, std::string& number,
                 std::string& error);

// The largest key an INTEGER (Kind 1) or SMALLINT column holds.
long long MaxForKind(std::int32_t kind);

// A text argument converted to code page 932. Quotes are refused because
// statement texts carry values between apostrophes unescaped; control
// characters and characters code page 932 cannot hold are refused as well.
bool StoredText(const std::string& utf8, const std::string& what, const TableField& field, bool required,
                std::string& sjis, std::string& error);

// YYYYMMDD, a real calendar day; an empty text clears the date.
bool ParseDate(const std::string& text, const std::string& what, std::string& date, std::string& error);

// "1,2,3" to member numbers; at most GroupSlots, no number twice.
bool ParseMembers(const std::string& text, std::vector<std::string>& members, std::string& error);

// Open or closed groups: their registry table, the memo table of one group, and the word for messages.
struct GroupKind {
    std::string table;
    std::string (*memoTable)(std::int32_t);
    std::string word;
};
bool ParseGroupKind(const std::string& text, GroupKind& kind);

// Empty rows of the registry and memo tables, named and typed.
FieldList MemberFields();
FieldList GroupFields();
FieldList MemoFields();
