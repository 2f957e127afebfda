#include "app/UnreadCounts.h"

#include "app/ReadFailureText.h"
#include "app/Settings.h"
#include "db/StatementText.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QEvent>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <numeric>

namespace {

// The seen marks are written this long after the last change.
constexpr int SaveDelayMs = 1000;

// Runs an action once, after the first paint of a window.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* window, std::function<void()> action)
        : QObject(window), Action(std::move(action)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, parent(), Action);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> Action;
};

} // namespace

UnreadCounts::UnreadCounts(QObject* parent)
    : QObject(parent), ReaderThread(new QThread(this)), Reader(new UnreadReader) {
    qRegisterMetaType<std::string>("std::string");
    Reader->moveToThread(ReaderThread);
    connect(Reader, &UnreadReader::TableChanged, this, &UnreadCounts::OnTableChanged);
    ReaderThread->start();
    WatchTimer = new QTimer(this);
    connect(WatchTimer, &QTimer::timeout, this, &UnreadCounts::OnWatch);
    // Changes that arrive together are read together.
    PendingTimer = new QTimer(this);
    PendingTimer->setSingleShot(true);
    PendingTimer->setInterval(0);
    connect(PendingTimer, &QTimer::timeout, this, &UnreadCounts::Dispatch);
    SaveTimer = new QTimer(this);
    SaveTimer->setSingleShot(true);
    SaveTimer->setInterval(SaveDelayMs);
    connect(SaveTimer, &QTimer::timeout, this, [this] { Marks.Save(); });
}

UnreadCounts::~UnreadCounts() {
    Stop();
    // The reader closes its connection (asked by Stop) before its thread ends.
    ReaderThread->quit();
    ReaderThread->wait();
    delete Reader;
}

void UnreadCounts::Start() {
    Stop();
    if (!Settings::DatabaseConfigured() || !Settings::MemberIdentified())
        return;
    Running = true;
    Member = Settings::MemberNumber;
    Login = {Settings::DatabaseLocation, Settings::DatabaseUser, Settings::DatabasePassword};
    Marks.Load(SeenMarks::PathBeside(Settings::DbSettingsFilePath));
    Marks.SetScope(Settings::DatabaseLocation, Member);
    WatchTimer->start(Settings::RefreshSeconds * 1000);
    RefreshWanted = true;
    RefreshAnnounces = false;
    Dispatch();
}

void UnreadCounts::StartAfterPaintOf(QWidget* window) {
    new AfterFirstPaint(window, [this] { Start(); });
}

void UnreadCounts::Stop() {
    const bool wasRunning = Running;
    Running = false;
    FullyRead = false;
    ++Generation;
    Asked = Request::None;
    RefreshWanted = WatchWanted = false;
    WatchTimer->stop();
    PendingTimer->stop();
    Pending.clear();
    InFlight.clear();
    UnreadReader* reader = Reader;
    QMetaObject::invokeMethod(Reader, [reader] { reader->Close(); });
    if (SaveTimer->isActive() || wasRunning) {
        SaveTimer->stop();
        Marks.Save();
    }
    PadList.clear();
    MemberNames.clear();
    LastFailure.reset();
    if (wasRunning)
        emit Changed();
}

void UnreadCounts::RefreshSoon() {
    if (!Running)
        return;
    RefreshWanted = true;
    RefreshAnnounces = true;
    PendingTimer->start();
}

void UnreadCounts::SetShownTest(std::function<bool(const std::string&)> shown) {
    ShownTest = std::move(shown);
}

bool UnreadCounts::Shown(const std::string& table) const {
    return ShownTest && ShownTest(table);
}

UnreadCounts::Pad* UnreadCounts::FindPad(const std::string& table) {
    const auto found =
        std::find_if(PadList.begin(), PadList.end(), [&](const Pad& pad) { return pad.pad.table == table; });
    return found == PadList.end() ? nullptr : &*found;
}

const UnreadCounts::Pad* UnreadCounts::Find(const std::string& table) const {
    return const_cast<UnreadCounts*>(this)->FindPad(table);
}

int UnreadCounts::Count(const std::string& table) const {
    const Pad* pad = Find(table);
    return pad ? pad->count : 0;
}

int UnreadCounts::Total() const {
    return std::accumulate(PadList.begin(), PadList.end(), 0,
                           [](int sum, const Pad& pad) { return sum + pad.count; });
}

int UnreadCounts::Total(PadKind kind) const {
    return std::accumulate(PadList.begin(), PadList.end(), 0, [kind](int sum, const Pad& pad) {
        return sum + (pad.pad.kind == kind ? pad.count : 0);
    });
}

std::optional<std::string> UnreadCounts::MemberName(std::int32_t memberNumber) const {
    const auto found = MemberNames.find(memberNumber);
    if (found == MemberNames.end())
        return std::nullopt;
    return found->second;
}

void UnreadCounts::SetNoticesOn(bool on) {
    Marks.SetNoticesOn(on);
    SaveSoon();
}

void UnreadCounts::SaveSoon() {
    SaveTimer->start();
}

void UnreadCounts::Dispatch() {
    if (!Running || Asked != Request::None)
        return;
    if (RefreshWanted)
        Send(Request::Refresh);
    else if (!Pending.empty())
        Send(Request::Read);
    else if (WatchWanted)
        Send(Request::Watch);
}

