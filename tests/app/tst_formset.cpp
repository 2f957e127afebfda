// The database settings and user check dialog against a real database with
// registered members.

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/UnitSet.h"
#include "db/UnitFBDB.h"
#include "platform/Platform.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <memory>

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString q(const std::string& sjis) {
    return Codec::toQString(sjis);
}

QStringList shownMessages() {
    QStringList out;
    for (const std::string& message : Platform::takeMessages())
        out << q(message);
    return out;
}

QStringList itemsOf(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

const char* const ConnectionError = "データベース接続エラーです。各値を確認して下さい。";
const char* const WrongPassword = "パスワードが違います";

} // namespace

class TestFormSet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void windowAndControls();
    void firstShowWithEmptySettings();
    void defaultsOnlyForExactlyEmptyFields();
    void showWithUnreachableDatabaseIsSilent();
    void connectionTestBlankFieldsInOrder();
    void connectionTestPassesAndListsMembers();
    void connectionTestFails_data();
    void connectionTestFails();
    void userCheckIdentifies();
    void userCheckRefusesOtherPassword_data();
    void userCheckRefusesOtherPassword();
    void userCheckNameWithColonAndEmptyPassword();
    void userCheckRefusals();
    void userCheckMemberRemovedMeanwhile();
    void aLoginWithoutRightsIsTold();
    void userCheckKeepsNameBytes();
    void userCheckUsesTestedSettingsNotFields();
    void closeClampsRefreshAndPage_data();
    void closeClampsRefreshAndPage();
    void closeDropsUntestedValues();
    void identifiedMemberPreselectedOnNextShow();
    void folderChooser();

private:
    void open();
    void typeConnection(const std::string& folder, const char* password = "quillstem");
    void select(const char* itemUtf8);
    void identifyAs(std::int32_t number, const char* nameUtf8, const char* password);

    std::unique_ptr<TestDatabase> Db;
    std::unique_ptr<TestDatabase> EmptyDb; // registry without members
    TFormSet* Form = nullptr;
};

void TestFormSet::initTestCase() {
    Platform::setScripted(true);
    Db = std::make_unique<TestDatabase>("tst_formset");
    QVERIFY2(Db->ok(), Db->error().c_str());
    QVERIFY(Db->createRegistry());
    // Registered out of order: the list must come in N order.
    QVERIFY(Db->addMember(12, "ABC", "Secret"));
    QVERIFY(Db->addMember(1, Codec::sj("山田太郎"), "yamada"));
    QVERIFY(Db->addMember(7, Codec::sj("営業:東京"), "tokyo"));
    QVERIFY(Db->addMember(3, "Nopass", ""));
    EmptyDb = std::make_unique<TestDatabase>("tst_formset_empty");
    QVERIFY2(EmptyDb->ok(), EmptyDb->error().c_str());
    QVERIFY(EmptyDb->createRegistry());
    Db->db().Disconnect();
    EmptyDb->db().Disconnect();

    forms().FormFBDB = new TFormFBDB;
    Form = new TFormSet;
    forms().FormSet = Form;
}

void TestFormSet::cleanupTestCase() {
    delete Form;
    delete forms().FormFBDB;
    forms().FormSet = nullptr;
    forms().FormFBDB = nullptr;
    Db.reset();
    EmptyDb.reset();
}

void TestFormSet::init() {
    Settings::SetStartValues();
    Platform::takeMessages();
}

void TestFormSet::cleanup() {
    if (Form->isVisible())
        Form->close();
}

void TestFormSet::open() {
    Form->show();
}

void TestFormSet::typeConnection(const std::string& folder, const char* password) {
    Form->Edit1->setText(u("localhost"));
    Form->Edit2->setText(q(folder));
    Form->Edit3->setText(u("SYSDBA"));
    Form->Edit4->setText(u(password));
}

void TestFormSet::select(const char* itemUtf8) {
    const int index = Form->ComboBox1->findText(u(itemUtf8));
    QVERIFY2(index >= 0, itemUtf8);
    Form->ComboBox1->setCurrentIndex(index);
}

