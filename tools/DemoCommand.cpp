// demo: a database to try the client on, made if it is missing and filled
// once with the demo content.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "AdminValues.h"
#include "DemoData.h"
#include "app/Settings.h"
#include "db/DatabaseAdmin.h"
#include "text/Codec.h"

#include <ostream>

namespace {

bool addMemoLine(AdminSession& session, const std::string& table, std::int32_t member, const char* text) {
    TFormFBDB& db = session.db();
    FieldList fields = MemoFields();
    const ReadResult<bool> exists = session.hasTable(table);
    if (!exists)
        return false;
    if (!*exists && !CreateMemoTable(db, table, fields))
        return session.refuse("cannot create table " + table + ": " + session.lastError());
    if (!InsertMemoLine(db, table, fields, AppendSortNumber(db, table), Codec::fromUtf8(text), member))
        return session.refuse("cannot add a line to " + table + ": " + session.lastError());
    return true;
}

// Connects, creating the database first when there is none.
bool connectOrCreate(AdminSession& session) {
    const ServerOptions& server = session.server();
    if (session.db().Connect(session.locationPrefix(), Settings::DatabaseFileName, server.user,
                             server.password))
        return true;
    const std::string connectError = session.lastError();
    std::string error;
    if (!DatabaseAdmin::CreateDatabase(session.connectionString(), server.user, server.password, &error))
        return session.refuse("cannot connect to " + session.connectionString() + " (" + connectError +
                              ") nor create it (" + Codec::toUtf8(error) + ")");
    session.out() << "created " << session.connectionString() << "\n";
    return session.connect();
}

} // namespace

namespace AdminCommands {

int Demo(AdminSession& session, const CommandArgs&) {
    if (!connectOrCreate(session) || !session.createRegistryTables(true))
        return kAdminFailed;
    TFormFBDB& db = session.db();
    const ReadResult<std::string> largest = session.reported(db.ReadMax("MEMBER", "N", ""), "MEMBER");
    if (!largest)
        return kAdminFailed;
    if (!largest->empty()) {
        session.out() << "MEMBER already has rows: demo data not added\n";
        return kAdminOk;
    }
    for (const DemoMember& member : DemoMembers()) {
        FieldList fields = MemberFields();
        fields[0].Value = member.number;
        fields[1].Value = Codec::fromUtf8(member.name);
        fields[2].Value = Codec::fromUtf8(member.password);
        if (!db.InsertRow("MEMBER", MemberColumns, fields))
            return session.fail(std::string("cannot add member ") + member.number + ": " +
                                session.lastError());
    }
    for (const DemoGroup& group : DemoGroups()) {
        GroupKind kind;
        ParseGroupKind(group.kind, kind);
        FieldList fields = GroupFields();
        fields[GroupN].Value = group.number;
        fields[GroupEndedEntry].Value = group.ended ? "1" : "0";
        fields[GroupStart].Value = group.start;
        fields[GroupEnd].Value = group.end;
        fields[GroupName].Value = Codec::fromUtf8(group.name);
        fields[GroupSummary].Value = Codec::fromUtf8(group.outline);
        for (size_t i = 0; i < group.members.size(); ++i)
            fields[GroupFirstSlot + i].Value = group.members[i];
        if (!db.InsertRow(kind.table, GroupColumns, fields))
            return session.fail("cannot add " + kind.word + " " + group.number + ": " + session.lastError());
    }
    const std::vector<DemoLine> lines = DemoLines();
    for (const DemoLine& line : lines)
        if (!addMemoLine(session, line.table, line.member, line.text))
            return kAdminFailed;
    session.out() << "demo data added: " << DemoMembers().size() << " members, " << DemoGroups().size()
                  << " groups, " << lines.size() << " memo lines\n";
    return kAdminOk;
}

} // namespace AdminCommands