void UnreadCounts::Send(Request request) {
    Asked = request;
    UnreadReader* reader = Reader;
    const std::int32_t member = Member;
    const unsigned generation = Generation;
    const auto answer = [this, generation, request](const UnreadReader::Outcome& outcome) {
        QMetaObject::invokeMethod(this, [this, generation, request, outcome] {
            if (generation == Generation)
                Apply(outcome, request);
        });
    };
    switch (request) {
    case Request::Refresh: {
        RefreshWanted = false;
        AskedAnnounces = RefreshAnnounces;
        QMetaObject::invokeMethod(Reader, [reader, answer, login = Login, member, seen = Marks.AllSeen()] {
            answer(reader->Refresh(login, member, seen));
        });
        break;
    }
    case Request::Read: {
        InFlight = std::move(Pending);
        Pending.clear();
        std::vector<StatementText::SeenTable> tables;
        bool lookUp = false;
        for (const auto& [table, announce] : InFlight)
            if (const Pad* pad = FindPad(table)) {
                tables.push_back({table, Marks.Seen(table)});
                // A change reported after a reconnect does not tell that the table exists.
                lookUp = lookUp || !pad->exists;
            }
        QMetaObject::invokeMethod(Reader, [reader, answer, member, tables, lookUp] {
            answer(reader->Read(member, tables, lookUp));
        });
        break;
    }
    case Request::Watch: {
        WatchWanted = false;
        // Tables made by copies of the program that knew nothing of events
        // tell no change: those are read at the interval.
        std::vector<StatementText::SeenTable> silent;
        for (const Pad& pad : PadList)
            if (pad.exists && !pad.live)
                silent.push_back({pad.pad.table, Marks.Seen(pad.pad.table)});
        QMetaObject::invokeMethod(
            Reader, [reader, answer, member, silent] { answer(reader->Watch(member, silent)); });
        break;
    }
    case Request::None:
        break;
    }
}

void UnreadCounts::Apply(const UnreadReader::Outcome& outcome, Request request) {
    Asked = Request::None;
    Statements = outcome.statements;
    if (outcome.registry) {
        std::vector<Pad> pads;
        for (const ReadablePad& readable : outcome.registry->pads) {
            Pad pad;
            if (const Pad* known = FindPad(readable.table))
                pad = *known;
            pad.pad = readable;
            pads.push_back(std::move(pad));
        }
        PadList = std::move(pads);
        MemberNames = outcome.registry->memberNames;
    }
    if (outcome.tables)
        for (Pad& pad : PadList) {
            const auto found = outcome.tables->find(StatementText::UpperCaseNames(pad.pad.table));
            pad.exists = found != outcome.tables->end();
            pad.live = pad.exists && found->second;
        }
    if (!outcome.connected && request != Request::Refresh) {
        // The server ended the connection: made again, with every count read anew.
        RefreshWanted = true;
        RefreshAnnounces = true;
    } else if (outcome.failure) {
        LastFailure = outcome.failure;
    } else {
        if (request == Request::Watch && !outcome.listening) {
            // The server delivers no events: every count is read at the interval.
            for (const Pad& pad : PadList)
                Pending.emplace(pad.pad.table, true);
        }
        ApplyRows(outcome, request == Request::Refresh);
        if (request == Request::Refresh)
            FullyRead = true;
        LastFailure.reset();
    }
    InFlight.clear();
    emit Changed();
    Dispatch();
}

void UnreadCounts::ApplyRows(const UnreadReader::Outcome& outcome, bool full) {
    // Until the lines already in the pads have been taken as seen (the first
    // full read for this member), a read of a few pads would count them.
    const bool firstRead = !Marks.Known();
    if (firstRead && !full)
        return;
    std::vector<std::pair<std::string, int>> increases;
    for (const UnreadReader::Row& row : outcome.rows) {
        Pad* pad = FindPad(row.table);
        if (!pad)
            continue;
        int count = row.others;
        if (firstRead) {
            if (!row.largest.empty())
                Marks.Raise(row.table, ToIntOrZero(row.largest));
            count = 0;
        } else if (Marks.Seen(row.table) > row.seen) {
            // A screen showed more of the pad meanwhile: read again.
            Pending.emplace(row.table, false);
        }
        if (Shown(row.table))
            count = 0;
        const auto inFlight = InFlight.find(row.table);
        const bool announce = full ? AskedAnnounces : inFlight != InFlight.end() && inFlight->second;
        if (announce && pad->counted && count > pad->count)
            increases.emplace_back(row.table, count - pad->count);
        pad->count = count;
        pad->counted = true;
    }
    for (Pad& pad : PadList)
        if (!pad.exists && (full || InFlight.count(pad.pad.table))) {
            pad.count = 0;
            pad.counted = true;
        }
    if (firstRead) {
        Marks.SetKnown();
        SaveSoon();
    }
    for (const auto& [table, added] : increases)
        emit NewLines(table, added);
}

void UnreadCounts::OnTableChanged(const std::string& table) {
    if (!Running || !FindPad(table))
        return;
    // The screen showing it reads it for itself.
    if (Shown(table))
        return;
    Pending[table] = true;
    PendingTimer->start();
}

void UnreadCounts::PadShown(const std::string& table, std::int32_t largestShown) {
    if (!Running)
        return;
    Pad* pad = FindPad(table);
    if (!pad)
        return;
    pad->exists = true;
    if (Marks.Raise(table, largestShown))
        SaveSoon();
    if (pad->count != 0) {
        pad->count = 0;
        emit Changed();
    }
}

void UnreadCounts::PadHidden(const std::string& table) {
    if (!Running || !FindPad(table))
        return;
    // Lines written while the pad was on the screen are not announced.
    Pending.emplace(table, false);
    PendingTimer->start();
}

void UnreadCounts::OnWatch() {
    if (!Running)
        return;
    WatchWanted = true;
    Dispatch();
}

QString ShownUnreadCount(int count) {
    return count > 99 ? QStringLiteral("99+") : QString::number(count);
}

std::string UnreadFailureText(DbFailure failure) {
    return Codec::sj("未読の行数を読み込めませんでした（") + ReadFailureReason(failure) + Codec::sj("）");
}