void TestFormSet::identifyAs(std::int32_t number, const char* nameUtf8, const char* password) {
    Settings::MemberNumber = number;
    Settings::MemberName = Codec::sj(nameUtf8);
    Settings::MemberPassword = password;
}

void TestFormSet::windowAndControls() {
    open();
    QCOMPARE(Form->windowTitle(), u("データベース設定"));
    QCOMPARE(Form->minimumSize(), QSize(354, 347));
    QCOMPARE(Form->maximumSize(), QSize(354, 347));
    QVERIFY(!(Form->windowFlags() & Qt::WindowMaximizeButtonHint));
    // Rounded: the corners are cut away, the middle and the edges' centres stay.
    const QRegion shape = Form->mask();
    QVERIFY(!shape.contains(QPoint(1, 1)));
    QVERIFY(!shape.contains(QPoint(352, 345)));
    QVERIFY(shape.contains(QPoint(177, 1)));
    QVERIFY(shape.contains(QPoint(177, 173)));

    QCOMPARE(Form->Edit4->displayText(), u("*********"));
    Form->Edit5->setText(u("abc"));
    QCOMPARE(Form->Edit5->displayText(), u("***"));
    QCOMPARE(Form->Edit6->maxLength(), 5);
    QCOMPARE(Form->Edit7->maxLength(), 5);
    QVERIFY(!Form->ComboBox1->isEditable());
    for (QWidget* w : std::initializer_list<QWidget*>{Form->ComboBox1, Form->Edit6, Form->Edit7})
        QVERIFY(!w->testAttribute(Qt::WA_InputMethodEnabled));

    const QWidget* expected[] = {Form->Edit1,   Form->Edit2,   Form->Button1,   Form->Edit3,
                                 Form->Edit4,   Form->Button2, Form->ComboBox1, Form->Edit5,
                                 Form->Button4, Form->Edit6,   Form->Edit7,     Form->Button3};
    QWidget* w = Form->Edit1;
    for (const QWidget* next : expected) {
        QCOMPARE(w, next);
        do
            w = w->nextInFocusChain();
        while (w != Form->Edit1 && (!(w->focusPolicy() & Qt::TabFocus) || w->parentWidget() != Form));
    }
    QCOMPARE(w, Form->Edit1);
}

void TestFormSet::firstShowWithEmptySettings() {
    open();
    QCOMPARE(Form->Edit1->text(), u("localhost"));
    QCOMPARE(Form->Edit2->text(), QString());
    QCOMPARE(Form->Edit3->text(), u("SYSDBA"));
    QCOMPARE(Form->Edit4->text(), u("quillstem"));
    QCOMPARE(Form->Edit5->text(), QString());
    QCOMPARE(Form->Edit6->text(), u("30"));
    QCOMPARE(Form->Edit7->text(), u("100"));
    QCOMPARE(Form->ComboBox1->count(), 0);
    QCOMPARE(Form->ComboBox1->currentIndex(), -1);
    QCOMPARE(shownMessages(), QStringList());
    // Shown defaults are not settings until the connection test takes them.
    QVERIFY(Settings::ServerName.empty());
    QVERIFY(Settings::DatabasePassword.empty());
}

void TestFormSet::defaultsOnlyForExactlyEmptyFields() {
    Settings::ServerName = "  ";
    Settings::DatabaseUser = Codec::sj("　");
    Settings::DatabasePassword = "pw";
    open();
    QCOMPARE(Form->Edit1->text(), u("  "));
    QCOMPARE(Form->Edit3->text(), u("　"));
    QCOMPARE(Form->Edit4->text(), u("pw"));
}

void TestFormSet::showWithUnreachableDatabaseIsSilent() {
    Db->useInSettings();
    Settings::DatabasePassword = "wrong";
    open();
    QCOMPARE(Form->ComboBox1->count(), 0);
    QCOMPARE(shownMessages(), QStringList());
    QVERIFY(!forms().FormFBDB->IsConnected());
}

