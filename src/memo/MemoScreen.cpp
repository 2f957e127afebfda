#include "memo/MemoScreen.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/ShowChecks.h"
#include "app/WindowStyle.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "editor/UnitEditor.h"
#include "memo/Cp932LengthValidator.h"
#include "memo/LineWriters.h"
#include "platform/Platform.h"
#include "platform/WindowShape.h"
#include "search/UnitGSearch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QHideEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <limits>

namespace {

constexpr int MaxLineBytes = 120;

const char* const PadFullText = "めもの登録番号が上限に達したため、これ以上行を登録出来ません";
const char* const NoRoomText = "この位置にはこれ以上行を挿入出来ません";

const char* const GridHint =
    "めも行の選択中（[↑][↓]移動 [Insert]１行挿入 [Delete]1行削除 [C]1行コピー [V]ペースト）";
const char* const EntryHint = "めもを入力して下さい（半角120文字まで　[Esc]:再入力　[Enter]:登録確定　[↑][↓]["
                              "PageUp][PageDown]:移動）";
const char* const ViewGridHint = "めも行の選択中（[↑][↓]移動 [C]1行コピー）";
const char* const ViewEntryHint = "参照のみ可能です。文字入力は出来ません。[↑][↓][PageUp][PageDown]:移動";

struct ButtonText {
    const char* caption;
    const char* hint;
};

const ButtonText ButtonTexts[11] = {
    {"最初(&F", "最初のページに移動します"},
    {"前へ(&P", "直前のページに移動します"},
    {"次へ(&N", "次のページに移動します"},
    {"最後(&L", "最後のページに移動します"},
    {"検索(&F", "入力した文字を含む行を検索します"},
    {"次検索&T", "前回入力した文字を含む次の行を検索します"},
    {"番号(&B", "行の登録番号で検索します"},
    {"ｴﾃﾞｨﾀ&E", "簡易エディタを起動します　クリップボードへ複数行をコピーする等の場合にどうぞ"},
    {"ﾍﾟｰｽﾄ&V",
     "クリップボードからの貼り付けを行います（１行半角120文字までです；それ以降はカットされます）"},
    {"&G検索", "グローバル検索です　参照可能な他のメモを全て検索します"},
    {"更新(&U", "めも内容を手動更新します"},
};

// Clipboard text split at CR LF, CR or LF; a line end at the very end makes no further line.
QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

// What a paste did, told in the status bar.
struct PasteOutcome {
    int lines = 0;
    int stored = 0;
    // Stored lines in which a character code page 932 cannot hold became "?".
    int replaced = 0;
    bool room = true;     // false: nothing was stored, the sort numbers left no room
    bool padFull = false; // the pad ran out of numbers

    std::string Text() const {
        if (!room)
            return Codec::sj(NoRoomText);
        const int left = lines - stored;
        std::string text;
        // A paste that stored some of its lines must not be repeated: it
        // would store them twice. One that stored none may.
        if (left == 0)
            text = Codec::sj("クリップボードからペーストを行いました");
        else if (stored == 0)
            text = padFull ? Codec::sj(PadFullText)
                           : Codec::sj("ペーストした") + std::to_string(lines) +
                                 Codec::sj("行を登録出来ませんでした。再度行ってみて下さい");
        else
            text = Codec::sj("ペーストした") + std::to_string(lines) + Codec::sj("行のうち") +
                   std::to_string(stored) + Codec::sj("行を登録しました。") +
                   (padFull
                        ? Codec::sj("めもの登録番号が上限に達したため、残りの") + std::to_string(left) +
                              Codec::sj("行は登録出来ません")
                        : Codec::sj("残りの") + std::to_string(left) + Codec::sj("行は登録出来ませんでした"));
        if (replaced > 0)
            text += Codec::sj("（") + std::to_string(replaced) +
                    Codec::sj("行の使用出来ない文字を「?」に置き換えました）");
        return text;
    }
};

// The refusal of a line with a character code page 932 cannot hold, in the
// manner of the refusal of quote characters, with the character's code for
// one that does not show.
QString UnheldCharRefusal(const QString& character) {
    const char32_t code = character.toUcs4().value(0);
    const QString codeText = QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return QString::fromUtf8("文字「") + character + QString::fromUtf8("」（U+") + codeText +
           QString::fromUtf8("）を使用しないで下さい");
}

// The grid of the memo screen. Its keys are the screen's (insert, delete,
// copy, paste); typing a letter does not look for a row starting with it.
class MemoGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    void keyboardSearch(const QString&) override {}
};

