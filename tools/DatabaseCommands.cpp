// create-db and client-user: the database with its registry tables, and the
// clients' database login with only the rights the client needs.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "app/Settings.h"
#include "db/ClientRights.h"
#include "db/DatabaseAdmin.h"
#include "text/Codec.h"

#include <ostream>
#include <set>
#include <utility>

namespace {

bool validLogin(AdminSession& session, const std::string& name, const std::string& password) {
    if (!ClientRights::IsLoginName(name))
        return session.refuse(
            "the login name must be a letter followed by letters, digits and underscores, at most " +
            std::to_string(ClientRights::LoginNameMax) + " in all, and not SYSDBA, PUBLIC or " +
            ClientRights::ClientRole + ", not \"" + name + "\"");
    if (!ClientRights::IsLoginPassword(password))
        return session.refuse("the login password must be 1 to " +
                              std::to_string(ClientRights::LoginPasswordMax) +
                              " printable ASCII characters without blanks or quotes");
    return true;
}

// Whether table has a row whose column holds name.
ReadResult<bool> exists(AdminSession& session, const std::string& table, const std::string& column,
                        const std::string& name) {
    const ReadResult<std::vector<FieldList>> rows = session.reported(
        session.db().ReadRows(FieldList(1), column, table, column + " = '" + name + "'", ""), table);
    if (!rows)
        return rows.failure();
    return !rows->empty();
}

bool run(AdminSession& session, const std::vector<std::string>& statement, const std::string& what) {
    if (session.db().RunStatement(statement))
        return true;
    return session.refuse("cannot " + what + ": " + session.lastError());
}

// What the login and the client role hold: "HOLDER OBJECT LETTER" each.
ReadResult<std::set<std::string>> heldPrivileges(AdminSession& session, const std::string& login) {
    const auto trimmed = [](const std::string& name) {
        return name.substr(0, name.find_last_not_of(' ') + 1);
    };
    const ReadResult<std::vector<FieldList>> rows = session.reported(
        session.db().ReadRows(FieldList(3), "RDB$USER,RDB$RELATION_NAME,RDB$PRIVILEGE", "RDB$USER_PRIVILEGES",
                              "RDB$USER IN ('" + login + "', '" + ClientRights::ClientRole + "')", ""),
        "the privileges");
    if (!rows)
        return rows.failure();
    std::set<std::string> held;
    for (const FieldList& row : *rows)
        held.insert(trimmed(row[0].Value) + " " + trimmed(row[1].Value) + " " + trimmed(row[2].Value));
    return held;
}

// The login first (its password checked by logging in with it), then the
// role that lists the client logins, the two database triggers that keep
// the memo tables usable by every client login and refuse them any other
// metadata change, and the grants, each given to the login and to the role.
// What is in place is left alone, so a second run changes nothing.
bool grantClientLogin(AdminSession& session, const std::string& name, const std::string& password) {
    using namespace ClientRights;
    const std::string login = LoginName(name);
    TFormFBDB probe;
    const bool passwordHolds =
        probe.Connect(session.locationPrefix(), Settings::DatabaseFileName, login, password);
    probe.Disconnect();
    const ReadResult<bool> known = exists(session, "SEC$USERS", "SEC$USER_NAME", login);
    if (!known)
        return false;
    if (!passwordHolds && !run(session, CreateOrAlterUser(login, password), "create the login " + login))
        return false;
    const ReadResult<std::vector<std::string>> memoTables = session.memoTables();
    if (!memoTables)
        return false;
    // Makes what is not there yet; false (reported) when it could not be looked for or made.
    const auto ensure = [&](const ReadResult<bool>& found, const StatementText::Lines& statement,
                            const std::string& what) {
        return found && (*found || run(session, statement, what));
    };
    if (!ensure(exists(session, "RDB$ROLES", "RDB$ROLE_NAME", ClientRole), CreateRole(), "create the role") ||
        !ensure(exists(session, "RDB$EXCEPTIONS", "RDB$EXCEPTION_NAME", RefusedDdlException),
                CreateRefusedDdlException(), "create the exception " + std::string(RefusedDdlException)))
        return false;
    for (const auto& [trigger, statement] : {std::pair{DdlGuardTrigger, CreateDdlGuardTrigger()},
                                             std::pair{MemoGrantTrigger, CreateMemoGrantTrigger()}})
        if (!ensure(exists(session, "RDB$TRIGGERS", "RDB$TRIGGER_NAME", trigger), statement,
                    "create the trigger " + std::string(trigger)))
            return false;
    // Only what is missing: a privilege held already (from the table's owner,
    // say) is not granted a second time by another grantor.
    const ReadResult<std::set<std::string>> heldRead = heldPrivileges(session, login);
    if (!heldRead)
        return false;
    const std::set<std::string>& held = *heldRead;
    const auto missing = [&](const std::string& holder, const std::string& object,
                             const std::string& letters) {
        std::string absent;
        for (const char letter : letters)
            if (!held.count(holder + " " + object + " " + letter))
                absent += letter;
        return absent;
    };
    const auto grant = [&](const std::string& absent, const std::string& table, const std::string& grantee) {
        return absent.empty() ||
               run(session, GrantOn(absent, table, grantee), "grant " + grantee + " " + table);
    };
    if (!missing(login, ClientRole, "M").empty() &&
        !run(session, GrantRole(login), "grant the role to " + login))
        return false;
    for (const auto& [holder, grantee] :
         {std::pair{login, UserGrantee(login)}, std::pair{std::string(ClientRole), RoleGrantee()}}) {
        for (const char* table : {"MEMBER", "OGROUP", "CGROUP"})
            if (!grant(missing(holder, table, Read), table, grantee))
                return false;
        if (!missing(holder, "SQL$TABLES", "C").empty() &&
            !run(session, GrantCreateTable(grantee), "grant creating tables to " + grantee))
            return false;
        for (const std::string& table : *memoTables)
            if (!grant(missing(holder, table, ReadWrite), table, grantee))
                return false;
    }
    session.out() << "client login " << login
                  << (passwordHolds ? " kept: its password is the one given"
                      : *known      ? " has the password given now"
                                    : " created")
                  << "\n"
                  << login
                  << " reads MEMBER, OGROUP and CGROUP, creates memo tables, and reads and writes every memo "
                  << "table (" << memoTables->size()
                  << " now); it changes no registry row and no other metadata\n";
    return true;
}

} // namespace