void TestFormSet::connectionTestBlankFieldsInOrder() {
    Db->useInSettings();
    open();
    const std::string folder = Db->folder() + "/";
    struct Step {
        const char* server;
        std::string folder;
        const char* user;
        const char* password;
        const char* message;
    };
    const Step steps[] = {
        {"　 ", "", "", "", "サーバー名 又は サーバーPCのTCP/IPアドレスを入力して下さい。"},
        {"localhost", Codec::sj(" 　"), "", "", "サーバー上のフォルダを入力/指定して下さい。"},
        {"localhost", folder, "　", "", "DBユーザー名を入力して下さい。（デフォルトは「SYSDBA」です）"},
        {"localhost", folder, "SYSDBA", " ",
         "DBパスワードを入力して下さい。（デフォルトは「quillstem」です）"},
    };
    for (const Step& step : steps) {
        Form->Edit1->setText(u(step.server));
        Form->Edit2->setText(q(step.folder));
        Form->Edit3->setText(u(step.user));
        Form->Edit4->setText(u(step.password));
        Form->Button2->click();
        QCOMPARE(shownMessages(), QStringList{u(step.message)});
        // Taken over before the check, yet the location stays empty.
        QCOMPARE(q(Settings::ServerName), u(step.server));
        QCOMPARE(q(Settings::ServerFolder), q(step.folder));
        QCOMPARE(q(Settings::DatabaseUser), u(step.user));
        QCOMPARE(q(Settings::DatabasePassword), u(step.password));
        QVERIFY(Settings::DatabaseLocation.empty());
    }
}

void TestFormSet::connectionTestPassesAndListsMembers() {
    open();
    QCOMPARE(Form->ComboBox1->count(), 0);
    const std::string folder = Db->folder() + "/";
    typeConnection(folder);
    Form->Button2->click();
    QCOMPARE(shownMessages(), QStringList{u("データベース接続ＯＫです")});
    QCOMPARE(Settings::DatabaseLocation, "localhost:" + folder);
    QVERIFY(Settings::DatabaseConfigured());
    const QStringList members{u("1:山田太郎"), u("3:Nopass"), u("7:営業:東京"), u("12:ABC")};
    QCOMPARE(itemsOf(Form->ComboBox1), members);
    QCOMPARE(Form->ComboBox1->currentIndex(), -1);
    QVERIFY(!forms().FormFBDB->IsConnected());

    // Pressed again, the list is made anew: each member once, nothing selected.
    Form->ComboBox1->setCurrentIndex(2);
    Form->Button2->click();
    QCOMPARE(shownMessages(), QStringList{u("データベース接続ＯＫです")});
    QCOMPARE(itemsOf(Form->ComboBox1), members);
    QCOMPARE(Form->ComboBox1->currentIndex(), -1);
}

void TestFormSet::connectionTestFails_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("password");
    const QString folder = q(Db->folder());
    QTest::newRow("wrong password") << folder + u("/") << u("Quillstem");
    QTest::newRow("folder without its final separator") << folder << u("quillstem");
}

void TestFormSet::connectionTestFails() {
    QFETCH(QString, folder);
    QFETCH(QString, password);
    Db->useInSettings();
    open();
    const QStringList listed = itemsOf(Form->ComboBox1);
    QCOMPARE(listed.size(), 4);
    Form->Edit2->setText(folder);
    Form->Edit4->setText(password);
    Form->Button2->click();
    QCOMPARE(shownMessages(), QStringList{u(ConnectionError)});
    QVERIFY(Settings::DatabaseLocation.empty());
    QCOMPARE(q(Settings::ServerFolder), folder);
    QCOMPARE(q(Settings::DatabasePassword), password);
    QCOMPARE(itemsOf(Form->ComboBox1), listed);
    QVERIFY(!forms().FormFBDB->IsConnected());
}

