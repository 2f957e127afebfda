#include "app/UnitSet.h"

#include "app/Forms.h"
#include "app/ReadFailureText.h"
#include "app/Settings.h"
#include "app/WindowStyle.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "platform/Platform.h"
#include "platform/WindowShape.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>

namespace {

const QColor DialogColour(208, 255, 208);

// Password fields show every character as "*".
class AsteriskPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

TFormFBDB& database() {
    return *forms().FormFBDB;
}

bool connectDatabase() {
    return Settings::ConnectCurrent(database());
}

std::string text(const QLineEdit* edit) {
    return Codec::fromQString(edit->text());
}

// Everything up to and including the last "/" (empty when there is none).
std::string folderPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void forgetMember() {
    Settings::MemberNumber = 0;
    Settings::MemberName.clear();
    Settings::MemberPassword.clear();
}

} // namespace

TFormSet::TFormSet(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormSet"));
    setWindowTitle(WindowStyle::text("データベース設定"));
    WindowStyle::setFixedFrame(this, 354, 347);
    WindowStyle::setBackground(this, DialogColour);
    setFont(WindowStyle::gothicFont(13));

    auto label = [this](QLabel*& target, const char* name, const char* caption, int left, int top,
                        int width) {
        target = new QLabel(WindowStyle::text(caption), this);
        target->setObjectName(QString::fromLatin1(name));
        target->setGeometry(left, top, width, 13);
    };
    auto edit = [this](QLineEdit*& target, const char* name, int left, int top, int width) {
        target = new QLineEdit(this);
        target->setObjectName(QString::fromLatin1(name));
        target->setGeometry(left, top, width, 21);
    };
    auto button = [this](QPushButton*& target, const char* name, const char* caption, QRect geometry,
                         void (TFormSet::*click)()) {
        target = new QPushButton(WindowStyle::text(caption), this);
        target->setObjectName(QString::fromLatin1(name));
        target->setGeometry(geometry);
        target->setFocusPolicy(Qt::StrongFocus);
        WindowStyle::pressOnEnter(target);
        connect(target, &QPushButton::clicked, this, click);
    };

    label(Label1, "Label1", "サーバー名 又は サーバーPCのTCP/IPアドレス", 8, 8, 278);
    edit(Edit1, "Edit1", 24, 24, 161);
    Edit1->setText(WindowStyle::text("localhost"));
    label(Label8, "Label8", "（例： 192.168.1.1)", 192, 28, 130);
    label(Label2, "Label2", "（１台で運用する場合は「localhost」にして下さい）", 16, 48, 323);
    label(Label3, "Label3", "データベース(DB)のファイルを置くサーバーのフォルダ", 8, 72, 327);
    edit(Edit2, "Edit2", 24, 88, 289);
    button(Button1, "Button1", "▼", QRect(320, 88, 27, 22), &TFormSet::Button1Click);
    label(Label5, "Label5", "DBユーザー名：", 8, 116, 92);
    label(Label6, "Label6", "パスワード：", 168, 116, 78);
    edit(Edit3, "Edit3", 24, 136, 137);
    Edit3->setText(WindowStyle::text("SYSDBA"));
    edit(Edit4, "Edit4", 176, 136, 137);
    Edit4->setText(WindowStyle::text("quillstem"));
    button(Button2, "Button2", "データベース接続確認(&S)", QRect(24, 168, 289, 33), &TFormSet::Button2Click);
    label(Label4, "Label4", "使用者：", 8, 212, 52);
    label(Label7, "Label7", "パスワード：", 176, 212, 78);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(24, 232, 137, 21);
    ComboBox1->setEditable(false);
    edit(Edit5, "Edit5", 176, 232, 137);
    button(Button4, "Button4", "使用者確認(&U)", QRect(24, 260, 145, 33), &TFormSet::Button4Click);
    label(Label9, "Label9", "めも更新時間：", 8, 304, 91);
    edit(Edit6, "Edit6", 120, 300, 81);
    label(Label11, "Label11", "秒", 208, 304, 13);
    label(Label10, "Label10", "めも１画面行数：", 8, 328, 104);
    edit(Edit7, "Edit7", 120, 324, 81);
    button(Button3, "Button3", "閉じる(&C)", QRect(264, 320, 83, 25), &TFormSet::Button3Click);

    Edit6->setMaxLength(5);
    Edit7->setMaxLength(5);
    for (QWidget* widget : std::initializer_list<QWidget*>{ComboBox1, Edit6, Edit7})
        widget->setAttribute(Qt::WA_InputMethodEnabled, false);

    // Created after the controls, so that it is destroyed after the fields using it.
    auto* passwordStyle = new AsteriskPasswordStyle;
    passwordStyle->setParent(this);
    for (QLineEdit* password : {Edit4, Edit5}) {
        password->setStyle(passwordStyle);
        password->setEchoMode(QLineEdit::Password);
    }

    QWidget* const order[] = {Edit1,     Edit2, Button1, Edit3, Edit4, Button2,
                              ComboBox1, Edit5, Button4, Edit6, Edit7, Button3};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormSet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Restoring from the task bar is no new showing.
    if (!event->spontaneous())
        FormShow();
}

