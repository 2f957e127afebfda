#pragma once

#include "db/TableField.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TFormFBDB;

// Every row of a memo table as db reads it (the six memo values per row),
// selected with the where text (may be empty) and in the given order.
std::vector<FieldList> ReadMemoRows(TFormFBDB& db, const std::string& table, const std::string& where,
                                    const std::string& order);

// A shape for TFormFBDB::ReadRows: one empty field per column of the select
// list (a comma inside parentheses parts no columns).
FieldList ColumnsOf(const std::string& columns);

class TestDatabase;

// Whether the run is a unit test's (ctest sets QBOOK2_NO_TEST_SERVER there):
// it uses no database server, so the support makes no database and starts
// no server in it.
bool TestServerRefused();

// A database object made by a test (trigger, exception, sequence), removed
// when the guard goes out of scope, so that a test that fails half-way leaves
// nothing behind for the next one.
class ScopedObject {
public:
    ScopedObject(const TestDatabase& database, const std::string& create, std::string drop);
    ScopedObject(ScopedObject&& other) noexcept;
    ScopedObject(const ScopedObject&) = delete;
    ScopedObject& operator=(const ScopedObject&) = delete;
    ScopedObject& operator=(ScopedObject&&) = delete;
    ~ScopedObject();

    // Whether the create statement succeeded.
    bool ok() const { return !drop_.empty(); }

private:
    const TestDatabase* database_;
    std::string drop_;
};

// A fresh database of its own for one test suite on the test server (the
// one given, else $QBOOK2_TEST_SERVER, default localhost; "localhost/3051" for
// another port):
// $QBOOK2_TEST_DATA_DIR (default /var/lib/qbook2)/<suite>-<pid>/QBOOK.FDB,
// created in the constructor and dropped, with its folder, in the destructor.
// Usable from GoogleTest and Qt Test programs alike; not ok() in a unit test
// (TestServerRefused). Disconnect the modules
// attached to it before it is destroyed, or the server refuses the drop (the
// folder and file are removed all the same).
class TestDatabase {
public:
    explicit TestDatabase(const std::string& suiteName, const std::string& server = {});
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // Whether the folder and the database were created; error() says why not.
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

    // The folder on the server, without a trailing separator.
    const std::string& folder() const { return folder_; }
    // The server's host name, with "/port" when it is not the default port.
    std::string server() const;
    // server() + ":" + folder + "/", the prefix TFormFBDB::Connect takes.
    std::string locationPrefix() const;
    std::string fileName() const;
    // locationPrefix() + fileName().
    std::string connectionString() const;
    std::string user() const;
    std::string password() const;

    // Connects db to this database.
    bool connect(TFormFBDB& db) const;

    // Points the current settings at this database: ServerName, ServerFolder,
    // DatabaseLocation, DatabaseUser and DatabasePassword.
    void useInSettings() const;

    // Creates the registry tables MEMBER, OGROUP and CGROUP.
    bool createRegistry();
    // Rows of the registry (texts in code page 932). Participants fill the
    // slots P1.. in order; the rest stay empty.
    bool addMember(std::int32_t n, const std::string& name, const std::string& password);
    bool addGroup(const std::string& table, std::int32_t n, bool ended, const std::string& name,
                  const std::string& outline, const std::vector<std::int32_t>& participants,
                  std::int32_t periodStart = 0, std::int32_t periodEnd = 0);

    // Runs statements through isql-fb, as a client other than ours would
    // (triggers, exceptions, ending attachments); true when all succeeded.
    bool runIsql(const std::string& sql) const;
    // Runs create through isql; the guard runs drop when it goes out of scope.
    [[nodiscard]] ScopedObject createObject(const std::string& create, const std::string& drop) const;

    // The connection the helpers above use.
    TFormFBDB& db();

private:
    bool insert(const std::string& table, const FieldList& fields);

    std::string server_;
    std::string folder_;
    std::string error_;
    bool ok_ = false;
    std::unique_ptr<TFormFBDB> db_;
};
