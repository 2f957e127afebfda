#pragma once

#include "db/ReadResult.h"
#include "db/TableField.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TFormFBDB;

// The database's tables: the memo table's field list and names, opening a
// memo table, the row rules for new, changed and deleted lines, the field
// lists of the registry tables, and who may edit or read which pad.

inline constexpr int MemoColumns = 6;
inline constexpr int MemberColumns = 3;
inline constexpr int GroupColumns = 21;
inline constexpr int GroupSlots = 15;

// Positions of the memo columns in a memo field list.
enum MemoField : int { MemoN, MemoSN, MemoDF, MemoMN, MemoText, MemoFind };

// Entries 0 to 5 (N, SN, DF, MN, TEXT, FIND) with Name, Caption, Kind and
// Size; the Values are kept. A shorter list is first grown to six entries.
void SetMemoFields(FieldList& fields);

// The three-column MEMBER list: N, NAME, PASS.
void SetMemberFields(FieldList& fields);

// The 21-column OGROUP/CGROUP list: N, ENDED, PSTART, PEND, NAME, OUTLINE, P1..P15.
void SetGroupFields(FieldList& fields);

// Memo table names: "MYMEMO" + member, "OGMEMO" / "CGMEMO" + group, "ALMEMO".
std::string MyMemoTable(std::int32_t memberNumber);
std::string OgMemoTable(std::int32_t groupNumber);
std::string CgMemoTable(std::int32_t groupNumber);
std::string AlMemoTable();

// Whether name is one of the memo table names above (a number without leading zeros).
bool IsMemoTableName(const std::string& name);

// The indexes of a memo table, named after the table: on its page order
// (SN, N) ascending for the page reads and the finds downwards, descending for
// the steps back and the finds upwards; and on N descending, from which the
// server takes the largest registration number (it reads MAX only through a
// descending index). Everything works without them, only slower.
struct MemoIndex {
    std::string name;
    std::string columns; // as in the statement, e.g. "SN,N"
    bool descending;
};
std::vector<MemoIndex> MemoIndexes(const std::string& table);

// Creates them all on a table just created. One the server refuses is left
// out: the table works without it, and qbook2-admin can add it later.
void AddMemoIndexes(TFormFBDB& db, const std::string& table);

// Whether the database has an index of that name.
bool IndexExists(TFormFBDB& db, const std::string& indexName);

// A new memo table from the memo field list, then its indexes and its change
// trigger, which tells the clients showing the pad of every change at once. A
// table whose indexes or trigger cannot be made still works: reads are slower,
// and the clients see its changes at their next refresh. False when the table
// could not be created.
bool CreateMemoTable(TFormFBDB& db, const std::string& table, const FieldList& memoFields);

enum class OpenMemoTableResult { Existing, Created, Failed, Unlisted, Abandoned };

// After a successful Connect: fills rowBuffer with the memo field list and
// makes sure the table exists, creating it (one retry after 5 s) with its
// indexes and change trigger. A table that another client created meanwhile
// counts as existing (and is left as that client made it). When the tables
// cannot be listed nothing is tried and nothing waited for: Unlisted, the
// connection as the failed read left it. When the creation fails twice the
// module is disconnected: Failed; the caller shows the message. When keepWaiting turns false
// during the 5 s (the screen was closed), the wait ends and nothing more is
// done, rowBuffer included: Abandoned.
OpenMemoTableResult OpenMemoTable(TFormFBDB& db, const std::string& table, FieldList& rowBuffer,
                                  const std::function<bool()>& keepWaiting = {});

// One memo row with the given N and sort number, DF 0, MN the member, TEXT and
// its search key; one committed insert.
bool InsertMemoRow(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t n, double sortNumber,
                   const std::string& text, std::int32_t memberNumber);

enum class NewLineResult { Stored, Failed, PadFull };

// Tries at storing one new line while other clients keep taking its number.
inline constexpr int NewLineAttempts = 8;

// A new line: N = next, or largest N + 1 when next is 0; the sort number
// sortNumber gives, asked at every try; DF 0, MN the member, TEXT and its
// search key; one committed insert. When the insert fails because another
// client has stored a line with that number meanwhile, the line is tried
// again after a short random pause with a fresh number: the largest N + 1, or
// a few more at random, so that the clients that lost the race do not meet
// again. At most NewLineAttempts tries in all; any other failure, a failed
// read of a number or of the sort number included, ends at once with nothing
// stored. next receives the number stored. PadFull, with nothing stored,
// when the number would pass the largest INTEGER.
NewLineResult StoreNewMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t& next,
                               const std::function<ReadResult<double>()>& sortNumber, const std::string& text,
                               std::int32_t memberNumber);

