#include "search/UnitGSearch.h"

#include "app/Forms.h"
#include "app/ReadFailureText.h"
#include "app/Settings.h"
#include "app/ShowChecks.h"
#include "app/WindowStyle.h"
#include "db/StatementText.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Cp932LengthValidator.h"
#include "platform/Platform.h"
#include "platform/Waiting.h"
#include "search/PadCondition.h"
#include "text/CharMatch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int KeywordMaxBytes = 120;

const char* const SearchingSuffix = "検索中です。[Esc]:中断";
const char* const Separator = "　";

// One step of a search: a pad (its table and heading label); with an empty
// table, the separator line between the kinds of pads or, when unread is set,
// the line saying that the list of pads named by label could not be read.
struct PadStep {
    std::string table;
    std::string label;
    std::optional<DbFailure> unread;
};

// The items' pads, skipping items whose number is not a usable table number.
void AddPads(std::vector<PadStep>& steps, const ReadResult<std::vector<std::string>>& items,
             std::string (*tableOf)(std::int32_t), const char* kind, const char* list) {
    if (!items) {
        steps.push_back({{}, Codec::sj(list), items.failure()});
        return;
    }
    for (const std::string& item : *items) {
        const std::int32_t n = ToIntOrZero(BeforeColon(item));
        if (n <= 0)
            continue;
        steps.push_back({tableOf(n), Codec::sj(kind) + Codec::sj("「") + item + Codec::sj("」"), {}});
    }
}

} // namespace

TFormGSearch::TFormGSearch(QWidget* parent)
    : QWidget(parent), Results(ResultLimit, Codec::sj("検索結果が多過ぎますので、ここで打ち切りました")) {
    setWindowTitle(WindowStyle::text("グローバル検索"));
    setFont(WindowStyle::gothicFont(13));

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(29);
    WindowStyle::setBackground(Panel1, QColor(166, 202, 240));
    Label1 = new QLabel(WindowStyle::text("検索キーワード："), Panel1);
    Label1->move(8, 8);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setGeometry(120, 4, 217, 21);
    Edit1->setValidator(new Cp932LengthValidator(KeywordMaxBytes, Edit1));
    Button1 = new QPushButton(WindowStyle::text("検索(&F)"), Panel1);
    Button1->setGeometry(344, 3, 65, 25);
    Button1->setDefault(true);
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->hide();

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    WindowStyle::setBackground(StatusBar1, QColor(192, 220, 192));
    StatusLabel = new QLabel(StatusBar1);
    // The status names the pad searched, with its member's or group's name.
    StatusLabel->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusLabel, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(StatusBar1);

    // The window is no dialog, so Enter in the keyword field is led to the default button here.
    connect(Edit1, &QLineEdit::returnPressed, this, &TFormGSearch::Button1Click);
    connect(Button1, &QPushButton::clicked, this, &TFormGSearch::Button1Click);

    resize(491, 357);
}

void TFormGSearch::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormGSearch::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TFormGSearch::SetStatus(const std::string& text) {
    StatusLabel->setText(Codec::toDisplayLine(text));
    StatusLabel->repaint();
}

std::string TFormGSearch::StatusText() const {
    return Codec::fromQString(StatusLabel->text());
}

// The checks made when the window is shown, then the connection: always a new
// one for the show; for a search only when the shared connection has been
// closed meanwhile (the settings dialog and a failed connection elsewhere close it).
bool TFormGSearch::CheckAndConnect(bool freshConnection) {
    return ConnectOnShow(this, Settings::MemberIdentified, !freshConnection);
}

void TFormGSearch::FormShow() {
    Db = forms().FormFBDB;
    Ready = false;
    if (!CheckAndConnect(true))
        return;
    Ready = true;
    SetStatus(Codec::sj("参照可能なめもから全検索します。[Esc]:中断"));
    Edit1->setFocus();
}

void TFormGSearch::FormClose() {}

// The database's table names, read once for the whole search (each read is a
// full catalogue query), in the form HasTableName compares them. A connection
// the server has ended shows here first, and the module lets it go: the
// search then connects afresh and reads the names again. A server that let
// the read wait out the module's limit is not waited for a second time.
ReadResult<std::unordered_set<std::string>> TFormGSearch::ReadTableNames() {
    QElapsedTimer clock;
    clock.start();
    ReadResult<std::vector<std::string>> names = Db->ReadTableNames();
    if (!names && !Db->IsConnected() && clock.elapsed() < Db->WaitLimit().count()) {
        if (!CheckAndConnect(false))
            return DbFailure::ConnectionLost;
        names = Db->ReadTableNames();
    }
    if (!names)
        return names.failure();
    std::unordered_set<std::string> upperCase;
    for (const std::string& name : *names)
        upperCase.insert(StatementText::UpperCaseNames(name));
    return upperCase;
}

ReadResult<std::vector<std::string>> TFormGSearch::ReadMembers() {
    ComboBox1->clear();
    Fields.assign(MemberColumns, {});
    SetMemberFields(Fields);
    const ReadResult<std::vector<FieldList>> rows = Db->ReadRows(Fields, "*", "MEMBER", "", "N");
    if (!rows)
        return rows.failure();
    std::vector<std::string> items;
    for (const FieldList& row : *rows) {
        if (ToIntOrZero(row[0].Value) == Settings::MemberNumber)
            continue;
        items.push_back(MemberListItem(row));
        ComboBox1->addItem(Codec::toQString(items.back()));
    }
    return items;
}

