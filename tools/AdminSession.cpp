#include "AdminSession.h"

#include "AdminCommand.h"
#include "AdminValues.h"
#include "app/Settings.h"
#include "text/Codec.h"

#include <algorithm>
#include <iterator>
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
    if (Db.TableExists(table))
        return true;
    return refuse("the database has no table " + table + "; create it with create-db");
}

bool AdminSession::createRegistryTables(bool onlyMissing) {
    const std::pair<const char*, FieldList> tables[] = {
        {"MEMBER", MemberFields()}, {"OGROUP", GroupFields()}, {"CGROUP", GroupFields()}};
    for (const auto& [table, fields] : tables) {
        if (onlyMissing && Db.TableExists(table))
            continue;
        if (!Db.CreateTable(table, static_cast<int>(fields.size()), fields))
            return refuse(std::string("cannot create table ") + table + ": " + lastError());
    }
    return true;
}

bool AdminSession::listMemoTables(std::vector<std::string>& tables) {
    Db.TableExists(AlMemoTable());
    if (!Db.LastError().empty())
        return refuse("cannot list the tables: " + lastError());
    std::copy_if(Db.ListBox1().begin(), Db.ListBox1().end(), std::back_inserter(tables), IsMemoTableName);
    return true;
}

bool AdminSession::memberExists(const std::string& number) {
    FieldList fields = MemberFields();
    return Db.SelectRow("MEMBER", "N=" + number, fields);
}

void AdminSession::forEachRow(const std::string& table, FieldList& fields,
                              const std::function<void()>& visit) {
    const int count = Db.SelectRows("*", table, "", "N");
    Db.ReadFirst(fields);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            Db.ReadNext(fields);
        visit();
    }
    Db.CloseQuery();
}
