#include "db/ClientRights.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace ClientRights {

namespace {

using StatementText::Lines;

// The parts one after the other, appended to one string. (GCC 12 takes chains
// of + on temporary strings for writes out of bounds and warns.)
std::string Concat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view part : parts)
        out.append(part);
    return out;
}

// The PSQL test of a memo table name, as IsMemoTableName makes it.
std::string isMemoTable(const std::string& variable) {
    return Concat(
        {"(", variable, " = 'ALMEMO' OR ", variable, " SIMILAR TO '(MYMEMO|OGMEMO|CGMEMO)[1-9][0-9]*')"});
}

// Whether the connected user is a grantee of the client role.
std::string currentUserIsClient() {
    return Concat({"EXISTS (SELECT * FROM RDB$USER_PRIVILEGES WHERE RDB$USER = CURRENT_USER",
                   " AND RDB$USER_TYPE = 8 AND RDB$RELATION_NAME = '", ClientRole,
                   "' AND RDB$PRIVILEGE = 'M')"});
}

const char kReadWriteNames[] = "SELECT, INSERT, UPDATE, DELETE";

} // namespace

bool IsLoginName(const std::string& name) {
    if (name.empty() || name.size() > static_cast<size_t>(LoginNameMax))
        return false;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!letter(name[0]) || !std::all_of(name.begin(), name.end(), [&](char c) {
            return letter(c) || (c >= '0' && c <= '9') || c == '_';
        }))
        return false;
    const std::string upperName = LoginName(name);
    return upperName != "SYSDBA" && upperName != "PUBLIC" && upperName != ClientRole;
}

bool IsLoginPassword(const std::string& password) {
    return !password.empty() && password.size() <= static_cast<size_t>(LoginPasswordMax) &&
           std::all_of(password.begin(), password.end(),
                       [](char c) { return c > ' ' && c < 0x7F && c != '\'' && c != '"'; });
}

std::string LoginName(const std::string& name) {
    std::string out = name;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return out;
}

std::string UserGrantee(const std::string& name) {
    return Concat({"USER ", LoginName(name)});
}

std::string RoleGrantee() {
    return Concat({"ROLE ", ClientRole});
}

Lines CreateOrAlterUser(const std::string& name, const std::string& password) {
    return {Concat({"CREATE OR ALTER USER ", LoginName(name), " PASSWORD '", password, "'"})};
}

Lines CreateRole() {
    return {Concat({"CREATE ROLE ", ClientRole})};
}

Lines GrantRole(const std::string& name) {
    return {Concat({"GRANT ", ClientRole, " TO ", UserGrantee(name)})};
}

Lines GrantOn(const std::string& privileges, const std::string& table, const std::string& grantee) {
    static const std::pair<char, const char*> names[] = {
        {'S', "SELECT"}, {'I', "INSERT"}, {'U', "UPDATE"}, {'D', "DELETE"}};
    std::string list;
    for (const auto& [letter, name] : names)
        if (privileges.find(letter) != std::string::npos)
            list.append(list.empty() ? "" : ", ").append(name);
    return {Concat({"GRANT ", list, " ON ", table, " TO ", grantee})};
}

Lines GrantCreateTable(const std::string& grantee) {
    return {Concat({"GRANT CREATE TABLE TO ", grantee})};
}

Lines CreateRefusedDdlException() {
    return {Concat({"CREATE EXCEPTION ", RefusedDdlException,
                    " 'a client login creates memo tables with their indexes and change triggers and changes "
                    "no other metadata'"})};
}

Lines CreateDdlGuardTrigger() {
    return {Concat({"CREATE TRIGGER ", DdlGuardTrigger, " BEFORE ANY DDL STATEMENT"}), "   AS",
            "   DECLARE EVENT_KIND VARCHAR(31);", "   DECLARE OBJECT_KIND VARCHAR(31);",
            "   DECLARE OBJECT_NAME VARCHAR(63);", "   BEGIN",
            Concat({"      IF (", currentUserIsClient(), ") THEN"}), "      BEGIN",
            "         EVENT_KIND = RDB$GET_CONTEXT('DDL_TRIGGER', 'EVENT_TYPE');",
            "         OBJECT_KIND = RDB$GET_CONTEXT('DDL_TRIGGER', 'OBJECT_TYPE');",
            "         OBJECT_NAME = RDB$GET_CONTEXT('DDL_TRIGGER', 'OBJECT_NAME');",
            // A change trigger is made by CREATE OR ALTER, which Firebird reports as ALTER.
            Concat({"         IF (NOT ((EVENT_KIND = 'CREATE' AND OBJECT_KIND = 'TABLE' AND ",
                    isMemoTable("OBJECT_NAME"), ")"}),
            "                  OR (EVENT_KIND = 'CREATE' AND OBJECT_KIND = 'INDEX')",
            "                  OR (EVENT_KIND IN ('CREATE', 'ALTER') AND OBJECT_KIND = 'TRIGGER'))) THEN",
            Concat({"            EXCEPTION ", RefusedDdlException,
                    " 'not allowed to a client login: ' || EVENT_KIND || ' ' || OBJECT_KIND || ' ' || "
                    "OBJECT_NAME;"}),
            "      END", "   END"};
}

Lines CreateMemoGrantTrigger() {
    return {Concat({"CREATE TRIGGER ", MemoGrantTrigger, " AFTER CREATE TABLE"}),
            "   AS",
            "   DECLARE NEW_TABLE VARCHAR(63);",
            "   DECLARE LOGIN_NAME VARCHAR(63);",
            "   BEGIN",
            "      NEW_TABLE = RDB$GET_CONTEXT('DDL_TRIGGER', 'OBJECT_NAME');",
            Concat({"      IF ", isMemoTable("NEW_TABLE"), " THEN"}),
            "      BEGIN",
            Concat({"         EXECUTE STATEMENT 'GRANT ", kReadWriteNames, " ON ' || NEW_TABLE || ' TO ",
                    RoleGrantee(), "';"}),
            "         FOR SELECT TRIM(RDB$USER) FROM RDB$USER_PRIVILEGES",
            Concat({"             WHERE RDB$RELATION_NAME = '", ClientRole,
                    "' AND RDB$PRIVILEGE = 'M' AND RDB$USER_TYPE = 8"}),
            "             INTO :LOGIN_NAME DO",
            Concat({"            EXECUTE STATEMENT 'GRANT ", kReadWriteNames,
                    " ON ' || NEW_TABLE || ' TO USER \"' || LOGIN_NAME || '\"';"}),
            "      END",
            "   END"};
}

} // namespace ClientRights
