#include "app/UnreadCounts.h"

#include "app/Settings.h"
#include "db/StatementText.h"
#include "db/UnitFBDB.h"
#include "text/Func_.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <numeric>
#include <set>

namespace {

// Pads read by one select: well below the server's limit of tables in one statement.
constexpr size_t PadsPerRead = 100;
// The seen marks are written this long after the last change.
constexpr int SaveDelayMs = 1000;

} // namespace

UnreadCounts::UnreadCounts(QObject* parent) : QObject(parent), Module(std::make_unique<TFormFBDB>()) {
    connect(Module.get(), &TFormFBDB::TableChanged, this, &UnreadCounts::OnTableChanged);
    WatchTimer = new QTimer(this);
    connect(WatchTimer, &QTimer::timeout, this, &UnreadCounts::OnWatch);
    // Changes that arrive together are read together.
    PendingTimer = new QTimer(this);
    PendingTimer->setSingleShot(true);
    PendingTimer->setInterval(0);
    connect(PendingTimer, &QTimer::timeout, this, &UnreadCounts::ReadPending);
    RefreshTimer = new QTimer(this);
    RefreshTimer->setSingleShot(true);
    RefreshTimer->setInterval(0);
    connect(RefreshTimer, &QTimer::timeout, this, [this] { RefreshAll(true); });
    SaveTimer = new QTimer(this);
    SaveTimer->setSingleShot(true);
    SaveTimer->setInterval(SaveDelayMs);
    connect(SaveTimer, &QTimer::timeout, this, [this] { Marks.Save(); });
}

UnreadCounts::~UnreadCounts() {
    Stop();
}

void UnreadCounts::Start() {
    Stop();
    if (!Settings::DatabaseConfigured() || !Settings::MemberIdentified())
        return;
    Running = true;
    Member = Settings::MemberNumber;
    Marks.Load(SeenMarks::PathBeside(Settings::DbSettingsFilePath));
    Marks.SetScope(Settings::DatabaseLocation, Member);
    WatchTimer->start(Settings::RefreshSeconds * 1000);
    RefreshAll(false);
}

