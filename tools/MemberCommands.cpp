// member-add, member-set, member-list and member-remove: the MEMBER table.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "AdminValues.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <optional>
#include <ostream>
#include <utility>

namespace {

// The groups that list member as a participant, as "open group 3" and so on.
ReadResult<std::vector<std::string>> groupsNaming(AdminSession& session, const std::string& member) {
    std::vector<std::string> groups;
    for (const char* kindName : {"open", "closed"}) {
        GroupKind kind;
        ParseGroupKind(kindName, kind);
        const ReadResult<bool> found = session.hasTable(kind.table);
        if (!found)
            return found.failure();
        if (!*found)
            continue;
        const ReadResult<std::vector<FieldList>> rows = session.rows(kind.table, GroupFields());
        if (!rows)
            return rows.failure();
        for (const FieldList& row : *rows)
            if (GroupHasMember(row, ToIntOrZero(member)))
                groups.push_back(kind.word + " " + row[GroupN].Value);
    }
    return groups;
}

} // namespace

namespace AdminCommands {

int MemberAdd(AdminSession& session, const CommandArgs& args) {
    FieldList fields = MemberFields();
    std::string number, name, password, error;
    if (!ParseNumber(args.positional[0], "the member number", MaxMemberNumber, number, error) ||
        !StoredText(args.positional[1], "the name", fields[1], true, name, error) ||
        !StoredText(args.positional[2], "the password", fields[2], true, password, error))
        return session.fail(error);
    if (!session.connect() || !session.requireTable("MEMBER"))
        return kAdminFailed;
    const ReadResult<std::optional<FieldList>> existing = session.row("MEMBER", number, fields);
    if (!existing)
        return kAdminFailed;
    if (*existing)
        return session.fail("member " + number + " already exists (" + Codec::toUtf8((**existing)[1].Value) +
                            ")");
    fields[0].Value = number;
    fields[1].Value = name;
    fields[2].Value = password;
    if (!session.db().InsertRow("MEMBER", MemberColumns, fields))
        return session.fail("cannot add member " + number + ": " + session.lastError());
    session.out() << "member " << number << " added\n";
    return kAdminOk;
}

int MemberSet(AdminSession& session, const CommandArgs& args) {
    FieldList fields = MemberFields();
    std::string number, name, password, error;
    if (!ParseNumber(args.positional[0], "the member number", MaxMemberNumber, number, error) ||
        (args.has("--name") &&
         !StoredText(args.options.at("--name"), "the name", fields[1], true, name, error)) ||
        (args.has("--password") &&
         !StoredText(args.options.at("--password"), "the password", fields[2], true, password, error)))
        return session.fail(error);
    if (!session.connect() || !session.requireTable("MEMBER"))
        return kAdminFailed;
    ReadResult<std::optional<FieldList>> member = session.row("MEMBER", number, fields);
    if (!member)
        return kAdminFailed;
    if (!*member)
        return session.fail("there is no member " + number);
    fields = std::move(**member);
    if (args.has("--name"))
        fields[1].Value = name;
    if (args.has("--password"))
        fields[2].Value = password;
    if (!session.db().UpdateRow("MEMBER", MemberColumns, fields, "N=" + number))
        return session.fail("cannot change member " + number + ": " + session.lastError());
    session.out() << "member " << number << " changed\n";
    return kAdminOk;
}

int MemberList(AdminSession& session, const CommandArgs&) {
    if (!session.connect() || !session.requireTable("MEMBER"))
        return kAdminFailed;
    const ReadResult<std::vector<FieldList>> members = session.rows("MEMBER", MemberFields());
    if (!members)
        return kAdminFailed;
    for (const FieldList& member : *members)
        session.out() << Codec::toUtf8(member[0].Value) << "\t" << Codec::toUtf8(member[1].Value) << "\t"
                      << Codec::toUtf8(member[2].Value) << "\n";
    return kAdminOk;
}

int MemberRemove(AdminSession& session, const CommandArgs& args) {
    std::string number, error;
    if (!ParseNumber(args.positional[0], "the member number", MaxMemberNumber, number, error))
        return session.fail(error);
    if (!session.connect() || !session.requireTable("MEMBER"))
        return kAdminFailed;
    const ReadResult<bool> exists = session.memberExists(number);
    if (!exists)
        return kAdminFailed;
    if (!*exists)
        return session.fail("there is no member " + number);
    if (!session.db().DeleteRows("MEMBER", "N=" + number))
        return session.fail("cannot remove member " + number + ": " + session.lastError());
    session.out() << "member " << number << " removed; its memo table " << MyMemoTable(ToIntOrZero(number))
                  << " is kept\n";
    // The member is gone; a look at the groups that failed still fails the
    // run, so that no note is not taken for "no group lists the member".
    const ReadResult<std::vector<std::string>> groups = groupsNaming(session, number);
    if (!groups)
        return kAdminFailed;
    for (const std::string& group : *groups)
        session.err() << "qbook2-admin: note: " << group << " still lists member " << number
                      << " as a participant\n";
    return kAdminOk;
}

} // namespace AdminCommands
