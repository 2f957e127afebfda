#include "AdminSession.h"

#include "AdminCommand.h"
#include "AdminValues.h"
#include "app/Settings.h"
#include "text/Codec.h"

#include <algorithm>
#include <ostream>
#include <utility>

std::string AdminSession::locationPrefix() const {
    return Server.server + ":" + Server.folder;
}

std::string AdminSession::connectionString() const {
    return locationPrefix() + Settings::DatabaseFileName;
}

int AdminSession::fail(const std::string& message) {
    Err << "qbook2-admin: " << message << "\n";
    return kAdminFailed;
}

bool AdminSession::refuse(const std::string& message) {
    fail(message);
    return false;
}

std::string AdminSession::lastError() const {
    return Codec::toUtf8(Db.LastError());
}

bool AdminSession::connect() {
    if (Db.Connect(locationPrefix(), Settings::DatabaseFileName, Server.user, Server.password))
        return true;
    return refuse("cannot connect to " + connectionString() + ": " + lastError());
}

bool AdminSession::requireTable(const std::string& table) {
    const ReadResult<bool> found = hasTable(table);
    if (!found)
        return false;
    if (*found)
        return true;
    return refuse("the database has no table " + table + "; create it with create-db");
}

bool AdminSession::createRegistryTables(bool onlyMissing) {
    std::vector<std::string> existing;
    if (onlyMissing) {
        ReadResult<std::vector<std::string>> names = tableNames();
        if (!names)
            return false;
        existing = std::move(*names);
    }
    const std::pair<const char*, FieldList> tables[] = {
        {"MEMBER", MemberFields()}, {"OGROUP", GroupFields()}, {"CGROUP", GroupFields()}};
    for (const auto& [table, fields] : tables) {
        if (HasTableName(existing, table))
            continue;
        if (!Db.CreateTable(table, static_cast<int>(fields.size()), fields))
            return refuse(std::string("cannot create table ") + table + ": " + lastError());
    }
    return true;
}

ReadResult<std::vector<std::string>> AdminSession::tableNames() {
    return reported(Db.ReadTableNames(), "the list of tables");
}

ReadResult<bool> AdminSession::hasTable(const std::string& table) {
    return reported(Db.ReadTableExists(table), "the list of tables");
}

ReadResult<std::vector<std::string>> AdminSession::memoTables() {
    ReadResult<std::vector<std::string>> names = tableNames();
    if (names)
        std::erase_if(*names, [](const std::string& name) { return !IsMemoTableName(name); });
    return names;
}

ReadResult<std::optional<FieldList>> AdminSession::row(const std::string& table, const std::string& number,
                                                       const FieldList& shape) {
    return reported(Db.ReadRow(shape, table, "N=" + number), table);
}

ReadResult<std::vector<FieldList>> AdminSession::rows(const std::string& table, const FieldList& shape) {
    return reported(Db.ReadRows(shape, "*", table, "", "N"), table);
}

ReadResult<bool> AdminSession::memberExists(const std::string& number) {
    const ReadResult<std::optional<FieldList>> member = row("MEMBER", number, MemberFields());
    if (!member)
        return member.failure();
    return member->has_value();
}
