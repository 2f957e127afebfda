// events-on, events-off and add-memo-indexes: what every memo table of the
// database gets, the tables made by older clients included.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "db/UnitSchema.h"

#include <optional>
#include <ostream>

namespace {

// The memo tables of the database; none when connecting or reading failed
// (the session has said why).
std::optional<std::vector<std::string>> connectedMemoTables(AdminSession& session) {
    if (!session.connect())
        return std::nullopt;
    ReadResult<std::vector<std::string>> memoTables = session.memoTables();
    if (!memoTables)
        return std::nullopt;
    return std::move(*memoTables);
}

int changeEvents(AdminSession& session, bool on) {
    const std::optional<std::vector<std::string>> memoTables = connectedMemoTables(session);
    if (!memoTables)
        return kAdminFailed;
    const std::vector<std::string>& tables = *memoTables;
    for (const std::string& table : tables)
        if (!(on ? session.db().AddChangeTrigger(table) : session.db().DropChangeTrigger(table)))
            return session.fail(
                "cannot " + std::string(on ? "add the change trigger to " : "remove the change trigger of ") +
                table + ": " + session.lastError());
    session.out() << (on ? "change events on for " : "change events off for ") << tables.size()
                  << " memo table" << (tables.size() == 1 ? "" : "s") << "\n";
    return kAdminOk;
}

} // namespace

namespace AdminCommands {

int EventsOn(AdminSession& session, const CommandArgs&) {
    return changeEvents(session, true);
}

int EventsOff(AdminSession& session, const CommandArgs&) {
    return changeEvents(session, false);
}

int AddMemoIndexes(AdminSession& session, const CommandArgs&) {
    const std::optional<std::vector<std::string>> memoTables = connectedMemoTables(session);
    if (!memoTables)
        return kAdminFailed;
    const std::vector<std::string>& tables = *memoTables;
    int added = 0;
    int kept = 0;
    int failed = 0;
    for (const std::string& table : tables) {
        for (const MemoIndex& index : MemoIndexes(table)) {
            const std::string what = "index " + index.name + " on " + table;
            if (IndexExists(session.db(), index.name)) {
                session.out() << "kept " << what << " (it exists)\n";
                ++kept;
            } else if (session.db().CreateIndex(index.name, table, index.columns, index.descending)) {
                std::string columns;
                for (const char c : index.columns)
                    columns += c == ',' ? std::string(", ") : std::string(1, c);
                session.out() << "added " << what << " (" << columns
                              << (index.descending ? ", descending" : "") << ")\n";
                ++added;
            } else {
                session.fail("cannot add " + what + ": " + session.lastError());
                ++failed;
            }
        }
    }
    session.out() << tables.size() << " memo tables: " << added << " indexes added, " << kept << " kept";
    if (failed > 0)
        session.out() << ", " << failed << " failed";
    session.out() << "\n";
    return failed > 0 ? kAdminFailed : kAdminOk;
}

} // namespace AdminCommands