namespace AdminCommands {

int CreateDb(AdminSession& session, const CommandArgs& args) {
    const ServerOptions& server = session.server();
    const bool withLogin = args.has("--client-user");
    if (withLogin &&
        !validLogin(session, args.options.at("--client-user"), args.options.at("--client-password")))
        return kAdminFailed;
    std::string error;
    if (!DatabaseAdmin::CreateDatabase(session.connectionString(), server.user, server.password, &error))
        return session.fail("cannot create " + session.connectionString() + ": " + Codec::toUtf8(error));
    if (!session.connect() || !session.createRegistryTables(false)) {
        // A database without its registry tables is of no use: remove it again.
        session.db().Disconnect();
        DatabaseAdmin::DropDatabase(session.connectionString(), server.user, server.password, &error);
        return kAdminFailed;
    }
    session.out() << "created " << session.connectionString()
                  << " with the tables MEMBER, OGROUP and CGROUP\n";
    if (withLogin &&
        !grantClientLogin(session, args.options.at("--client-user"), args.options.at("--client-password")))
        return kAdminFailed;
    return kAdminOk;
}

int ClientUser(AdminSession& session, const CommandArgs& args) {
    const std::string& name = args.positional[0];
    const std::string& password = args.positional[1];
    if (!validLogin(session, name, password))
        return kAdminFailed;
    if (!session.connect() || !session.requireTable("MEMBER") || !session.requireTable("OGROUP") ||
        !session.requireTable("CGROUP"))
        return kAdminFailed;
    return grantClientLogin(session, name, password) ? kAdminOk : kAdminFailed;
}

} // namespace AdminCommands
