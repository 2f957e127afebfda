// deleted-lines and restore-line: the lines of a memo table that members
// deleted. A line deleted with its text keeps its row, marked with the
// deleting member's number in DF; restoring it sets DF back to 0, so that it
// shows again where it was (its N and SN are unchanged). A line deleted
// without text lost its row and cannot come back.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "AdminValues.h"
#include "db/StatementText.h"
#include "db/UnitSchema.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <map>
#include <ostream>

namespace {

// A text of the database as one line of UTF-8: control characters as spaces.
std::string shown(const std::string& sjis) {
    return Codec::toDisplayLine(sjis).toStdString();
}

// The memo table named on the command line, in the upper case the clients name it in.
bool memoTable(AdminSession& session, const std::string& argument, std::string& table) {
    table = StatementText::UpperCaseNames(argument);
    if (!IsMemoTableName(table))
        return session.refuse(argument + " is not a memo table (MYMEMOn, OGMEMOn, CGMEMOn or ALMEMO)");
    if (!session.connect())
        return false;
    const ReadResult<bool> found = session.db().ReadTableExists(table);
    if (!found)
        return session.refuse("cannot list the tables: " + session.lastError());
    if (!*found)
        return session.refuse("the database has no memo table " + table);
    return true;
}

// "2 佐藤花子", or the number alone for a member without a row in MEMBER.
std::string memberText(const std::map<std::int32_t, std::string>& names, const std::string& number) {
    const auto found = names.find(ToIntOrZero(number));
    return RemoveSpaces(number) + (found == names.end() ? std::string() : " " + shown(found->second));
}

std::map<std::int32_t, std::string> memberNames(AdminSession& session) {
    std::map<std::int32_t, std::string> names;
    const ReadResult<std::vector<FieldList>> rows =
        session.db().ReadRows(MemberFields(), "*", "MEMBER", "", "N");
    if (rows)
        for (const FieldList& row : *rows)
            names[ToIntOrZero(row[0].Value)] = row[1].Value;
    return names;
}

} // namespace

namespace AdminCommands {

int DeletedLines(AdminSession& session, const CommandArgs& args) {
    std::string table;
    if (!memoTable(session, args.positional[0], table))
        return kAdminFailed;
    const ReadResult<std::vector<FieldList>> rows =
        session.reported(session.db().ReadRows(MemoFields(), "*", table, "DF<>0", "SN,N"), table);
    if (!rows)
        return kAdminFailed;
    const std::map<std::int32_t, std::string> names = memberNames(session);
    for (const FieldList& row : *rows)
        session.out() << row[MemoN].Value << "\t" << shown(row[MemoText].Value) << "\t"
                      << memberText(names, row[MemoDF].Value) << "\n";
    if (rows->empty())
        session.err() << "qbook2-admin: note: " << table << " has no deleted lines\n";
    return kAdminOk;
}

int RestoreLine(AdminSession& session, const CommandArgs& args) {
    std::string number, error;
    if (!ParseNumber(args.positional[1], "the line number", MaxForKind(1), number, error))
        return session.fail(error);
    std::string table;
    if (!memoTable(session, args.positional[0], table))
        return kAdminFailed;
    const ReadResult<std::optional<FieldList>> row = session.row(table, number, MemoFields());
    if (!row)
        return kAdminFailed;
    if (!*row)
        return session.fail(table + " has no line " + number +
                            " (a line deleted without text is removed, not kept, and cannot be restored)");
    const std::string deletedBy = (**row)[MemoDF].Value;
    if (ToIntOrZero(deletedBy) == 0)
        return session.fail("line " + number + " of " + table + " is not deleted");
    if (!session.db().UpdateSet(table, "DF=0", "N=" + number))
        return session.fail("cannot restore line " + number + " of " + table + ": " + session.lastError());
    session.out() << "line " << number << " of " << table << " restored where it was (deleted by "
                  << memberText(memberNames(session), deletedBy) << ")\n";
    return kAdminOk;
}

} // namespace AdminCommands