void TFormSet::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TFormSet::FormShow() {
    WindowShape::setRoundedRegion(this);
    Edit1->setText(Codec::toQString(Settings::ServerName));
    Edit2->setText(Codec::toQString(Settings::ServerFolder));
    Edit3->setText(Codec::toQString(Settings::DatabaseUser));
    Edit4->setText(Codec::toQString(Settings::DatabasePassword));
    // Only exactly empty fields get a default; blanks count as typed.
    if (Edit1->text().isEmpty())
        Edit1->setText(WindowStyle::text("localhost"));
    if (Edit3->text().isEmpty())
        Edit3->setText(WindowStyle::text("SYSDBA"));
    if (Edit4->text().isEmpty())
        Edit4->setText(WindowStyle::text("quillstem"));
    ClearMemberList();
    Edit5->setText(Codec::toQString(Settings::MemberPassword));
    Edit6->setText(QString::number(Settings::RefreshSeconds));
    Edit7->setText(QString::number(Settings::RowsPerPage));
    if (Settings::DatabaseConfigured() && connectDatabase()) {
        FillMemberList();
        database().Disconnect();
    }
    if (Settings::MemberNumber != 0) {
        for (size_t i = 0; i < MemberItems.size(); ++i) {
            if (ToIntOrZero(BeforeColon(MemberItems[i])) == Settings::MemberNumber) {
                ComboBox1->setCurrentIndex(static_cast<int>(i));
                break;
            }
        }
    }
    Edit1->setFocus();
}

void TFormSet::FormClose() {
    database().Disconnect();
    Settings::RefreshSeconds = ToIntOrZero(text(Edit6));
    Settings::RowsPerPage = ToIntOrZero(text(Edit7));
    Settings::ClampRefreshAndPage();
    ClearMemberList();
}

void TFormSet::Button1Click() {
    const std::string chosen =
        Platform::chooseOpenFile(this, folderPart(text(Edit2)), Codec::sj("　"), QString(), false);
    const std::string folder = folderPart(chosen);
    if (!folder.empty())
        Edit2->setText(Codec::toQString(folder));
}

void TFormSet::Button2Click() {
    Settings::DatabaseLocation.clear();
    // Taken over before the checks, so that a refused value is kept too.
    Settings::ServerName = text(Edit1);
    Settings::ServerFolder = text(Edit2);
    Settings::DatabaseUser = text(Edit3);
    Settings::DatabasePassword = text(Edit4);
    const struct {
        const std::string& value;
        const char* message;
    } checks[] = {
        {Settings::ServerName, "サーバー名 又は サーバーPCのTCP/IPアドレスを入力して下さい。"},
        {Settings::ServerFolder, "サーバー上のフォルダを入力/指定して下さい。"},
        {Settings::DatabaseUser, "DBユーザー名を入力して下さい。（デフォルトは「SYSDBA」です）"},
        {Settings::DatabasePassword, "DBパスワードを入力して下さい。（デフォルトは「quillstem」です）"},
    };
    for (const auto& check : checks) {
        if (RemoveSpaces(check.value).empty()) {
            Platform::showMessage(this, Codec::sj(check.message));
            return;
        }
    }
    // The folder must bring its own final separator, as the folder chooser's does.
    Settings::DatabaseLocation = Settings::ServerName + ":" + Settings::ServerFolder;
    if (connectDatabase()) {
        Platform::showMessage(this, Codec::sj("データベース接続ＯＫです"));
        ClearMemberList();
        FillMemberList();
    } else {
        Platform::showMessage(this, Codec::sj("データベース接続エラーです。各値を確認して下さい。"));
        Settings::DatabaseLocation.clear();
    }
    database().Disconnect();
}

