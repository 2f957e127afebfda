#include "memo/MemoScreen.h"

#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "memo/LineWriters.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTime>
#include <QTimer>

// The page of the memo screen: loading it, the paging buttons, and the
// refreshes by the timer, by hand and for changes of the pad.

TMemoScreen::Outcome TMemoScreen::LoadPage() {
    return LoadPageAt(PageStart(), true);
}

TMemoScreen::Outcome TMemoScreen::LoadPageAt(double pageStart, bool memberAsked) {
    // What the page is about to show includes every change announced so far.
    ChangePending = false;
    if (!Ready()) {
        ShowPage({{}, true});
        return {};
    }
    const ReadResult<MemoPage> page = ReadDb(memberAsked, [&] { return Page.ReadPage(*Db, pageStart); });
    if (!page) {
        ShowReadFailureMark(page.failure());
        return page.failure();
    }
    Page.MoveTo(pageStart);
    ShowPage(*page);
    LastReadTime = Codec::fromQString(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    ClearReadFailureMark();
    return {};
}

// The rows of the page before are overwritten, not made anew: nothing is drawn
// before the handler ends, and a cell that has not changed costs nothing,
// which is what most refreshes find.
void TMemoScreen::ShowPage(const MemoPage& page) {
    Loading = true;
    // Where the selection was: on a line, or on the append row.
    int r = CurrentRow();
    bool onAppendRow = false;
    if (Cell(0, r).empty() && r > 0) {
        onAppendRow = true;
        r -= 1;
    }
    const double remembered = ToFloatOrZero(Cell(0, r));

    const int lines = static_cast<int>(page.lines.size());
    const int rows = lines + (page.appendRow || lines == 0 ? 1 : 0);
    SG1->setRowCount(rows);
    int found = -1;
    {
        // The grid hears of the new page once, not of every cell.
        const QSignalBlocker quiet(SG1->model());
        static const MemoPageLine appendRow;
        for (int i = 0; i < rows; ++i) {
            const MemoPageLine& line = i < lines ? page.lines[static_cast<size_t>(i)] : appendRow;
            SetCell(0, i, line.sortNumber);
            SetCell(1, i, line.number);
            SetCell(2, i, line.text);
            LineWriters::Mark(SG1->item(i, 2), line.writer);
            if (found < 0 && !line.sortNumber.empty() &&
                ToFloatOrZero(line.sortNumber) >= remembered - Tolerance)
                found = i;
        }
    }
    emit SG1->model()->dataChanged(SG1->model()->index(0, 0), SG1->model()->index(rows - 1, 2));
    SG1->setCurrentCell(onAppendRow ? rows - 1 : std::max(found, 0), 2);
    if (lines > 0)
        SG1->setColumnWidth(1, 1);
    Loading = false;
}

// ---- Paging ------------------------------------------------------------------------------------

void TMemoScreen::ButtonAClick() {
    FirstPage();
}

void TMemoScreen::ButtonBClick() {
    PreviousPage();
}

void TMemoScreen::ButtonCClick() {
    NextPage();
}

void TMemoScreen::ButtonDClick() {
    LastPage();
}

// On the first page, the first and the previous page only select row 0.
bool TMemoScreen::StaysOnFirstPage() {
    if (PageStart() > 0)
        return false;
    SelectRow(0);
    return true;
}

TMemoScreen::Outcome TMemoScreen::FirstPage() {
    if (!Ready() || StaysOnFirstPage())
        return {};
    Timer1->stop();
    return EndPageMove(LoadPageAt(0.0), false);
}

TMemoScreen::Outcome TMemoScreen::PreviousPage() {
    if (!Ready() || StaysOnFirstPage())
        return {};
    Timer1->stop();
    return EndPageMove(LoadPageFrom(&MemoPageModel::PreviousPageStart), true);
}

// Nothing at all when the page already ends with the append row.
TMemoScreen::Outcome TMemoScreen::NextPage() {
    const int last = RowCount() - 1;
    if (!Ready() || Cell(0, last).empty())
        return {};
    Timer1->stop();
    // The last line of the page becomes the first of the next.
    return EndPageMove(LoadPageAt(ToFloatOrZero(Cell(0, last > 0 ? last - 1 : last))), false);
}

TMemoScreen::Outcome TMemoScreen::LastPage() {
    if (!Ready())
        return {};
    Timer1->stop();
    return EndPageMove(LoadPageFrom(&MemoPageModel::LastPageStart), true);
}

TMemoScreen::Outcome TMemoScreen::LoadPageFrom(ReadResult<double> (MemoPageModel::*where)(TFormFBDB&) const) {
    const ReadResult<double> start = ReadDb(true, [&] { return (Page.*where)(*Db); });
    return start ? LoadPageAt(*start) : FailureOf(start);
}

TMemoScreen::Outcome TMemoScreen::EndPageMove(Outcome failure, bool lastRow) {
    if (failure)
        SayFailure("ページを移動出来ませんでした", failure);
    else
        SelectRow(lastRow ? RowCount() - 1 : 0);
    RestartTimer();
    return failure;
}

// ---- Refresh -----------------------------------------------------------------------------------

void TMemoScreen::Refresh(const std::string& busyText, bool memberAsked) {
    Timer1->stop();
    const QString kept = StatusLabel->text();
    SetStatus(busyText);
    const Outcome failure = LoadPageAt(PageStart(), memberAsked);
    StatusLabel->setText(kept);
    StatusLabel->repaint();
    if (failure && memberAsked)
        SayFailure("めもを更新出来ませんでした", failure);
    RestartTimer();
}

void TMemoScreen::Timer1Timer() {
    Refresh(Codec::sj("◆自動更新中◆"), false);
}

void TMemoScreen::ButtonKClick() {
    Refresh(Codec::sj("●○o 手動更新中 o○●"), true);
}

void TMemoScreen::StartLiveUpdates() {
    LiveTable = TableName();
    Db->Subscribe(LiveTable);
    LastLiveRefresh = Platform::tickCount() - LiveRefreshGap;
}

void TMemoScreen::StopLiveUpdates() {
    LiveTimer->stop();
    ChangePending = false;
    if (Db && !LiveTable.empty())
        Db->Unsubscribe(LiveTable);
    LiveTable.clear();
}

void TMemoScreen::OnTableChanged(const std::string& table) {
    if (LiveTable.empty() || table != LiveTable)
        return;
    ChangePending = true;
    ScheduleLiveRefresh();
}

void TMemoScreen::ScheduleLiveRefresh() {
    if (!ChangePending || LiveTimer->isActive())
        return;
    const std::uint32_t since = Platform::tickCount() - LastLiveRefresh;
    LiveTimer->start(since >= LiveRefreshGap ? 0 : static_cast<int>(LiveRefreshGap - since));
}

// The timer runs exactly while the screen is idle: no action is under way and
// the member is not typing (where typing holds the refresh). Otherwise the
// change waits until the timer is started again.
void TMemoScreen::LiveRefresh() {
    if (!ChangePending || !Timer1->isActive())
        return;
    LastLiveRefresh = Platform::tickCount();
    Timer1Timer();
}