void TestFormSet::userCheckIdentifies() {
    Db->useInSettings();
    open();
    select("1:山田太郎");
    Form->Edit5->setText(u("yamada"));
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("使用者・パスワードを認識しました。")});
    QCOMPARE(Settings::MemberNumber, 1);
    QCOMPARE(q(Settings::MemberName), u("山田太郎"));
    QCOMPARE(Settings::MemberPassword, std::string("yamada"));
    QVERIFY(Settings::MemberIdentified());
    // The check's connection lasts until the dialog closes.
    QVERIFY(forms().FormFBDB->IsConnected());
    Form->close();
    QVERIFY(!forms().FormFBDB->IsConnected());
}

void TestFormSet::userCheckRefusesOtherPassword_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("letter case") << u("Yamada");
    QTest::newRow("trailing space") << u("yamada ");
    QTest::newRow("leading space") << u(" yamada");
    QTest::newRow("empty") << QString();
}

void TestFormSet::userCheckRefusesOtherPassword() {
    QFETCH(QString, typed);
    Db->useInSettings();
    identifyAs(12, "ABC", "Secret");
    open();
    select("1:山田太郎");
    Form->Edit5->setText(typed);
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u(WrongPassword)});
    // The earlier identification is gone at once.
    QCOMPARE(Settings::MemberNumber, 0);
    QVERIFY(Settings::MemberName.empty());
    QVERIFY(Settings::MemberPassword.empty());
}

void TestFormSet::userCheckNameWithColonAndEmptyPassword() {
    Db->useInSettings();
    open();
    select("7:営業:東京");
    Form->Edit5->setText(u("tokyo"));
    Form->Button4->click();
    QCOMPARE(Settings::MemberNumber, 7);
    QCOMPARE(q(Settings::MemberName), u("営業:東京"));

    // A member without a password (NULL) is identified with an empty field only.
    select("3:Nopass");
    Form->Edit5->setText(u("x"));
    Form->Button4->click();
    QCOMPARE(Settings::MemberNumber, 0);
    Form->Edit5->clear();
    Form->Button4->click();
    QCOMPARE(Settings::MemberNumber, 3);
    QCOMPARE(Settings::MemberName, std::string("Nopass"));
    QVERIFY(Settings::MemberPassword.empty());
    QCOMPARE(shownMessages(), (QStringList{u("使用者・パスワードを認識しました。"), u(WrongPassword),
                                           u("使用者・パスワードを認識しました。")}));
}

void TestFormSet::userCheckRefusals() {
    identifyAs(12, "ABC", "Secret");
    auto identityKept = [] {
        return Settings::MemberNumber == 12 && Settings::MemberName == "ABC" &&
               Settings::MemberPassword == "Secret";
    };

    // Settings never tested: nothing is tried.
    open();
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("最初にデータベースの設定を行って下さい。")});
    QVERIFY(identityKept());
    Form->close();

    // Nobody selected.
    Db->useInSettings();
    open();
    Form->Edit5->setText(u("Secret"));
    Form->ComboBox1->setCurrentIndex(-1);
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("使用者を選択して下さい。")});
    QVERIFY(identityKept());
    Form->close();

    // No member registered at all.
    EmptyDb->useInSettings();
    open();
    QCOMPARE(Form->ComboBox1->count(), 0);
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("データベースでメンバ登録が行われていません。確認して下さい。")});
    QVERIFY(identityKept());
    Form->close();

    // The database went away since the connection test.
    Db->useInSettings();
    open();
    select("12:ABC");
    Settings::DatabaseLocation = "localhost:" + Db->folder() + "/missing/";
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("データベース接続エラーです。設定を確認して下さい。")});
    QVERIFY(Settings::DatabaseLocation.empty());
    QVERIFY(identityKept());
    QVERIFY(!forms().FormFBDB->IsConnected());
}

