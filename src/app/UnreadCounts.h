#pragma once

#include "app/ReadablePads.h"
#include "app/SeenMarks.h"
#include "app/UnreadReader.h"
#include "db/ReadResult.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QThread;
class QTimer;
class QWidget;

// How many lines other members have written to each pad the member may read
// (the own pad excepted) since the member's screens last showed it: the live
// lines above the pad's seen mark (the largest N a screen showed, SeenMarks)
// that another member wrote. A pad on a screen counts 0 while it is there.
//
// The counts follow the server's change events of every readable pad over a
// connection of their own, on a thread of their own (UnreadReader), which
// the screens' connections never replace and a slow server never lets hold
// up a window. A change of a pad that no screen shows costs one statement;
// while nothing changes nothing is read (at each refresh interval a ping, no
// statement, finds a connection the server no longer serves, which is then
// made again with every count read anew). Where the server delivers no
// events, and for tables without the change trigger, the counts are read at
// the refresh interval instead.
class UnreadCounts : public QObject {
    Q_OBJECT
public:
    struct Pad {
        ReadablePad pad;
        int count = 0;
        bool exists = false;  // its memo table has been made
        bool live = false;    // the table has its change trigger
        bool counted = false; // count has been read at least once
    };

    explicit UnreadCounts(QObject* parent = nullptr);
    ~UnreadCounts() override;

    // Starts, or starts again, for the current settings: connects, reads the
    // readable pads and their counts, and follows them. Without complete
    // database settings or an identified member it only stops.
    void Start();
    // Start once the window has been painted for the first time.
    void StartAfterPaintOf(QWidget* window);
    // Stops following the pads and forgets them; the seen marks are saved.
    void Stop();
    // Reads the list of readable pads again (a member or a group may be new), soon.
    void RefreshSoon();

    // A screen of this client shows the pad, with lines up to largestShown.
    void PadShown(const std::string& table, std::int32_t largestShown);
    // No screen shows the pad any more: its count is read again.
    void PadHidden(const std::string& table);
    // Whether a screen of this client shows the pad now (none without it).
    void SetShownTest(std::function<bool(const std::string&)> shown);

    bool Active() const { return Running; }
    // Whether every count has been read since the start.
    bool Counted() const { return Running && FullyRead; }
    // Why the counts could not be read, until a read succeeds again.
    std::optional<DbFailure> Failure() const { return LastFailure; }
    const std::vector<Pad>& Pads() const { return PadList; }
    const Pad* Find(const std::string& table) const;
    int Count(const std::string& table) const;
    int Total() const;
    int Total(PadKind kind) const;
    // The member's name as the last reading of the member list gave it.
    std::optional<std::string> MemberName(std::int32_t memberNumber) const;
    std::int32_t Seen(const std::string& table) const { return Marks.Seen(table); }
    // Statements the counts' connection has sent (as last reported by its thread).
    std::uint64_t StatementCount() const { return Statements; }

    // Whether a new line by another member is announced (UnreadTray).
    bool NoticesOn() const { return Marks.NoticesOn(); }
    void SetNoticesOn(bool on);

signals:
    // A count, a failure or the list of pads changed.
    void Changed();
    // Another member wrote added lines to a pad that no screen shows.
    void NewLines(const std::string& table, int added);

private:
    // What the reader is asked to do next; one request runs at a time.
    enum class Request { None, Refresh, Read, Watch };

    Pad* FindPad(const std::string& table);
    bool Shown(const std::string& table) const;
    // Sends the next request when none runs: a refresh, else the pads waiting.
    void Dispatch();
    void Send(Request request);
    void Apply(const UnreadReader::Outcome& outcome, Request request);
    void ApplyRows(const UnreadReader::Outcome& outcome, bool full);
    void OnTableChanged(const std::string& table);
    void OnWatch();
    void SaveSoon();

    QThread* ReaderThread;
    UnreadReader* Reader;
    UnreadReader::Login Login;
    SeenMarks Marks;
    bool Running = false;
    bool FullyRead = false;
    unsigned Generation = 0;       // answers to requests of an earlier start are dropped
    Request Asked = Request::None; // the request running
    bool AskedAnnounces = false;   // whether the refresh running announces increases
    bool RefreshWanted = false;
    bool RefreshAnnounces = false;
    bool WatchWanted = false;
    std::int32_t Member = 0;
    std::vector<Pad> PadList;
    std::map<std::int32_t, std::string> MemberNames;
    std::optional<DbFailure> LastFailure;
    std::uint64_t Statements = 0;
    std::function<bool(const std::string&)> ShownTest;
    std::map<std::string, bool> Pending;  // tables to read, and whether an increase is announced
    std::map<std::string, bool> InFlight; // those of the read running
    QTimer* WatchTimer = nullptr;
    QTimer* PendingTimer = nullptr;
    QTimer* SaveTimer = nullptr;
};

// A count as the launcher's badges and the tray's icon show it: more than 99 as "99+".
QString ShownUnreadCount(int count);
// Says that the unread counts could not be read, and why (code page 932).
std::string UnreadFailureText(DbFailure failure);