void TFormSet::Button3Click() {
    close();
}

void TFormSet::Button4Click() {
    // Works on the current settings: connection values typed but not tested are not used.
    if (!Settings::DatabaseConfigured()) {
        Platform::showMessage(this, Codec::sj("最初にデータベースの設定を行って下さい。"));
        return;
    }
    if (!connectDatabase()) {
        database().Disconnect();
        Platform::showMessage(this, Codec::sj("データベース接続エラーです。設定を確認して下さい。"));
        Settings::DatabaseLocation.clear();
        return;
    }
    if (MemberListFailure) {
        Platform::showMessage(this, ReadFailureMessage("メンバー一覧", *MemberListFailure));
        return;
    }
    if (MemberItems.empty()) {
        Platform::showMessage(this,
                              Codec::sj("データベースでメンバ登録が行われていません。確認して下さい。"));
        return;
    }
    const std::string* item = SelectedMember();
    if (!item) {
        Platform::showMessage(this, Codec::sj("使用者を選択して下さい。"));
        return;
    }
    const std::int32_t number = ToIntOrZero(BeforeColon(*item));
    RowBuffer.assign(MemberColumns, TableField{});
    const ReadResult<std::optional<FieldList>> row =
        database().ReadRow(RowBuffer, "MEMBER", "N=" + std::to_string(number));
    // The check could not be made: the identification stays as it was.
    if (!row) {
        Platform::showMessage(this, ReadFailureMessage("メンバー", row.failure()));
        return;
    }
    if (!*row) {
        Platform::showMessage(this, Codec::sj("登録メンバが見つかりません"));
        forgetMember();
        return;
    }
    RowBuffer = std::move(**row);
    // Byte for byte, letter case included, nothing trimmed.
    const std::string typed = text(Edit5);
    if (typed == RowBuffer[2].Value) {
        Platform::showMessage(this, Codec::sj("使用者・パスワードを認識しました。"));
        Settings::MemberNumber = number;
        Settings::MemberName = AfterColon(*item);
        Settings::MemberPassword = typed;
    } else {
        Platform::showMessage(this, Codec::sj("パスワードが違います"));
        forgetMember();
    }
}

void TFormSet::ClearMemberList() {
    ComboBox1->clear();
    MemberItems.clear();
    MemberListFailure.reset();
}

void TFormSet::FillMemberList() {
    RowBuffer.assign(MemberColumns, TableField{});
    const ReadResult<std::vector<FieldList>> rows = database().ReadRows(RowBuffer, "*", "MEMBER", "", "N");
    if (rows) {
        for (const FieldList& row : *rows) {
            MemberItems.push_back(row[0].Value + ":" + row[1].Value);
            ComboBox1->addItem(Codec::toDisplayLine(MemberItems.back()));
        }
    } else {
        MemberListFailure = rows.failure();
        Platform::showMessage(this, ReadFailureMessage("メンバー一覧", rows.failure()));
    }
    RowBuffer.clear();
    // A drop-down list selects its first item by itself; the list starts unselected.
    ComboBox1->setCurrentIndex(-1);
}

const std::string* TFormSet::SelectedMember() const {
    const int index = ComboBox1->currentIndex();
    if (index < 0 || index >= static_cast<int>(MemberItems.size()))
        return nullptr;
    return &MemberItems[static_cast<size_t>(index)];
}