// StoreNewMemoLine at a given sort number (a failed read of it stores
// nothing); true when stored. newN receives the N used.
bool InsertMemoLine(TFormFBDB& db, const std::string& table, FieldList& row,
                    const ReadResult<double>& sortNumber, const std::string& text, std::int32_t memberNumber,
                    std::int32_t* newN = nullptr);

// The reads of a pad's lines. Orders: the page order, and the same backwards
// for the reads that step back from a sort number and the finds upwards.
inline constexpr const char* MemoPageOrder = "SN,N";
inline constexpr const char* MemoBackwardOrder = "SN DESC,N DESC";

// Conditions, sort numbers written as FloatToText writes them:
// the live lines after x, "(SN > x) AND (DF = 0)";
std::string LinesAfterCondition(double sortNumber);
// the live lines before x, "(SN < x) AND (DF = 0)";
std::string LinesBeforeCondition(double sortNumber);
// every live line that a page can show, "(SN > 0.0) AND (DF = 0)";
std::string ShownLinesCondition();
// every live line, "DF=0";
std::string LiveLinesCondition();
// the live lines after (down) or before x whose column holds the keyword as
// LIKE compares it, "(SN > x) AND (DF = 0) AND (TEXT LIKE '%k%') ". The
// keyword goes in as it is: its "%" and "_" are wildcards.
std::string FindLinesCondition(double sortNumber, bool down, const std::string& column,
                               const std::string& keyword);
// line n, deleted or not, "N=n".
std::string LineNumberCondition(std::int32_t n);

// The number of a new line: largest N + 1 (deleted lines included; 1 for a
// table without a number above 0); 0 when the largest N is the largest
// INTEGER, so that the pad takes no more lines.
ReadResult<std::int32_t> NextMemoNumber(TFormFBDB& db, const std::string& table);

// The sort number after which lines go at the end: the largest SN of the
// table, or 0 when it has none above 0 (a line at or below 0 shows on no page).
ReadResult<double> LargestSortNumber(TFormFBDB& db, const std::string& table);

// The sort number of a line appended at the end: LargestSortNumber + 1 (1 for an empty table).
ReadResult<double> AppendSortNumber(TFormFBDB& db, const std::string& table);

// The sort number halfway between two, also where their sum passes the largest double.
double MidSortNumber(double before, double after);

// The distance between lines spread evenly between two sort numbers:
// (after - before) / (lines + 1), also where the difference passes the largest double.
double SortNumberStep(double before, double after, int lines);

// Whether a new line may take this sort number, placed before a line with the
// sort number after: a finite number, and one above 0 unless that line is at
// or below 0 itself, since such a line shows on no page.
bool SortNumberFits(double sortNumber, double after);

// Member numbers are stored in the SMALLINT columns DF and MN.
bool MemberNumberFits(std::int32_t memberNumber);

// Reads line n, deleted or not, into row (sized and named as a memo field
// list); false when there is none, row then as it was.
ReadResult<bool> ReadMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, std::int32_t n);

// A changed line whose row has just been read into row: sets MN, TEXT and
// FIND and writes all six columns back (N, SN and DF as read).
bool ChangeMemoLine(TFormFBDB& db, const std::string& table, FieldList& row, const std::string& text,
                    std::int32_t memberNumber);

// A deleted line: a line with text keeps its row with DF set to the member;
// a blank line (nothing left after RemoveSpaces) is removed.
bool DeleteMemoLine(TFormFBDB& db, const std::string& table, std::int32_t n, const std::string& text,
                    std::int32_t memberNumber);

// Entries of a group row.
enum GroupField : size_t { GroupN = 0, GroupStart = 2, GroupEnd = 3, GroupName = 4, GroupSummary = 5 };

// List items: "12:ABC" for a member row, "3:Alpha－Plans" (number, name and
// summary) for a group row.
std::string MemberListItem(const FieldList& memberRow);
std::string GroupListItem(const FieldList& groupRow);

// Over a group row as read from OGROUP or CGROUP (21 entries; missing entries count as empty).
bool GroupEnded(const FieldList& groupRow);
bool GroupHasMember(const FieldList& groupRow, std::int32_t memberNumber);

// Only the owner edits an own pad; everybody reads it.
bool CanEditOwnPad(std::int32_t ownerNumber, std::int32_t memberNumber);
// Open and closed group pads: participants while the group runs.
bool CanEditGroupPad(const FieldList& groupRow, std::int32_t memberNumber);
// An open group's pad is read by everybody.
bool CanReadOpenGroupPad(const FieldList& groupRow, std::int32_t memberNumber);
// A closed group's pad is read by its participants only.
bool CanReadClosedGroupPad(const FieldList& groupRow, std::int32_t memberNumber);