namespace {

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

void UnreadCounts::StartAfterPaintOf(QWidget* window) {
    new AfterFirstPaint(window, [this] { Start(); });
}

void UnreadCounts::Stop() {
    const bool wasRunning = Running;
    Running = false;
    WatchTimer->stop();
    PendingTimer->stop();
    RefreshTimer->stop();
    Pending.clear();
    if (!Subscribed.empty()) {
        Module->Unsubscribe(Subscribed);
        Subscribed.clear();
    }
    Module->Disconnect();
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
    if (Running)
        RefreshTimer->start();
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

void UnreadCounts::Fail(DbFailure failure) {
    LastFailure = failure;
    emit Changed();
}

void UnreadCounts::RefreshAll(bool announce) {
    if (!Running)
        return;
    if (!Module->IsConnected() && !Settings::ConnectCurrent(*Module)) {
        Fail(DbFailure::ConnectionLost);
        return;
    }
    ReadResult<Registry> registry = ReadReadablePads(*Module, Member);
    if (!registry) {
        Fail(registry.failure());
        return;
    }
    MemberNames = std::move(registry->memberNames);
    std::vector<Pad> pads;
    std::vector<std::string> tables;
    for (ReadablePad& readable : registry->pads) {
        Pad pad;
        if (const Pad* known = FindPad(readable.table))
            pad = *known;
        pad.pad = std::move(readable);
        tables.push_back(pad.pad.table);
        pads.push_back(std::move(pad));
    }
    PadList = std::move(pads);
    // Listening before the counts are read, so that no later change is missed.
    std::vector<std::string> gone, added;
    std::sort(tables.begin(), tables.end());
    std::set_difference(Subscribed.begin(), Subscribed.end(), tables.begin(), tables.end(),
                        std::back_inserter(gone));
    std::set_difference(tables.begin(), tables.end(), Subscribed.begin(), Subscribed.end(),
                        std::back_inserter(added));
    Module->Unsubscribe(gone);
    Module->Subscribe(added);
    Subscribed = std::move(tables);

    ReadAllCounts(announce);
}

bool UnreadCounts::LookUpTables() {
    const ReadResult<std::vector<FieldList>> rows =
        Module->ReadQuery(FieldList(2), StatementText::TablesWithChangeTriggers());
    if (!rows) {
        Fail(rows.failure());
        return false;
    }
    std::map<std::string, bool> tables; // upper-case name: whether it has its change trigger
    for (const FieldList& row : *rows)
        tables[StatementText::UpperCaseNames(RemoveSpaces(row[0].Value))] = ToIntOrZero(row[1].Value) > 0;
    for (Pad& pad : PadList) {
        const auto found = tables.find(StatementText::UpperCaseNames(pad.pad.table));
        pad.exists = found != tables.end();
        pad.live = pad.exists && found->second;
    }
    return true;
}

void UnreadCounts::ReadAllCounts(bool announce) {
    if (!LookUpTables())
        return;
    std::vector<CountRead> all;
    for (size_t i = 0; i < PadList.size(); ++i)
        all.push_back({i, announce});
    ReadCounts(all, true);
}

bool UnreadCounts::ReadCounts(const std::vector<CountRead>& reads, bool full) {
    // Until the lines already in the pads have been taken as seen (the first
    // full read for this member), a read of a few pads would count them.
    const bool firstRead = !Marks.Known();
    if (firstRead && !full)
        return false;
    std::vector<CountRead> existing;
    for (const CountRead& read : reads)
        if (PadList[read.position].exists)
            existing.push_back(read);
    std::vector<std::pair<std::string, int>> increases;
    for (size_t first = 0; first < existing.size(); first += PadsPerRead) {
        const std::vector<CountRead> part(
            existing.begin() + static_cast<std::ptrdiff_t>(first),
            existing.begin() + static_cast<std::ptrdiff_t>(std::min(first + PadsPerRead, existing.size())));
        std::vector<StatementText::SeenTable> tables;
        for (const CountRead& read : part)
            tables.push_back(
                {PadList[read.position].pad.table, Marks.Seen(PadList[read.position].pad.table)});
        const ReadResult<std::vector<FieldList>> rows =
            Module->ReadQuery(FieldList(3), StatementText::NewLineCounts(tables, Member));
        if (!rows) {
            Fail(rows.failure());
            return false;
        }
        for (const FieldList& row : *rows) {
            const size_t at = static_cast<size_t>(ToIntOrZero(row[0].Value));
            if (at >= part.size())
                continue;
            Pad& pad = PadList[part[at].position];
            int count = ToIntOrZero(row[2].Value);
            if (firstRead) {
                if (!row[1].Value.empty())
                    Marks.Raise(pad.pad.table, ToIntOrZero(row[1].Value));
                count = 0;
            }
            if (Shown(pad.pad.table))
                count = 0;
            if (part[at].announce && pad.counted && count > pad.count)
                increases.emplace_back(pad.pad.table, count - pad.count);
            pad.count = count;
            pad.counted = true;
        }
    }
    for (const CountRead& read : reads)
        if (!PadList[read.position].exists) {
            PadList[read.position].count = 0;
            PadList[read.position].counted = true;
        }
    if (firstRead) {
        Marks.SetKnown();
        SaveSoon();
    }
    LastFailure.reset();
    emit Changed();
    for (const auto& [table, added] : increases)
        emit NewLines(table, added);
    return true;
}

void UnreadCounts::OnTableChanged(const std::string& table) {
    if (!Running)
        return;
    if (!FindPad(table))
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

void UnreadCounts::ReadPending() {
    if (!Running || Pending.empty())
        return;
    std::vector<CountRead> reads;
    for (const auto& [table, announce] : Pending)
        if (const Pad* pad = FindPad(table))
            reads.push_back({static_cast<size_t>(pad - PadList.data()), announce});
    Pending.clear();
    if (!Module->IsConnected()) {
        RefreshAll(true);
        return;
    }
    // A pad without its table when last looked may have got it: a change
    // reported after a reconnect does not tell.
    const bool unmade = std::any_of(reads.begin(), reads.end(),
                                    [this](const CountRead& read) { return !PadList[read.position].exists; });
    if (unmade && !LookUpTables())
        return;
    ReadCounts(reads, false);
}

void UnreadCounts::OnWatch() {
    if (!Running)
        return;
    if (Module->IsConnected() && Module->Listening() && Module->Ping()) {
        // Tables made by copies of the program that knew nothing of events
        // tell no change: those are read at the interval.
        std::vector<CountRead> silent;
        for (size_t i = 0; i < PadList.size(); ++i)
            if (PadList[i].exists && !PadList[i].live)
                silent.push_back({i, true});
        if (!silent.empty())
            ReadCounts(silent, false);
        return;
    }
    if (!Module->IsConnected()) {
        RefreshAll(true);
        return;
    }
    // Connected, but the server delivers no events: the counts are read at the interval.
    ReadAllCounts(true);
}
