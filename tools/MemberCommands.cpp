// member-add, member-set, member-list and member-remove: the MEMBER table.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "AdminValues.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <ostream>

namespace {

// The groups that list member as a participant, as "open group 3" and so on.
std::vector<std::string> groupsNaming(AdminSession& session, const std::string& member) {
    std::vector<std::string> groups;
    for (const char* kindName : {"open", "closed"}) {
        GroupKind kind;
        ParseGroupKind(kindName, kind);
        if (!session.db().TableExists(kind.table))
            continue;
        FieldList fields = GroupFields();
        session.forEachRow(kind.table, fields, [&] {
            if (GroupHasMember(fields, ToIntOrZero(member)))
                groups.push_back(kind.word + " " + fields[GroupN].Value);
        });
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
    if (session.db().SelectRow("MEMBER", "N=" + number, fields))
        return session.fail("member " + number + " already exists (" + Codec::toUtf8(fields[1].Value) + ")");
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
    if (!session.db().SelectRow("MEMBER", "N=" + number, fields))
        return session.fail("there is no member " + number);
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
    FieldList fields = MemberFields();
    session.forEachRow("MEMBER", fields, [&] {
        session.out() << Codec::toUtf8(fields[0].Value) << "\t" << Codec::toUtf8(fields[1].Value) << "\t"
                      << Codec::toUtf8(fields[2].Value) << "\n";
    });
    return kAdminOk;
}

int MemberRemove(AdminSession& session, const CommandArgs& args) {
    std::string number, error;
    if (!ParseNumber(args.positional[0], "the member number", MaxMemberNumber, number, error))
        return session.fail(error);
    if (!session.connect() || !session.requireTable("MEMBER"))
        return kAdminFailed;
    if (!session.memberExists(number))
        return session.fail("there is no member " + number);
    if (!session.db().DeleteRows("MEMBER", "N=" + number))
        return session.fail("cannot remove member " + number + ": " + session.lastError());
    session.out() << "member " << number << " removed; its memo table " << MyMemoTable(ToIntOrZero(number))
                  << " is kept\n";
    for (const std::string& group : groupsNaming(session, number))
        session.err() << "qbook2-admin: note: " << group << " still lists member " << number
                      << " as a participant\n";
    return kAdminOk;
}

} // namespace AdminCommands