void TestFormSet::userCheckMemberRemovedMeanwhile() {
    QVERIFY(Db->addMember(40, "Leaving", "bye"));
    Db->db().Disconnect();
    Db->useInSettings();
    identifyAs(1, "山田太郎", "yamada");
    open();
    select("40:Leaving");
    QVERIFY(Db->db().DeleteRows("MEMBER", "N=40"));
    Db->db().Disconnect();
    Form->Edit5->setText(u("bye"));
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("登録メンバが見つかりません")});
    QCOMPARE(Settings::MemberNumber, 0);
    QVERIFY(Settings::MemberName.empty());
    QVERIFY(Settings::MemberPassword.empty());
}

void TestFormSet::aLoginWithoutRightsIsTold() {
    // On a server of the test's own: the plain login is made in its security database.
    PrivateServer server;
    QVERIFY2(server.ok(), "no private server (scripts/private-firebird.sh)");
    TestDatabase plain("tst_formset_plain", server.host());
    QVERIFY2(plain.ok(), plain.error().c_str());
    QVERIFY(plain.createRegistry());
    QVERIFY(plain.addMember(12, "ABC", "Secret"));
    QVERIFY(plain.runIsql("CREATE OR ALTER USER QBPLAIN PASSWORD 'plainpw';"));
    plain.db().Disconnect();
    plain.useInSettings();
    Settings::DatabaseUser = "QBPLAIN";
    Settings::DatabasePassword = "plainpw";
    identifyAs(12, "ABC", "Secret");

    const QString refused =
        u("メンバー一覧の読み込みをデータベースに拒否されました。DBユーザーの権限を確認して下さい。");
    open();
    QCOMPARE(shownMessages(), QStringList{refused});
    QCOMPARE(Form->ComboBox1->count(), 0);
    // Not taken for a database without members; the identification stays.
    Form->Edit5->setText(u("Secret"));
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{refused});
    QCOMPARE(Settings::MemberNumber, 12);
    Form->close();
}

void TestFormSet::userCheckKeepsNameBytes() {
    // 0xED40 is a kanji in the NEC-selected range, which the widgets' text
    // would turn into its IBM code: the name must come from the row as read.
    // Another program wrote a line break into it, which the list shows as blanks.
    const std::string name = "\xED\x40:A\r\nb";
    QVERIFY(Db->addMember(41, name, "pw"));
    Db->db().Disconnect();
    Db->useInSettings();
    open();
    const int index = static_cast<int>(itemsOf(Form->ComboBox1).indexOf(QRegularExpression(u("^41:.*"))));
    QVERIFY(index >= 0);
    QCOMPARE(Form->ComboBox1->itemText(index), q("41:\xED\x40:A  b"));
    Form->ComboBox1->setCurrentIndex(index);
    Form->Edit5->setText(u("pw"));
    Form->Button4->click();
    QVERIFY(Db->db().DeleteRows("MEMBER", "N=41"));
    Db->db().Disconnect();
    QCOMPARE(Settings::MemberNumber, 41);
    QCOMPARE(Settings::MemberName, name);
}

void TestFormSet::userCheckUsesTestedSettingsNotFields() {
    Db->useInSettings();
    open();
    Form->Edit1->setText(u("no-such-host"));
    Form->Edit4->setText(u("wrong"));
    select("12:ABC");
    Form->Edit5->setText(u("Secret"));
    Form->Button4->click();
    QCOMPARE(shownMessages(), QStringList{u("使用者・パスワードを認識しました。")});
    QCOMPARE(Settings::MemberNumber, 12);
    QCOMPARE(Settings::ServerName, std::string("localhost"));
}

void TestFormSet::closeClampsRefreshAndPage_data() {
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("refreshSeconds");
    QTest::addColumn<int>("rowsPerPage");
    QTest::newRow("empty and 3") << QString() << u("3") << 1 << 5;
    QTest::newRow("0 and 99999") << u("0") << u("99999") << 1 << 10000;
    QTest::newRow("99999 and letters") << u("99999") << u("1a") << 99999 << 5;
    QTest::newRow("in range") << u("45") << u("200") << 45 << 200;
}

