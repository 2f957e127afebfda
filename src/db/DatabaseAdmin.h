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

} // namespace DatabaseAdmin