// A cell of the grid. It keeps the exact code page 932 bytes of its line
// (UserRole), which the screen reads back; the text shown is made from them
// only when the cell is drawn, so that a page load converts no line that is
// not on the screen.
class MemoCell : public QTableWidgetItem {
public:
    QVariant data(int role) const override {
        if (role != Qt::DisplayRole)
            return QTableWidgetItem::data(role);
        const QByteArray bytes = QTableWidgetItem::data(Qt::UserRole).toByteArray();
        return Codec::toDisplayLine(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    QTableWidgetItem* clone() const override { return new MemoCell(*this); }
};

// Shows a window opened from a memo screen, blocking no window. The
// all-members pad is modal; a window opened from it belongs to it (transient
// to it), which lets it take input while the pad is open.
void ShowBeside(const QWidget* owner, QWidget* window) {
    window->createWinId();
    window->windowHandle()->setTransientParent(owner->isModal() ? owner->windowHandle() : nullptr);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

const MemoAccess EditAccess{true, true, GridHint, EntryHint};
const MemoAccess MemberViewAccess{false, true, ViewGridHint, ViewEntryHint};
// The group viewers leave the refresh running whatever happens in the field.
const MemoAccess GroupViewAccess{false, false, ViewGridHint, ViewEntryHint};

TMemoScreen::TMemoScreen(const MemoScreenConfig& config, QWidget* parent) : QWidget(parent), Config(config) {
    setWindowTitle(WindowStyle::text(config.caption));
    setFont(WindowStyle::gothicFont(13));
    WindowStyle::setBackground(this, QColor(234, 234, 234));

    TopBar = new QWidget(this);
    QPushButton** buttons[11] = {&ButtonA, &ButtonB, &ButtonC, &ButtonD, &ButtonE, &ButtonF,
                                 &ButtonG, &ButtonH, &ButtonI, &ButtonJ, &ButtonK};
    const int buttonTop = config.groupHeader ? 38 : 5;
    for (int i = 0; i < 11; ++i) {
        auto* button = new QPushButton(WindowStyle::text(ButtonTexts[i].caption), TopBar);
        button->setToolTip(WindowStyle::text(ButtonTexts[i].hint));
        button->setGeometry(4 + i * 50, buttonTop, 49, 22);
        button->setFocusPolicy(Qt::NoFocus);
        *buttons[i] = button;
    }
    // "最初(&F" and "検索(&F" share their access key, and Qt presses neither of
    // two buttons that claim one key. The first takes Alt+F, as the first of
    // two controls with one key does elsewhere; find keeps its caption.
    ButtonE->setShortcut(QKeySequence());
    if (config.groupHeader) {
        LabelA1 = new QLabel(WindowStyle::text("グループ名："), TopBar);
        LabelA2 = new QLabel(WindowStyle::text("期間："), TopBar);
        LabelA3 = new QLabel(WindowStyle::text("概略："), TopBar);
        // The group's name and summary are shown as written, never read as markup.
        for (QLabel* label : {LabelA1, LabelA2, LabelA3})
            label->setTextFormat(Qt::PlainText);
    }

    SG1 = new MemoGrid(1, 3, this);
    SG1->horizontalHeader()->hide();
    SG1->horizontalHeader()->setMinimumSectionSize(1);
    SG1->verticalHeader()->hide();
    SG1->verticalHeader()->setDefaultSectionSize(18);
    SG1->setSelectionBehavior(QAbstractItemView::SelectRows);
    SG1->setSelectionMode(QAbstractItemView::SingleSelection);
    SG1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SG1->setShowGrid(true);
    SG1->setTabKeyNavigation(false);
    SG1->setWordWrap(false);
    // The columns fill the grid's width; the numbers shown after a jump widen
    // it for a while, which is no reason to scroll sideways.
    SG1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SG1->installEventFilter(this);

    BottomBar = new QWidget(this);
    Edit1 = new QLineEdit(BottomBar);
    Edit1->setFont(WindowStyle::gothicFont(19));
    Edit1->setValidator(new Cp932LengthValidator(MaxLineBytes, Edit1));
    Edit1->setReadOnly(!config.access->changesPad);
    Edit1->installEventFilter(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    WindowStyle::setBackground(StatusBar1, QColor(192, 192, 192));
    StatusLabel = new QLabel(StatusBar1);
    // Clear of the rounded corner.
    StatusLabel->setContentsMargins(10, 0, 0, 0);
    StatusBar1->addWidget(StatusLabel, 1);

    ButtonI->setEnabled(config.access->changesPad);

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &TMemoScreen::Timer1Timer);
    LiveTimer = new QTimer(this);
    LiveTimer->setSingleShot(true);
    connect(LiveTimer, &QTimer::timeout, this, &TMemoScreen::LiveRefresh);

    connect(ButtonA, &QPushButton::clicked, this, &TMemoScreen::ButtonAClick);
    connect(ButtonB, &QPushButton::clicked, this, &TMemoScreen::ButtonBClick);
    connect(ButtonC, &QPushButton::clicked, this, &TMemoScreen::ButtonCClick);
    connect(ButtonD, &QPushButton::clicked, this, &TMemoScreen::ButtonDClick);
    connect(ButtonE, &QPushButton::clicked, this, &TMemoScreen::ButtonEClick);
    connect(ButtonF, &QPushButton::clicked, this, &TMemoScreen::ButtonFClick);
    connect(ButtonG, &QPushButton::clicked, this, &TMemoScreen::ButtonGClick);
    connect(ButtonH, &QPushButton::clicked, this, &TMemoScreen::ButtonHClick);
    connect(ButtonI, &QPushButton::clicked, this, &TMemoScreen::ButtonIClick);
    connect(ButtonJ, &QPushButton::clicked, this, &TMemoScreen::ButtonJClick);
    connect(ButtonK, &QPushButton::clicked, this, &TMemoScreen::ButtonKClick);
    connect(SG1, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (row >= 0 && row != previousRow)
            SG1SelectCell(row);
    });

    resize(config.width, config.height);
}

// ---- Cells and status --------------------------------------------------------------------------

std::string TMemoScreen::Cell(int column, int row) const {
    const QTableWidgetItem* item = SG1->item(row, column);
    if (!item)
        return {};
    const QByteArray bytes = item->data(Qt::UserRole).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void TMemoScreen::SetCell(int column, int row, const std::string& text) {
    QTableWidgetItem* item = SG1->item(row, column);
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (!item) {
        // Filled before it joins the grid, which then hears of it once.
        item = new MemoCell;
        item->setData(Qt::UserRole, bytes);
        SG1->setItem(row, column, item);
    } else {
        // Unchanged bytes leave the cell alone.
        item->setData(Qt::UserRole, bytes);
    }
}

int TMemoScreen::CurrentRow() const {
    return std::max(SG1->currentRow(), 0);
}

int TMemoScreen::RowCount() const {
    return SG1->rowCount();
}

void TMemoScreen::SelectRow(int row) {
    if (row < 0 || row >= SG1->rowCount())
        return;
    const bool changed = SG1->currentRow() != row;
    SG1->setCurrentCell(row, 2);
    // Selecting the row that is already current still hands its text to the entry field.
    if (!changed)
        SG1SelectCell(row);
}

void TMemoScreen::SetStatus(const std::string& text) {
    ShowStatus(Codec::toQString(text));
}

void TMemoScreen::ShowStatus(const QString& text) {
    StatusLabel->setText(text);
    StatusLabel->repaint();
}

std::string TMemoScreen::StatusText() const {
    return Codec::fromQString(StatusLabel->text());
}

std::string TMemoScreen::EntryText() const {
    return Codec::fromQString(Edit1->text());
}

void TMemoScreen::SetEntryText(const std::string& text) {
    Edit1->setText(Codec::toQString(text));
}

void TMemoScreen::TakeEntryFrom(int row) {
    EntryLineNumber = Cell(1, row);
    EntryLineText = Cell(2, row);
    SetEntryText(EntryLineText);
}

void TMemoScreen::RestartTimer() {
    Timer1->start(Settings::RefreshSeconds * 1000);
    ScheduleLiveRefresh();
}

void TMemoScreen::ResumeTimer() {
    Timer1->start();
    ScheduleLiveRefresh();
}

void TMemoScreen::ShowGridHint() {
    SetStatus(Codec::sj(Config.access->gridHint));
}

void TMemoScreen::ShowEntryHint() {
    SetStatus(Codec::sj(Config.access->entryHint));
}

bool TMemoScreen::CanChangePad() const {
    return Ready && Config.access->changesPad;
}

// A member number past the pad's SMALLINT columns could be written into no
// line: every change is refused, with the reason, instead of failing each time.
bool TMemoScreen::MemberNumberWritable() {
    if (MemberNumberFits(Settings::MemberNumber))
        return true;
    SetStatus(Codec::sj("メンバー番号") + std::to_string(Settings::MemberNumber) +
              Codec::sj("ではめもを変更出来ません（メンバー番号は32767までです）"));
    return false;
}

// Another window may have closed the shared connection (the settings dialog
// disconnects when it closes); a screen that is open reconnects before it reads
// or writes instead of showing an empty pad.
bool TMemoScreen::EnsureConnected() {
    if (!Db)
        return false;
    if (Db->IsConnected())
        return true;
    return Settings::ConnectCurrent(*Db);
}

// ---- Show, close, resize ----------------------------------------------------------------------

void TMemoScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    InFormShow = true;
    FormShow();
    InFormShow = false;
    if (ClosePending) {
        ClosePending = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

// Whether the show handler may go on: the screen was not closed meanwhile,
// neither by a close that waits for the show (see closeEvent) nor by a hide
// (when the handler runs for a window already on the screen).
bool TMemoScreen::StillShowing() const {
    return !ClosePending && isVisible();
}

void TMemoScreen::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        StopLiveUpdates();
}

void TMemoScreen::closeEvent(QCloseEvent* event) {
    // Closed while the show handler waits (before a second table creation):
    // the window goes on the screen only when the show event has returned, and
    // hiding it before would leave it there. The wait ends; the close follows.
    if (InFormShow) {
        ClosePending = true;
        event->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(event);
}

void TMemoScreen::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TMemoScreen::FormShow() {
    Db = forms().FormFBDB;
    connect(Db, &TFormFBDB::TableChanged, this, &TMemoScreen::OnTableChanged, Qt::UniqueConnection);
    StopLiveUpdates();
    Ready = false;
    PageStart = 0.0;
    PageLines = Settings::RowsPerPage;
    TableName.clear();
    FindKeyword.clear();
    UseFindColumn = 0;
    SearchDown = 1;
    Loading = false;
    // Whatever stops the show below, the lines of the pad shown before never
    // stand under this show's header.
    LoadPage();
    TakeEntryFrom(0);

    if (!ConnectOnShow(this, Config.showTest))
        return;
    TableName = Config.tableName();
    Ready = true;
    // Listening before the first page is read, so that no later change is missed.
    StartLiveUpdates();
    const bool opened = OpenMemoTable();
    if (!StillShowing())
        return;
    if (opened) {
        TakeEntryFrom(0);
        ShowGridHint();
    } else {
        Ready = false;
        StopLiveUpdates();
    }
    RestartTimer();
}

void TMemoScreen::ShowPad() {
    if (isVisible() && !(Ready && TableName == Config.tableName())) {
        FormClose();
        FormShow();
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TMemoScreen::FormClose() {
    Timer1->stop();
    StopLiveUpdates();
    RowBuffer.clear();
    // Without its row buffer the screen can read or write nothing.
    Ready = false;
}

void TMemoScreen::FormResize() {
    const bool wasActive = Timer1->isActive();
    Timer1->stop();
    WindowShape::setRoundedRegion(this);
    LayOut();
    SG1->setColumnWidth(0, 1);
    SG1->setColumnWidth(1, 1);
    SG1->setColumnWidth(2, width() - 27);
    // A window that was never shown has no timer to start.
    if (wasActive || isVisible())
        ResumeTimer();
}

void TMemoScreen::LayOut() {
    const int topHeight = Config.groupHeader ? 65 : 33;
    const int bottomHeight = 33;
    const int statusHeight = 20;
    TopBar->setGeometry(0, 0, width(), topHeight);
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    BottomBar->setGeometry(0, height() - statusHeight - bottomHeight, width(), bottomHeight);
    SG1->setGeometry(0, topHeight, width(), std::max(height() - topHeight - bottomHeight - statusHeight, 0));
    Edit1->setGeometry(3, 4, std::max(BottomBar->width() - 6, 20), bottomHeight - 8);
    // The group chooser writes the header texts; each label keeps its place
    // and is wide enough for them.
    if (Config.groupHeader) {
        LabelA1->setGeometry(8, 2, 380, 16);
        LabelA2->setGeometry(392, 2, std::max(width() - 400, 20), 16);
        LabelA3->setGeometry(8, 20, std::max(width() - 16, 20), 16);
    }
}

// ---- Page model -------------------------------------------------------------------------------

bool TMemoScreen::OpenMemoTable() {
    switch (::OpenMemoTable(*Db, TableName, RowBuffer, [this] { return StillShowing(); })) {
    case OpenMemoTableResult::Existing:
        SetStatus(Codec::sj("めも「") + TableName + Codec::sj("」を表示します"));
        break;
    case OpenMemoTableResult::Created:
        SetStatus(Codec::sj("めも「") + TableName + Codec::sj("」を新規作成しました"));
        break;
    case OpenMemoTableResult::Failed:
        Platform::showMessage(this, Codec::sj("テーブル作成が出来ませんでした。確認して下さい。"));
        return false;
    case OpenMemoTableResult::Abandoned:
        return false;
    }
    LoadPage();
    return true;
}

void TMemoScreen::LoadPage() {
    Loading = true;
    // What the page is about to show includes every change announced so far.
    ChangePending = false;
    int r = CurrentRow();
    bool onAppendRow = false;
    if (Cell(0, r).empty() && r > 0) {
        onAppendRow = true;
        r -= 1;
    }
    const double remembered = ToFloatOrZero(Cell(0, r));

    // The page and one line more, which tells whether the page ends with the
    // append row: the count is compared with PageLines only.
    int count = 0;
    const std::string condition = "(SN > " + FloatToText(PageStart) + ") AND (DF = 0)";
    if (Ready && EnsureConnected()) {
        count = Db->SelectRows("*", TableName, condition, PageOrder, PageLines + 1);
        // The server dropped the connection (restart, ended attachment): the
        // module has let it go; one fresh connection, and the page reads again.
        if (count == 0 && !Db->IsConnected() && EnsureConnected())
            count = Db->SelectRows("*", TableName, condition, PageOrder, PageLines + 1);
    }
    if (!Ready || count <= 0) {
        if (Ready)
            Db->CloseQuery();
        SG1->setRowCount(1);
        for (int c = 0; c < 3; ++c)
            SetCell(c, 0, {});
        SG1->setCurrentCell(0, 2);
        Loading = false;
        return;
    }

    // The rows of the last page are overwritten, not made anew: nothing is
    // drawn before the handler ends, and a cell that has not changed costs
    // nothing, which is what most refreshes find.
    const int rows = PageLines < count ? PageLines : count + 1;
    SG1->setRowCount(rows);
    int found = -1;
    {
        // The grid hears of the new page once, not of every cell.
        const QSignalBlocker quiet(SG1->model());
        for (int i = 0; i < rows; ++i) {
            if (i == 0)
                Db->ReadFirst(RowBuffer);
            else
                Db->ReadNext(RowBuffer);
            SetCell(0, i, RowBuffer[MemoSN].Value);
            SetCell(1, i, RowBuffer[MemoN].Value);
            SetCell(2, i, RowBuffer[MemoText].Value);
            LineWriters::Mark(SG1->item(i, 2), RowBuffer[MemoMN].Value);
            if (found < 0 && !RowBuffer[MemoSN].Value.empty() &&
                ToFloatOrZero(RowBuffer[MemoSN].Value) >= remembered - Tolerance)
                found = i;
        }
    }
    emit SG1->model()->dataChanged(SG1->model()->index(0, 0), SG1->model()->index(rows - 1, 2));
    Db->CloseQuery();
    int selected = found >= 0 ? found : 0;
    if (onAppendRow)
        selected = rows - 1;
    SG1->setCurrentCell(selected, 2);
    SG1->setColumnWidth(1, 1);
    Loading = false;
}

// Steps back `steps` lines from the last line of the open result, which holds
// the lines in backward order (BackwardOrder), so at least steps + 1 of them
// unless the pad has no more: the line reached gives PageStart, the top of the
// pad when the stepping ran past the first line; an empty result leaves
// PageStart alone.
void TMemoScreen::StepBackToPageStart(int steps) {
    Db->ReadFirst(RowBuffer);
    for (int i = 0; i < steps; ++i) {
        Db->ReadNext(RowBuffer);
        if (RowBuffer[MemoSN].Value.empty()) {
            PageStart = 0.0;
            break;
        }
    }
    if (!RowBuffer[MemoSN].Value.empty())
        PageStart = ToFloatOrZero(RowBuffer[MemoSN].Value);
    Db->CloseQuery();
}

void TMemoScreen::ButtonAClick() {
    if (!Ready)
        return;
    if (PageStart > 0) {
        Timer1->stop();
        PageStart = 0.0;
        LoadPage();
        SelectRow(0);
        RestartTimer();
    } else {
        SelectRow(0);
    }
}

void TMemoScreen::ButtonBClick() {
    if (!Ready)
        return;
    if (PageStart <= 0) {
        SelectRow(0);
        return;
    }
    Timer1->stop();
    if (EnsureConnected()) {
        // At most PageLines - 2 steps back: PageLines lines before the page
        // are as good as all of them.
        const int count = Db->SelectRows("*", TableName, "(SN < " + FloatToText(PageStart) + ") AND (DF = 0)",
                                         BackwardOrder, PageLines);
        const int a = count == 0 ? 2 : count + 1;
        StepBackToPageStart(std::min(a, PageLines - 1) - 1);
    }
    LoadPage();
    SelectRow(RowCount() - 1);
    RestartTimer();
}

void TMemoScreen::ButtonCClick() {
    if (!Ready)
        return;
    const int last = RowCount() - 1;
    if (Cell(0, last).empty())
        return;
    Timer1->stop();
    PageStart = ToFloatOrZero(Cell(0, last > 0 ? last - 1 : last));
    LoadPage();
    SelectRow(0);
    RestartTimer();
}

void TMemoScreen::ButtonDClick() {
    if (!Ready)
        return;
    Timer1->stop();
    if (EnsureConnected()) {
        // PageLines steps back, and one line more that tells whether the pad
        // has a line before the last page.
        const int count =
            Db->SelectRows("*", TableName, "(SN > 0.0) AND (DF = 0)", BackwardOrder, PageLines + 1);
        StepBackToPageStart(std::min(count, PageLines));
    }
    LoadPage();
    SelectRow(RowCount() - 1);
    RestartTimer();
}

void TMemoScreen::Refresh(const std::string& busyText) {
    Timer1->stop();
    const QString kept = StatusLabel->text();
    SetStatus(busyText);
    LoadPage();
    StatusLabel->setText(kept);
    StatusLabel->repaint();
    RestartTimer();
}

void TMemoScreen::Timer1Timer() {
    Refresh(Codec::sj("◆自動更新中◆"));
}

void TMemoScreen::StartLiveUpdates() {
    LiveTable = TableName;
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

void TMemoScreen::ButtonKClick() {
    Refresh(Codec::sj("●○o 手動更新中 o○●"));
}

void TMemoScreen::ButtonJClick() {
    ShowBeside(this, forms().FormGSearch);
}

// ---- Grid and entry field ------------------------------------------------------------------------

void TMemoScreen::SG1Enter() {
    ShowGridHint();
}

void TMemoScreen::SG1SelectCell(int row) {
    if (Loading)
        return;
    TakeEntryFrom(row);
    ShowGridHint();
}

void TMemoScreen::Edit1Enter() {
    ShowEntryHint();
}

void TMemoScreen::Edit1Exit() {
    ResumeRefreshAfterTyping();
}

void TMemoScreen::HoldRefreshWhileTyping() {
    if (Config.access->fieldPausesRefresh)
        Timer1->stop();
}

void TMemoScreen::ResumeRefreshAfterTyping() {
    if (Config.access->fieldPausesRefresh)
        ResumeTimer();
}

bool TMemoScreen::eventFilter(QObject* watched, QEvent* event) {
    // Focus that comes and goes with the whole window (a dialog opening or
    // closing) is not the member moving between the grid and the entry field.
    const bool windowFocusChange =
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
        (static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason ||
         static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason);
    if (windowFocusChange)
        return QWidget::eventFilter(watched, event);
    if (watched == SG1) {
        if (event->type() == QEvent::FocusIn)
            SG1Enter();
        else if (event->type() == QEvent::KeyPress)
            return SG1KeyDown(static_cast<QKeyEvent*>(event)->key());
    } else if (watched == Edit1) {
        switch (event->type()) {
        case QEvent::FocusIn:
            Edit1Enter();
            break;
        case QEvent::FocusOut:
            Edit1Exit();
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                RegisterLine();
                return true;
            }
            if (Edit1KeyDown(key->key()))
                return true;
            // Typing stops the refresh until the line is registered or the field is left.
            if (!key->text().isEmpty() && key->text().at(0).unicode() >= 32)
                HoldRefreshWhileTyping();
            break;
        }
        case QEvent::InputMethod:
            if (!static_cast<QInputMethodEvent*>(event)->commitString().isEmpty())
                HoldRefreshWhileTyping();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TMemoScreen::SG1KeyDown(int key) {
    switch (key) {
    case Qt::Key_Insert:
        InsertLine();
        return true;
    case Qt::Key_Delete:
        DeleteLine();
        return true;
    case Qt::Key_C:
        CopyLine();
        return true;
    case Qt::Key_V:
        ButtonIClick();
        return true;
    default:
        ShowGridHint();
        return false;
    }
}

bool TMemoScreen::Edit1KeyDown(int key) {
    switch (key) {
    case Qt::Key_Up:
        if (CurrentRow() == 0)
            ButtonBClick();
        else
            SelectRow(CurrentRow() - 1);
        break;
    case Qt::Key_Down:
        if (CurrentRow() != RowCount() - 1)
            SelectRow(CurrentRow() + 1);
        else
            ButtonCClick();
        break;
    case Qt::Key_PageUp:
        ButtonBClick();
        break;
    case Qt::Key_PageDown:
        ButtonCClick();
        break;
    case Qt::Key_Escape:
        TakeEntryFrom(CurrentRow());
        ShowEntryHint();
        return true;
    default:
        ShowEntryHint();
        return false;
    }
    TakeEntryFrom(CurrentRow());
    ShowEntryHint();
    ResumeRefreshAfterTyping();
    return true;
}

void TMemoScreen::CopyLine() {
    const std::string text = Cell(2, CurrentRow());
    Platform::setClipboardText(RemoveSpaces(text).empty() ? Codec::sj("　") : text);
    SetStatus(Codec::sj("１行コピーを行いました"));
}

// ---- Changing the pad -----------------------------------------------------------------------------

// Sort number of the line before grid row `row` (0 when there is none), between
// which and the row new lines go. Before row 0 it is the last live line whose
// sort number is smaller than the row's by more than the tolerance; the page
// then starts right after that line, as an ordinary page does, so that the new
// lines show on it also after a find or a jump (whose page starts just below
// the hit).
double TMemoScreen::SortNumberBeforeRow(int row) {
    if (row > 0)
        return ToFloatOrZero(Cell(0, row - 1));
    if (PageStart <= 0)
        return 0.0;
    const double c = ToFloatOrZero(Cell(0, row));
    Db->SelectRows("*", TableName, "(SN < " + FloatToText(c - Tolerance) + ") AND (DF = 0)", BackwardOrder,
                   1);
    Db->ReadFirst(RowBuffer);
    Db->CloseQuery();
    PageStart = ToFloatOrZero(RowBuffer[MemoSN].Value);
    return PageStart;
}

void TMemoScreen::RegisterLine() {
    if (!CanChangePad())
        return;
    const int r = CurrentRow();
    const std::string text = EntryText();
    // The typed text belongs to the line it was taken from. A refresh keeps
    // the text but may move the selection away from that line (the line was
    // deleted meanwhile, or lines added by others filled the page under the
    // append row); Enter then must not write it over the line now selected.
    const bool onEntryLine = Cell(1, r) == EntryLineNumber;
    // An unchanged line is left alone: compared with the line's own text, so a
    // line changed to the text of its sort number is still stored. The
    // comparison is of what the field shows, since a few characters have two
    // code page 932 forms and come back from the field in the other one.
    if (Edit1->text() == Codec::toQString(onEntryLine ? Cell(2, r) : EntryLineText))
        return;
    if (ContainsQuote(text)) {
        SetStatus(Codec::sj(QuoteRefusalText));
        return;
    }
    // The field holds Qt's text: a character code page 932 cannot hold would
    // be stored as "?". The text stays in the field to be mended.
    if (const QString unheld = Codec::firstUnheldChar(Edit1->text()); !unheld.isEmpty()) {
        ShowStatus(UnheldCharRefusal(unheld));
        return;
    }
    if (!MemberNumberWritable())
        return;
    Timer1->stop();
    const int n = ToIntOrZero(EntryLineNumber);
    const bool existingRow = n > 0;
    bool ok = false;
    bool padFull = false;
    bool newLine = !existingRow;
    if (EnsureConnected()) {
        // A line another member deleted meanwhile is gone: the text becomes a
        // new line instead of disappearing into the deleted row.
        if (existingRow && ReadMemoLine(*Db, TableName, RowBuffer, n) &&
            ToIntOrZero(RowBuffer[MemoDF].Value) == 0) {
            ok = ChangeMemoLine(*Db, TableName, RowBuffer, text, Settings::MemberNumber);
        } else {
            newLine = true;
            // A line tried again after a race goes after the lines stored meanwhile.
            std::int32_t number = 0;
            const NewLineResult result = StoreNewMemoLine(
                *Db, TableName, RowBuffer, number, [this] { return AppendSortNumber(*Db, TableName); }, text,
                Settings::MemberNumber);
            ok = result == NewLineResult::Stored;
            padFull = result == NewLineResult::PadFull;
        }
    }
    // A new line, stored or not, brings the last page, which that action
    // loads with its append row selected: after a stored line the field is
    // empty for the next one, typed lines never land on the line just stored.
    // A changed line reloads the page it stands on and stays selected.
    if (newLine)
        ButtonDClick();
    else
        LoadPage();
    if (ok) {
        SetStatus(Codec::sj("登録出来ました"));
    } else {
        // A new line that was not stored stays a new line: Enter pressed again
        // adds it, even when lines other members added meanwhile have filled
        // the last page and put one of theirs under the selection.
        if (newLine) {
            EntryLineNumber.clear();
            EntryLineText.clear();
        }
        // The typed text stays in the field so that Enter can simply be pressed again.
        SetEntryText(text);
        SetStatus(Codec::sj(padFull ? PadFullText : "登録出来ませんでした。再度行ってみて下さい"));
    }
    RestartTimer();
}

void TMemoScreen::InsertLine() {
    if (!CanChangePad())
        return;
    const int r = CurrentRow();
    if (Cell(0, r).empty()) {
        SetStatus(Codec::sj("そのまま めも入力を行って下さい"));
        return;
    }
    if (!MemberNumberWritable())
        return;
    Timer1->stop();
    const double c = ToFloatOrZero(Cell(0, r));
    NewLineResult result = NewLineResult::Failed;
    bool room = true;
    if (EnsureConnected()) {
        const double m = MidSortNumber(SortNumberBeforeRow(r), c);
        room = SortNumberFits(m, c);
        std::int32_t number = 0;
        if (room)
            result = StoreNewMemoLine(
                *Db, TableName, RowBuffer, number, [m] { return m; }, {}, Settings::MemberNumber);
    }
    LoadPage();
    if (result == NewLineResult::Stored) {
        SelectRow(r);
        SetStatus(Codec::sj("１行挿入出来ました"));
    } else if (!room) {
        SetStatus(Codec::sj(NoRoomText));
    } else {
        SetStatus(Codec::sj(result == NewLineResult::PadFull
                                ? PadFullText
                                : "１行挿入出来ませんでした。再度行ってみて下さい"));
    }
    RestartTimer();
}

void TMemoScreen::DeleteLine() {
    // The append row (or the one empty row of an empty pad) holds no line.
    if (!CanChangePad() || Cell(0, CurrentRow()).empty() || !MemberNumberWritable())
        return;
    Timer1->stop();
    if (Platform::askYesNo(this, Codec::sj("現在行を削除します。よろしいですか？")) !=
        Platform::Answer::Yes) {
        ResumeTimer();
        return;
    }
    const int r = CurrentRow();
    const int n = ToIntOrZero(Cell(1, r));
    bool ok = false;
    if (EnsureConnected())
        ok = DeleteMemoLine(*Db, TableName, n, Cell(2, r), Settings::MemberNumber);
    LoadPage();
    // The selection has moved to the line after the deleted one: the field
    // shows that line, and Enter cannot store the deleted text again.
    TakeEntryFrom(CurrentRow());
    // A failed statement is reported as such, never as a deletion.
    SetStatus(
        Codec::sj(ok ? "現在行の削除を行いました" : "現在行の削除が出来ませんでした。再度行ってみて下さい"));
    RestartTimer();
}

void TMemoScreen::ButtonIClick() {
    if (!CanChangePad())
        return;
    Timer1->stop();
    const QStringList lines = SplitLines(Platform::clipboardString());
    if (lines.empty()) {
        ResumeTimer();
        return;
    }
    if (!MemberNumberWritable()) {
        ResumeTimer();
        return;
    }
    const int k = static_cast<int>(lines.size());
    const int r = CurrentRow();
    const bool beforeRow = !Cell(0, r).empty();
    PasteOutcome outcome{k};
    if (EnsureConnected()) {
        std::int32_t next = 0;
        double base;
        double step;
        if (beforeRow) {
            const double c = ToFloatOrZero(Cell(0, r));
            base = SortNumberBeforeRow(r);
            step = SortNumberStep(base, c, k);
            // The first line has the smallest sort number of them.
            outcome.room = SortNumberFits(base + step, c);
        } else {
            base = LargestSortNumber(*Db, TableName);
            step = 1.0;
        }
        double sn = base;
        for (int i = 0; i < k && outcome.room; ++i) {
            const QString& line = lines[i];
            sn += step;
            const std::string text = CopyChars(RemoveQuotes(Codec::fromQString(line)), 1, MaxLineBytes).text;
            // The lines take the numbers after the first one, as long as no
            // other client takes one of them meanwhile.
            const NewLineResult result = StoreNewMemoLine(
                *Db, TableName, RowBuffer, next, [sn] { return sn; }, text, Settings::MemberNumber);
            if (result == NewLineResult::PadFull) {
                outcome.padFull = true;
                break;
            }
            if (result == NewLineResult::Stored) {
                ++outcome.stored;
                if (!Codec::firstUnheldChar(line).isEmpty())
                    ++outcome.replaced;
            }
            next = result == NewLineResult::Stored && next < std::numeric_limits<std::int32_t>::max()
                       ? next + 1
                       : 0;
        }
    }
    if (beforeRow) {
        LoadPage();
        SelectRow(r);
    } else {
        ButtonDClick();
    }
    SetStatus(outcome.Text());
    RestartTimer();
}

void TMemoScreen::ButtonHClick() {
    Timer1->stop();
    TFormEditor* editor = forms().FormEditor;
    ShowBeside(this, editor);
    editor->RichEdit1->hide();
    editor->RichEdit1->clear();
    if (Ready && EnsureConnected()) {
        // No more lines than this fit into the editor (each takes at least
        // one character and a line end), and one more shows the cut.
        const int count = Db->SelectRows("*", TableName, "DF=0", "SN,N",
                                         std::min(TFormEditor::MaxCharacters / 2, TFormEditor::MaxLines) + 1);
        int read = 0;
        editor->TakeLines([&](QString& line) {
            if (read == count)
                return false;
            if (read++ == 0)
                Db->ReadFirst(RowBuffer);
            else
                Db->ReadNext(RowBuffer);
            const std::string& text = RowBuffer[MemoText].Value;
            line = Codec::toQString(RemoveSpaces(text).empty() ? std::string(" ") : text);
            return true;
        });
        Db->CloseQuery();
    }
    editor->RichEdit1->show();
    editor->RichEdit1->setFocus();
    QTextCursor cursor = editor->RichEdit1->textCursor();
    cursor.setPosition(0);
    editor->RichEdit1->setTextCursor(cursor);
    ResumeTimer();
}
