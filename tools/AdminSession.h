#pragma once

#include "AdminArguments.h"
#include "db/UnitFBDB.h"

#include <iosfwd>
#include <optional>
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

    // Reads that tell what they found, possibly nothing, from a failure,
    // which they report ("cannot read WHAT: why") before they return it.
    template <typename T> ReadResult<T> reported(ReadResult<T> result, const std::string& what) {
        if (!result)
            fail("cannot read " + what + ": " + lastError());
        return result;
    }
    ReadResult<bool> hasTable(const std::string& table);
    // The memo tables of the database, in name order.
    ReadResult<std::vector<std::string>> memoTables();
    // The row of table whose N is number, as shape gives it, or none.
    ReadResult<std::optional<FieldList>> row(const std::string& table, const std::string& number,
                                             const FieldList& shape);
    // Every row of table in N order, as shape gives them.
    ReadResult<std::vector<FieldList>> rows(const std::string& table, const FieldList& shape);
    ReadResult<bool> memberExists(const std::string& number);

private:
    ReadResult<std::vector<std::string>> tableNames();

    ServerOptions Server;
    std::ostream& Out;
    std::ostream& Err;
    TFormFBDB Db;
};
