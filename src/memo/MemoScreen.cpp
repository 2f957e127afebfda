#include "memo/MemoScreen.h"

#include "app/Forms.h"
#include "app/ReadFailureText.h"
#include "app/Settings.h"
#include "app/ShowChecks.h"
#include "app/WindowStyle.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Cp932LengthValidator.h"
#include "memo/LineWriters.h"
#include "memo/ReconnectPacing.h"
#include "platform/Platform.h"
#include "platform/WindowShape.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

// The memo screen's window and controls, its cells and status, the way to
// the database, and the show, close and resize.

namespace {

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
    StatusLabel->setObjectName(QStringLiteral("StatusText"));
    // Clear of the rounded corner; a long text is cut at the right, where the
    // mark below, when there is one, takes the room it needs.
    StatusLabel->setContentsMargins(10, 0, 0, 0);
    StatusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar1->addWidget(StatusLabel, 1);
    // The mark of a page that could not be read, at the right end in dark red,
    // there only while it says something.
    FailureMark = new QLabel(StatusBar1);
    FailureMark->setObjectName(QStringLiteral("ReadFailureMark"));
    FailureMark->setContentsMargins(0, 0, 16, 0);
    QPalette markColours = FailureMark->palette();
    markColours.setColor(QPalette::WindowText, QColor(160, 0, 0));
    FailureMark->setPalette(markColours);
    FailureMark->hide();
    StatusBar1->addPermanentWidget(FailureMark);

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

    MemberActivity::watch();
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

std::string TMemoScreen::ReadFailureMark() const {
    return Codec::fromQString(FailureMark->text());
}

// Says since when the page shows what it shows, or that nothing could be read.
void TMemoScreen::ShowReadFailureMark(DbFailure failure) {
    const std::string since = LastReadTime.empty() ? Codec::sj("めもを読み込めませんでした")
                                                   : LastReadTime + Codec::sj("時点の内容");
    FailureMark->setText(Codec::toQString(Codec::sj("◆") + ReadFailureReason(failure) + Codec::sj("（") +
                                          since + Codec::sj("）◆")));
    FailureMark->show();
    FailureMark->repaint();
}

void TMemoScreen::ClearReadFailureMark() {
    FailureMark->clear();
    FailureMark->hide();
}

std::string TMemoScreen::FailureReason(Outcome failure, bool change) {
    if (failure == DbFailure::NoPermission && change)
        return Codec::sj("データベースに拒否されました");
    if (failure == DbFailure::NoPermission || failure == DbFailure::ConnectionLost)
        return ReadFailureReason(*failure);
    return {};
}

void TMemoScreen::SayFailure(const char* base, Outcome failure, bool change) {
    const std::string reason = FailureReason(failure, change);
    SetStatus(Codec::sj(base) + (reason.empty() ? reason : Codec::sj("（") + reason + Codec::sj("）")));
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
    return Ready() && Config.access->changesPad;
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

// ---- The way to the database ------------------------------------------------------------------

// Another window may have closed the shared connection (the settings dialog
// disconnects when it closes), or the server may have ended it: a screen that
// is open connects again before it reads or writes, as the pacing allows.
bool TMemoScreen::Connect(bool memberAsked) {
    return ConnectPaced(*Db, memberAsked);
}

TMemoScreen::Outcome TMemoScreen::CallDb(bool memberAsked, bool retryRead,
                                         const std::function<Outcome()>& call) {
    bool fresh = !Db->IsConnected();
    if (fresh && !Connect(memberAsked))
        return DbFailure::ConnectionLost;
    for (;;) {
        const auto start = ReconnectPacing::Clock::now();
        const Outcome failure = call();
        ReconnectPacing::shared().called(start, failure, Db->WaitLimit());
        // A connection the server ended (a restart, an administrator) fails at
        // once: one fresh connection, and the read once more.
        if (failure != DbFailure::ConnectionLost || !retryRead || fresh || !Connect(memberAsked))
            return failure;
        fresh = true;
    }
}

// The module lets a lost connection go; any other failure keeps it.
TMemoScreen::Outcome TMemoScreen::ModuleFailure() const {
    return Db->IsConnected() ? Db->LastFailure() : DbFailure::ConnectionLost;
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
    Page.Reset(Settings::RowsPerPage);
    Loading = false;
    LastReadTime.clear();
    ClearReadFailureMark();
    // Whatever stops the show below, the lines of the pad shown before never
    // stand under this show's header.
    LoadPage();
    TakeEntryFrom(0);

    if (!ConnectOnShow(this, Config.showTest))
        return;
    ReconnectPacing::shared().succeeded();
    Page.Open(Config.tableName());
    // Listening before the first page is read, so that no later change is missed.
    StartLiveUpdates();
    const bool opened = OpenMemoTable();
    if (!StillShowing())
        return;
    if (opened) {
        TakeEntryFrom(0);
        ShowGridHint();
    } else {
        Page.Close();
        StopLiveUpdates();
    }
    RestartTimer();
}

void TMemoScreen::ShowPad() {
    if (isVisible() && !(Ready() && TableName() == Config.tableName())) {
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
    Page.Close();
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

// ---- Opening the pad ---------------------------------------------------------------------------

bool TMemoScreen::OpenMemoTable() {
    switch (::OpenMemoTable(*Db, TableName(), RowBuffer, [this] { return StillShowing(); })) {
    case OpenMemoTableResult::Existing:
        SetStatus(Codec::sj("めも「") + TableName() + Codec::sj("」を表示します"));
        break;
    case OpenMemoTableResult::Created:
        SetStatus(Codec::sj("めも「") + TableName() + Codec::sj("」を新規作成しました"));
        break;
    case OpenMemoTableResult::Failed:
        Platform::showMessage(this, Codec::sj("テーブル作成が出来ませんでした。確認して下さい。"));
        return false;
    case OpenMemoTableResult::Unlisted:
        // Whether the pad exists is not known: it is neither shown empty nor created.
        Platform::showMessage(this, ReadFailureMessage("めも", *ModuleFailure()));
        return false;
    case OpenMemoTableResult::Abandoned:
        return false;
    }
    LoadPage();
    return true;
}
