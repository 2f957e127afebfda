#pragma once

#include "AdminArguments.h"
#include "db/UnitFBDB.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// What every command works with: the database named on the command line, one
// connection to it, and the streams for listings and messages. The helpers
// that report a failure write it to the message stream themselves.
class AdminSession {
public:
    AdminSession(const ServerOptions& server, std::ostream& out, std::ostream& err)
        : Server(server), Out(out), Err(err) {}

    const ServerOptions& server() const { return Server; }
    std::ostream& out() { return Out; }
    std::ostream& err() { return Err; }
    TFormFBDB& db() { return Db; }

    // "server:folder/" and the database's full connection string.
    std::string locationPrefix() const;
    std::string connectionString() const;

    // Reports message; kAdminFailed for a command's result, false where a bool is wanted.
    int fail(const std::string& message);
    bool refuse(const std::string& message);
    // The connection's last error, as UTF-8.
    std::string lastError() const;

    // Each false (reported) when it fails.
    bool connect();
    bool requireTable(const std::string& table);
    bool createRegistryTables(bool onlyMissing);
    // Appends the memo tables of the database.
    bool listMemoTables(std::vector<std::string>& tables);

    bool memberExists(const std::string& number);
    // Reads every row of table in N order into fields, calling visit after each.
    void forEachRow(const std::string& table, FieldList& fields, const std::function<void()>& visit);

private:
    ServerOptions Server;
    std::ostream& Out;
    std::ostream& Err;
    TFormFBDB Db;
};