void TestFormSet::closeClampsRefreshAndPage() {
    QFETCH(QString, refresh);
    QFETCH(QString, rows);
    QFETCH(int, refreshSeconds);
    QFETCH(int, rowsPerPage);
    open();
    Form->Edit6->setText(refresh);
    Form->Edit7->setText(rows);
    Form->Button3->click();
    QVERIFY(!Form->isVisible());
    QCOMPARE(Settings::RefreshSeconds, refreshSeconds);
    QCOMPARE(Settings::RowsPerPage, rowsPerPage);
    open();
    QCOMPARE(Form->Edit6->text(), QString::number(refreshSeconds));
    QCOMPARE(Form->Edit7->text(), QString::number(rowsPerPage));
    QCOMPARE(shownMessages(), QStringList());
}

void TestFormSet::closeDropsUntestedValues() {
    Db->useInSettings();
    identifyAs(1, "山田太郎", "yamada");
    const std::string location = Settings::DatabaseLocation;
    open();
    Form->Edit1->setText(u("otherhost"));
    Form->Edit2->setText(u("/elsewhere/"));
    Form->Edit3->setText(u("someone"));
    Form->Edit4->setText(u("secret"));
    select("12:ABC");
    Form->Edit5->setText(u("Secret"));
    Form->close();
    QCOMPARE(Settings::ServerName, std::string("localhost"));
    QCOMPARE(Settings::ServerFolder, Db->folder() + "/");
    QCOMPARE(Settings::DatabaseUser, std::string("SYSDBA"));
    QCOMPARE(Settings::DatabasePassword, Db->password());
    QCOMPARE(Settings::DatabaseLocation, location);
    QCOMPARE(Settings::MemberNumber, 1);
    QCOMPARE(Settings::MemberPassword, std::string("yamada"));
    QCOMPARE(shownMessages(), QStringList());
}

void TestFormSet::identifiedMemberPreselectedOnNextShow() {
    Db->useInSettings();
    open();
    select("12:ABC");
    Form->Edit5->setText(u("Secret"));
    Form->Button4->click();
    Form->close();
    open();
    QCOMPARE(Form->ComboBox1->currentText(), u("12:ABC"));
    QCOMPARE(Form->Edit5->text(), u("Secret"));
    Form->close();

    // A member no longer listed leaves the list unselected.
    identifyAs(99, "Ghost", "boo");
    open();
    QCOMPARE(Form->ComboBox1->currentIndex(), -1);
    QCOMPARE(Form->ComboBox1->count(), 4);
}

void TestFormSet::folderChooser() {
    open();
    const QString chosen = q(Db->folder() + "/");
    Form->Edit2->setText(u("/srv/qbook/data"));
    Platform::setNextFileName(Db->folder() + Codec::sj("/　"));
    Form->Button1->click();
    QCOMPARE(q(Platform::lastFileDialogRequest().folder), u("/srv/qbook/"));
    QCOMPARE(q(Platform::lastFileDialogRequest().proposedName), u("　"));
    QCOMPARE(Form->Edit2->text(), chosen);

    // A folder that does not exist is not taken, whether its parent exists or not.
    for (const std::string& missing :
         {Db->folder() + "/no-such-folder", std::string("/no-such-root/qbook")}) {
        Platform::setNextFileName(missing + Codec::sj("/　"));
        Form->Button1->click();
        QCOMPARE(Form->Edit2->text(), chosen);
    }

    // Cancelled: nothing changes; a text without a separator starts nowhere in particular.
    Form->Edit2->setText(u("qbook"));
    Form->Button1->click();
    QCOMPARE(q(Platform::lastFileDialogRequest().folder), QString());
    QCOMPARE(Form->Edit2->text(), u("qbook"));
    // The chooser itself takes nothing over.
    QVERIFY(Settings::ServerFolder.empty());
}

QTEST_MAIN(TestFormSet)
#include "tst_formset.moc"
