#pragma once

#include <string>

// Creating and dropping database files, for the administration tool and the
// tests. connectionString is host:path of the file on the server.
namespace DatabaseAdmin {

// A new database: dialect 3, default character set NONE (text is stored as
// code page 932 bytes), default page size. On failure error (if given)
// receives the client library's text.
bool CreateDatabase(const std::string& connectionString, const std::string& user, const std::string& password,
                    std::string* error = nullptr);

// Removes the database file through the server.
bool DropDatabase(const std::string& connectionString, const std::string& user, const std::string& password,
                  std::string* error = nullptr);

// A folder for database files on this machine, owned by the firebird user
// and group with mode 0770: the server may write there, other users may
// neither replace nor plant a file. Without root the caller must be in the
// firebird group (the folder then keeps the caller as its owner). Returns 0,
// or the errno of the step that failed (EEXIST when the folder exists); a
// folder that cannot be given to the server is removed again.
int MakeDatabaseFolder(const std::string& path);

} // namespace DatabaseAdmin
