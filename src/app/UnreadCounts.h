#pragma once

#include "app/ReadablePads.h"
#include "app/SeenMarks.h"
#include "db/ReadResult.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;
class QWidget;
class TFormFBDB;

// How many lines other members have written to each pad the member may read
// (the own pad excepted) since the member's screens last showed it: the live
// lines above the pad's seen mark (the largest N a screen showed, SeenMarks)
// that another member wrote. A pad on a screen counts 0 while it is there.
//
// The counts follow the server's change events of every readable pad over a
// connection of their own, which the screens' connections never replace: a
// change of a pad that no screen shows costs one statement, and while nothing
// changes nothing is read (at each refresh interval a ping, no statement,
// finds a connection the server no longer serves, which is then made again
// with every count read anew). Where the server delivers no events, and for
// tables without the change trigger, the counts are read at the refresh
// interval instead.
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

    // Whether a new line by another member is announced (UnreadTray).
    bool NoticesOn() const { return Marks.NoticesOn(); }
    void SetNoticesOn(bool on);

    // The connection of the counts (for the statement count).
    TFormFBDB& Db() { return *Module; }

signals:
    // A count, a failure or the list of pads changed.
    void Changed();
    // Another member wrote added lines to a pad that no screen shows.
    void NewLines(const std::string& table, int added);

private:
    Pad* FindPad(const std::string& table);
    bool Shown(const std::string& table) const;
    // Connects if needed and reads the pads, then all counts.
    void RefreshAll(bool announce);
    // Which pads have their tables; false (said) when that could not be read.
    bool LookUpTables();
    // Which tables exist, then the count of every pad.
    void ReadAllCounts(bool announce);
    // A pad (its position in PadList) to read, and whether an increase is announced.
    struct CountRead {
        size_t position;
        bool announce;
    };
    // Reads the counts of these pads in as few statements as may be. full:
    // all pads are read, which is when, the first time for the member, the
    // lines already there are taken as seen.
    bool ReadCounts(const std::vector<CountRead>& reads, bool full);
    void ReadPending();
    void OnTableChanged(const std::string& table);
    void OnWatch();
    void Fail(DbFailure failure);
    void SaveSoon();

    std::unique_ptr<TFormFBDB> Module;
    SeenMarks Marks;
    bool Running = false;
    std::int32_t Member = 0;
    std::vector<Pad> PadList;
    std::vector<std::string> Subscribed;
    std::map<std::int32_t, std::string> MemberNames;
    std::optional<DbFailure> LastFailure;
    std::function<bool(const std::string&)> ShownTest;
    std::map<std::string, bool> Pending; // tables to read, and whether an increase is announced
    QTimer* WatchTimer = nullptr;
    QTimer* PendingTimer = nullptr;
    QTimer* RefreshTimer = nullptr;
    QTimer* SaveTimer = nullptr;
};
