#include "support/TestDatabase.h"

#include "app/Settings.h"
#include "db/DatabaseAdmin.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

std::string envOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string(fallback);
}

} // namespace

bool TestServerRefused() {
    return !envOr("QBOOK2_NO_TEST_SERVER", "").empty();
}

FieldList ColumnsOf(const std::string& columns) {
    size_t count = 1;
    int depth = 0;
    for (const char c : columns) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        count += c == ',' && depth == 0 ? 1 : 0;
    }
    return FieldList(count);
}

std::vector<FieldList> ReadMemoRows(TFormFBDB& db, const std::string& table, const std::string& where,
                                    const std::string& order) {
    FieldList fields;
    SetMemoFields(fields);
    ReadResult<std::vector<FieldList>> rows = db.ReadRows(fields, "*", table, where, order);
    return rows ? std::move(*rows) : std::vector<FieldList>();
}

TestDatabase::TestDatabase(const std::string& suiteName, const std::string& server)
    : server_(server.empty() ? envOr("QBOOK2_TEST_SERVER", "localhost") : server),
      db_(std::make_unique<TFormFBDB>()) {
    if (TestServerRefused()) {
        error_ = "a unit test uses no database server: name the suite in tests/CMakeLists.txt";
        return;
    }
    const std::string base = envOr("QBOOK2_TEST_DATA_DIR", "/var/lib/qbook2");
    const std::string stem = base + "/" + suiteName + "-" + std::to_string(getpid());
    // A second database of the same suite in one process gets a numbered folder.
    for (int attempt = 1;; ++attempt) {
        const std::string candidate = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        const int error = DatabaseAdmin::MakeDatabaseFolder(candidate);
        if (error == 0) {
            folder_ = candidate;
            break;
        }
        if (error != EEXIST) {
            error_ = "cannot create " + candidate + ": " + std::strerror(error);
            return;
        }
    }
    if (!DatabaseAdmin::CreateDatabase(connectionString(), user(), password(), &error_))
        return;
    ok_ = true;
}

TestDatabase::~TestDatabase() {
    db_->Disconnect();
    if (ok_)
        DatabaseAdmin::DropDatabase(connectionString(), user(), password());
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

std::string TestDatabase::server() const {
    return server_;
}

std::string TestDatabase::locationPrefix() const {
    return server() + ":" + folder_ + "/";
}

std::string TestDatabase::fileName() const {
    return Settings::DatabaseFileName;
}

std::string TestDatabase::connectionString() const {
    return locationPrefix() + fileName();
}

std::string TestDatabase::user() const {
    return "SYSDBA";
}

std::string TestDatabase::password() const {
    return envOr("QBOOK2_TEST_DB_PASSWORD", "quillstem");
}

bool TestDatabase::connect(TFormFBDB& db) const {
    return db.Connect(locationPrefix(), fileName(), user(), password());
}

void TestDatabase::useInSettings() const {
    Settings::ServerName = server();
    Settings::ServerFolder = folder_ + "/";
    Settings::DatabaseLocation = Settings::ServerName + ":" + Settings::ServerFolder;
    Settings::DatabaseUser = user();
    Settings::DatabasePassword = password();
}

TFormFBDB& TestDatabase::db() {
    if (!db_->IsConnected())
        connect(*db_);
    return *db_;
}

bool TestDatabase::createRegistry() {
    FieldList member;
    SetMemberFields(member);
    FieldList group;
    SetGroupFields(group);
    return db().CreateTable("MEMBER", MemberColumns, member) &&
           db().CreateTable("OGROUP", GroupColumns, group) && db().CreateTable("CGROUP", GroupColumns, group);
}

bool TestDatabase::addMember(std::int32_t n, const std::string& name, const std::string& password) {
    FieldList fields;
    SetMemberFields(fields);
    fields[0].Value = std::to_string(n);
    fields[1].Value = name;
    fields[2].Value = password;
    return insert("MEMBER", fields);
}

bool TestDatabase::addGroup(const std::string& table, std::int32_t n, bool ended, const std::string& name,
                            const std::string& outline, const std::vector<std::int32_t>& participants,
                            std::int32_t periodStart, std::int32_t periodEnd) {
    FieldList fields;
    SetGroupFields(fields);
    fields[0].Value = std::to_string(n);
    fields[1].Value = ended ? "1" : "0";
    fields[2].Value = std::to_string(periodStart);
    fields[3].Value = std::to_string(periodEnd);
    fields[4].Value = name;
    fields[5].Value = outline;
    for (size_t i = 0; i < participants.size() && i < static_cast<size_t>(GroupSlots); ++i)
        fields[6 + i].Value = std::to_string(participants[i]);
    return insert(table, fields);
}

bool TestDatabase::insert(const std::string& table, const FieldList& fields) {
    if (db().InsertRow(table, static_cast<int>(fields.size()), fields))
        return true;
    error_ = db().LastError();
    return false;
}

bool TestDatabase::runIsql(const std::string& sql) const {
    const std::string command = "isql-fb -q -b -user " + user() + " -password " + password() + " " +
                                connectionString() + " >/dev/null 2>&1";
    FILE* isql = popen(command.c_str(), "w");
    if (!isql)
        return false;
    fputs((sql + "\nCOMMIT;\n").c_str(), isql);
    return pclose(isql) == 0;
}

ScopedObject TestDatabase::createObject(const std::string& create, const std::string& drop) const {
    return ScopedObject(*this, create, drop);
}

ScopedObject::ScopedObject(const TestDatabase& database, const std::string& create, std::string drop)
    : database_(&database), drop_(database.runIsql(create) ? std::move(drop) : std::string()) {}

ScopedObject::ScopedObject(ScopedObject&& other) noexcept
    : database_(other.database_), drop_(std::move(other.drop_)) {
    other.drop_.clear();
}

ScopedObject::~ScopedObject() {
    if (!drop_.empty())
        database_->runIsql(drop_);
}