ReadResult<std::vector<std::string>>
TFormGSearch::ReadGroups(const std::string& table, bool (*mayRead)(const FieldList&, std::int32_t)) {
    Fields.assign(GroupColumns, {});
    SetGroupFields(Fields);
    const ReadResult<std::vector<FieldList>> rows = Db->ReadRows(Fields, "*", table, "", "N");
    if (!rows)
        return rows.failure();
    std::vector<std::string> items;
    items.reserve(rows->size());
    for (const FieldList& row : *rows) {
        if (mayRead(row, Settings::MemberNumber))
            items.push_back(GroupListItem(row));
    }
    return items;
}

void TFormGSearch::AppendUnread(const std::string& label, DbFailure failure) {
    ++Unread;
    Results.Append(Codec::sj("「") + label + Codec::sj("」読み込めませんでした（") +
                   ReadFailureReason(failure) + Codec::sj("）"));
}

// The lines are collected and set at once when the search ends: it hands no
// control to the user interface, so they could not show any sooner, and one
// setting costs far less than an append per line.
void TFormGSearch::ShowResults() {
    RichEdit1->setPlainText(Results.Text());
    Results.Clear();
}

void TFormGSearch::Button1Click() {
    if (!Ready) {
        Platform::showMessage(this, Codec::sj("この画面を一旦閉じて設定を確認して下さい"));
        return;
    }
    const std::string keyword = RemoveSpaces(Codec::fromQString(Edit1->text()));
    if (keyword.empty()) {
        Platform::showMessage(this, Codec::sj("検索キーワードを入力して下さい"));
        Edit1->setFocus();
        return;
    }
    const std::string key = SearchKey(keyword);
    if (!CheckAndConnect(false))
        return;
    // Without the table names no pad can be told from one not made yet.
    const ReadResult<std::unordered_set<std::string>> tables = ReadTableNames();
    if (!tables) {
        RichEdit1->clear();
        SetStatus(Codec::sj("検索出来ませんでした（") + ReadFailureReason(tables.failure()) +
                  Codec::sj("）"));
        return;
    }

    const ReadResult<std::vector<std::string>> members = ReadMembers();
    const ReadResult<std::vector<std::string>> openGroups = ReadGroups("OGROUP", CanReadOpenGroupPad);
    const ReadResult<std::vector<std::string>> closedGroups = ReadGroups("CGROUP", CanReadClosedGroupPad);

    std::vector<PadStep> steps{{MyMemoTable(Settings::MemberNumber), Codec::sj("まいめも"), {}}};
    AddPads(steps, members, MyMemoTable, "まいめも", "他メンバーの一覧");
    steps.push_back({});
    AddPads(steps, openGroups, OgMemoTable, "オープングループめも", "オープングループの一覧");
    steps.push_back({});
    AddPads(steps, closedGroups, CgMemoTable, "クローズグループめも", "クローズグループの一覧");
    steps.push_back({});
    steps.push_back({AlMemoTable(), Codec::sj("全メンバーめも"), {}});

    Fields.assign(MemoColumns, {});
    SetMemoFields(Fields);
    Results.Clear();
    Unread = 0;
    for (const PadStep& step : steps) {
        if (step.unread) {
            AppendUnread(step.label, *step.unread);
        } else if (step.table.empty()) {
            Results.Append(Codec::sj(Separator));
        } else {
            TableName = step.table;
            SetStatus(step.label + Codec::sj(SearchingSuffix));
            if (tables->count(StatementText::UpperCaseNames(TableName)) != 0 && !SearchPad(step.label, key)) {
                ShowResults();
                SetStatus(Codec::sj("[Esc]キーを押しましたので検索を中断しました"));
                return;
            }
        }
        if (Results.Cut())
            break;
    }
    ShowResults();
    if (Unread == 0)
        SetStatus(Codec::sj("検索終了しました。参照可能なめもから全検索します。[Esc]:中断"));
    else
        SetStatus(Codec::sj("検索終了しましたが、") + std::to_string(Unread) +
                  Codec::sj("件読み込めませんでした。検索結果は不完全です。"));
    Edit1->setFocus();
}

bool TFormGSearch::SearchPad(const std::string& label, const std::string& key) {
    // Polled before the pad too, so that a search finding nothing can be stopped.
    if (EscPressed())
        return false;
    const ReadResult<std::vector<FieldList>> rows =
        Db->ReadRows(Fields, "*", TableName, PadCondition(Fields[MemoFind].Name, key), "SN,N");
    if (!rows) {
        AppendUnread(label, rows.failure());
        return true;
    }
    // The database compares bytes and so also reports lines where the key
    // matches across character boundaries; only the character-wise matches
    // are results.
    struct Hit {
        std::string number;
        std::string text;
    };
    std::vector<Hit> hits;
    for (const FieldList& row : *rows) {
        if (ContainsChars(row[MemoFind].Value, key))
            hits.push_back({row[MemoN].Value, row[MemoText].Value});
    }
    if (!Results.Append(Codec::sj("「") + label + Codec::sj("」検索結果数：") + std::to_string(hits.size()) +
                        Codec::sj("行")))
        return true;
    const std::string rowStart = Codec::sj("　【番号:");
    const std::string rowEnd = Codec::sj("】");
    for (const Hit& hit : hits) {
        if (EscPressed())
            return false;
        if (!Results.Append(rowStart + hit.number + rowEnd + hit.text))
            return true;
    }
    return true;
}
