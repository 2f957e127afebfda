#pragma once

#include "db/ReadResult.h"
#include "db/TableField.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The one data-access module: owns the single connection, transaction and
// statement of the process and hands rows to its callers as text. No
// operation throws or shows anything; each returns its result.
//
// No operation waits for the server longer than the wait limit (10 s unless
// set; connecting as well): a call still waiting then is cancelled and
// counts as a lost connection, which the module lets go.
class TFormFBDB : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds DefaultWaitLimit{10000};

    explicit TFormFBDB(QObject* parent = nullptr);
    ~TFormFBDB() override;

    void SetWaitLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds WaitLimit() const;

    bool Connect(const std::string& locationPrefix, const std::string& fileName, const std::string& user,
                 const std::string& password);
    void Disconnect();
    bool IsConnected() const;
    // Asks the server whether it still serves the connection, without a
    // statement; a connection it no longer serves is let go (false).
    bool Ping();

    bool CreateTable(const std::string& tableName, int count, const FieldList& fields);
    bool InsertRow(const std::string& tableName, int count, const FieldList& fields);
    bool UpdateRow(const std::string& tableName, int count, const FieldList& fields,
                   const std::string& where);
    bool UpdateSet(const std::string& tableName, const std::string& assignment, const std::string& where);
    bool DeleteRows(const std::string& tableName, const std::string& where);
    bool CreateIndex(const std::string& indexName, const std::string& tableName, const std::string& columns,
                     bool descending);
    // A statement of the administration tool (a user, a role, a grant, a
    // database trigger), given as lines, in a transaction of its own, committed.
    bool RunStatement(const std::vector<std::string>& lines);

    // Reads. Each runs in a transaction of its own, closed before it returns,
    // and tells what it found (possibly nothing) from why it failed.

    // The rows of a select (StatementText::SelectRows), each a copy of shape
    // with the Values of its leading entries, one per column of the result;
    // columns beyond shape are left out. With rowLimit above 0 at most
    // rowLimit rows, after the first rowsSkipped rows of the order.
    ReadResult<std::vector<FieldList>> ReadRows(const FieldList& shape, const std::string& columns,
                                                const std::string& tableName, const std::string& where,
                                                const std::string& order, int rowLimit = 0,
                                                int rowsSkipped = 0);
    // The first row of SELECT * (StatementText::SelectRow) as ReadRows gives
    // it, or none.
    ReadResult<std::optional<FieldList>> ReadRow(const FieldList& shape, const std::string& tableName,
                                                 const std::string& where);
    // The largest value of the column as text; empty when no row has one.
    ReadResult<std::string> ReadMax(const std::string& tableName, const std::string& column,
                                    const std::string& where);
    // The names of the user tables, right-trimmed, in name order.
    ReadResult<std::vector<std::string>> ReadTableNames();
    // Whether a user table of that name is among them (see HasTableName).
    ReadResult<bool> ReadTableExists(const std::string& tableName);
    // The rows of a select that StatementText builds whole (one not made of
    // the parts ReadRows takes), as ReadRows gives them.
    ReadResult<std::vector<FieldList>> ReadQuery(const FieldList& shape,
                                                 const std::vector<std::string>& lines);

    // The table's change trigger (StatementText::CreateChangeTrigger), made
    // or replaced, and its removal (harmless without one); each committed.
    bool AddChangeTrigger(const std::string& tableName);
    bool DropChangeTrigger(const std::string& tableName);

    // Live tables. While a table is subscribed, each commit that changed it
    // (announced by its change trigger) emits TableChanged on this object's
    // thread. Subscriptions are counted per name and belong to the module,
    // not to a connection: Disconnect, a failed Connect and a connection the
    // server ended suspend them, and the next Connect takes them up again,
    // then reporting one change each, since changes may have been missed in
    // between. Without a connection, or when the server cannot deliver
    // events, a subscription stays silent.
    void Subscribe(const std::string& tableName);
    void Unsubscribe(const std::string& tableName);
    // Many at once, asking the server anew only once.
    void Subscribe(const std::vector<std::string>& tableNames);
    void Unsubscribe(const std::vector<std::string>& tableNames);
    // Whether the server has been asked for the subscribed tables' events on
    // the connection (it can deliver them and has not gone away since).
    bool Listening() const;

    // Statements sent to the server since the module was made (for tools and benchmarks).
    std::uint64_t StatementCount() const;

    // The client library's text for the failure of the most recent database
    // operation; empty when it succeeded. For tools only: screens never show it.
    std::string LastError() const;
    // Why the most recent operation that failed failed: for the writes, which
    // tell only whether they succeeded.
    DbFailure LastFailure() const;

signals:
    void TableChanged(const std::string& tableName);

private:
    // Disconnects every module whose connection has an event link.
    static void EndEventLinks();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Whether tableName is among tableNames (as ReadTableNames gives them),
// compared without regard to letter case.
bool HasTableName(const std::vector<std::string>& tableNames, const std::string& tableName);
