#pragma once

#include "app/ReadablePads.h"
#include "db/ReadResult.h"
#include "db/StatementText.h"

#include <QObject>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TFormFBDB;

// The database side of the unread counts, meant to live on a thread of its
// own, so that a server that is slow or away never holds up the windows: a
// data-access module of its own, which follows the change events of the
// readable pads, and the reads the counts ask for. Each read returns what it
// found; the counts' own state stays with them.
class UnreadReader : public QObject {
    Q_OBJECT
public:
    // How the reader logs in (the current settings when the counts started).
    struct Login {
        std::string location;
        std::string user;
        std::string password;
    };

    // A count as read: the largest N above the seen number (empty when there
    // is none) and the live lines above it that another member wrote.
    struct Row {
        std::string table;
        std::int32_t seen = 0;
        std::string largest;
        int others = 0;
    };

    struct Outcome {
        std::optional<DbFailure> failure; // the reads stopped there
        bool connected = false;
        bool listening = false;
        std::optional<Registry> registry;
        // The user tables (upper case) and whether each has its change trigger.
        std::optional<std::map<std::string, bool>> tables;
        std::vector<Row> rows;
        std::uint64_t statements = 0; // sent by the reader so far
    };

    UnreadReader();
    ~UnreadReader() override;

    // Connects when needed, reads the readable pads, listens for the changes
    // of exactly their tables, looks up which tables exist and reads the
    // counts of those, each above its number in seen (0 when not there).
    Outcome Refresh(const Login& login, std::int32_t member, const std::map<std::string, std::int32_t>& seen);
    // The counts of tables, after looking the tables up when lookUp (tables
    // that do not exist are left out). Without a connection nothing is read.
    Outcome Read(std::int32_t member, const std::vector<StatementText::SeenTable>& tables, bool lookUp);
    // Whether the connection still stands: a ping, no statement, while the
    // server delivers events; then the counts of the silent tables (those
    // without the change trigger) are read.
    Outcome Watch(std::int32_t member, const std::vector<StatementText::SeenTable>& silent);
    // Stops listening and disconnects.
    void Close();

signals:
    // A commit changed a readable pad's table (emitted on the reader's thread).
    void TableChanged(const std::string& table);

private:
    Outcome Finished(Outcome outcome) const;
    bool LookUp(Outcome& outcome);
    bool ReadRows(std::int32_t member, const std::vector<StatementText::SeenTable>& tables, Outcome& outcome);

    TFormFBDB* Module;
    std::vector<std::string> Subscribed; // sorted
};
