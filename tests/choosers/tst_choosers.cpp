// The member and group choosers against a real server: who is offered which
// pad, the hand-off to the memo screens, and what a button does when the
// group changed after the lists were made.

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "choosers/Unit1a.h"
#include "choosers/Unit1b.h"
#include "choosers/Unit1c.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "platform/Platform.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

constexpr std::int32_t User = 1;

struct Group {
    std::int32_t n;
    const char* ended; // as stored: the mark need not be a number
    const char* start;
    const char* end;
    const char* name;
    const char* summary;
    std::vector<std::pair<int, std::int32_t>> participants; // slot 1..15, member
};

// The user takes part in open groups 3 (slot 15 only), 4 (ended), 5 and 7
// (an ended mark that is no number); 6 is someone else's; 0 and -2 name no pad.
const std::vector<Group> OpenGroups = {
    {-2, "0", "", "", "Minus", "x", {{1, User}}},
    {0, "0", "", "", "Zero", "x", {{1, User}}},
    {3, "0", "0", "", "Alpha", "Plans", {{1, 2}, {15, User}}},
    {4, "1", "", "", "Old", "Done", {{1, User}}},
    {5, "0", "20240401", "20240930", "Beta", "Next", {{2, User}}},
    {6, "0", "", "", "Other", "Not ours", {{1, 2}}},
    {7, "x", "", "", "Re:view", "a:b", {{3, User}}},
};

// The user takes part in closed groups 3 (running) and 4 (ended), not in 5 and 6.
const std::vector<Group> ClosedGroups = {
    {3, "0", "", "", "Gamma", "Secret", {{1, User}}},
    {4, "2", "20240401", "0", "Delta", "Archive", {{4, User}}},
    {5, "0", "", "", "Eps", "Hidden", {{1, 2}}},
    {6, "1", "", "", "Zeta", "Hidden", {{1, 2}}},
};

QStringList items(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

// A group row with every column but N as text, so that a mark or a period may hold anything.
FieldList textGroupFields() {
    FieldList group;
    SetGroupFields(group);
    for (size_t i = 1; i < group.size(); ++i) {
        group[i].Kind = 4;
        group[i].Size = std::max(group[i].Size, 20);
    }
    return group;
}

QString ui(const char* utf8) {
    return Codec::toQString(Codec::sj(utf8));
}

} // namespace

class TestChoosers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> database;

    TFormFBDB& registry() { return database->db(); }

    void createRegistry() {
        FieldList member;
        SetMemberFields(member);
        QVERIFY(registry().CreateTable("MEMBER", MemberColumns, member));
        const FieldList group = textGroupFields();
        QVERIFY(registry().CreateTable("OGROUP", GroupColumns, group));
        QVERIFY(registry().CreateTable("CGROUP", GroupColumns, group));
    }

    void addGroup(const char* table, const Group& g) {
        FieldList row = textGroupFields();
        const char* values[] = {g.ended, g.start, g.end, g.name, g.summary};
        row[0].Value = std::to_string(g.n);
        for (size_t i = 0; i < 5; ++i)
            row[1 + i].Value = values[i];
        for (const auto& [slot, member] : g.participants)
            row[5 + static_cast<size_t>(slot)].Value = std::to_string(member);
        QVERIFY(registry().InsertRow(table, GroupColumns, row));
    }

    void fillRegistry() {
        for (const char* table : {"MEMBER", "OGROUP", "CGROUP"})
            registry().DeleteRows(table, "");
        const std::pair<std::int32_t, const char*> members[] = {
            {12, "ABC"}, {User, "Tester"}, {2, "Bob"}, {0, "Zero"}, {-3, "Minus"}};
        for (const auto& [n, name] : members)
            QVERIFY(database->addMember(n, name, "pw"));
        for (const Group& g : OpenGroups)
            addGroup("OGROUP", g);
        for (const Group& g : ClosedGroups)
            addGroup("CGROUP", g);
    }

    static void select(QComboBox* list, const QString& prefix) {
        for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i).startsWith(prefix))
                list->setCurrentIndex(i);
    }

private slots:
    void initTestCase() {
        Platform::setScripted(true);
        database = std::make_unique<TestDatabase>("choosers");
        QVERIFY2(database->ok(), database->error().c_str());
        database->useInSettings();
        createRegistry();
        CreateForms();
    }

    void init() {
        fillRegistry();
        Settings::MemberNumber = User;
        Settings::MemberName = "Tester";
        Settings::RowsPerPage = 5;
        Platform::takeMessages();
    }

    void cleanup() {
        Forms& f = forms();
        for (QWidget* w : std::initializer_list<QWidget*>{f.Form1a, f.Form1b, f.Form1c, f.Form2, f.Form3,
                                                          f.Form4, f.Form5, f.Form6, f.Form7})
            w->hide();
    }

    void cleanupTestCase() {
        registry().Disconnect();
        forms().FormFBDB->Disconnect();
    }

    void memberChooserListsTheOtherMembers() {
        TForm1a* chooser = forms().Form1a;
        chooser->show();
        QCOMPARE(items(chooser->ComboBox1), (QStringList{QStringLiteral("2:Bob"), QStringLiteral("12:ABC")}));
        QCOMPARE(chooser->ComboBox1->currentIndex(), -1);

        chooser->Button2Click();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("参照する他のメンバーを指示してください")});
        QVERIFY(chooser->isVisible());

        select(chooser->ComboBox1, QStringLiteral("12:"));
        chooser->Button2->click();
        QCOMPARE(Settings::ViewMemberNumber, 12);
        QVERIFY(!chooser->isVisible());
        QVERIFY(chooser->RowBuffer.empty());
        QVERIFY(forms().Form3->isVisible());
        QCOMPARE(forms().Form3->TableName(), std::string("MYMEMO12"));
        QVERIFY(Platform::takeMessages().empty());
    }

    void theOnlyMemberStillOpensTheOwnPad() {
        registry().DeleteRows("MEMBER", "N<>1");
        TForm1a* chooser = forms().Form1a;
        chooser->show();
        QCOMPARE(chooser->ComboBox1->count(), 0);
        chooser->Button2Click();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("他のメンバーが登録されていません")});
        chooser->Button1->click();
        QVERIFY(!chooser->isVisible());
        QVERIFY(forms().Form2->isVisible());
        QCOMPARE(forms().Form2->TableName(), std::string("MYMEMO1"));
    }

    void aChooserWithoutAnIdentifiedMemberOnlyCloses() {
        Settings::MemberName = Codec::sj("　 ");
        TForm1c* chooser = forms().Form1c;
        chooser->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初に使用者登録を行って下さい。")});
        QVERIFY(!chooser->Button1->isEnabled() && !chooser->Button2->isEnabled());
        QCOMPARE(chooser->ComboBox1->count() + chooser->ComboBox2->count(), 0);
    }

    void groupsAreSortedByParticipationAndEnd() {
        TForm1b* open = forms().Form1b;
        open->show();
        QCOMPARE(items(open->ComboBox1),
                 (QStringList{ui("3:Alpha－Plans"), ui("5:Beta－Next"), ui("7:Re:view－a:b")}));
        QCOMPARE(items(open->ComboBox2), (QStringList{ui("4:Old－Done"), ui("6:Other－Not ours")}));
        open->hide();

        TForm1c* closed = forms().Form1c;
        closed->show();
        QCOMPARE(items(closed->ComboBox1), QStringList{ui("3:Gamma－Secret")});
        QCOMPARE(items(closed->ComboBox2), QStringList{ui("4:Delta－Archive")});
    }

    void buttonsHandTheFreshRowToTheGroupScreens() {
        TForm1b* open = forms().Form1b;
        open->show();
        open->Button1Click();
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{Codec::sj("グループを指示してください")});
        select(open->ComboBox1, QStringLiteral("3:"));
        // The row is read again: what changed since the listing is shown.
        registry().UpdateSet("OGROUP", "OUTLINE='Plans v2'", "N=3");
        open->Button1->click();
        TForm4* pad = forms().Form4;
        QCOMPARE(Settings::OpenGroupEditNumber, 3);
        QVERIFY(pad->isVisible() && pad->Ready());
        QCOMPARE(pad->TableName(), std::string("OGMEMO3"));
        QCOMPARE(pad->LabelA1->text(), ui("グループ名：Alpha"));
        QCOMPARE(pad->LabelA2->text(), ui("期間：～")); // a start of 0 is not shown
        QCOMPARE(pad->LabelA3->text(), ui("概略：Plans v2"));
        QVERIFY(!open->isVisible());

        open->show();
        select(open->ComboBox1, QStringLiteral("7:")); // a colon in the name
        open->Button1->click();
        QCOMPARE(Settings::OpenGroupEditNumber, 7);

        open->show();
        select(open->ComboBox2, QStringLiteral("6:"));
        open->Button2->click();
        QCOMPARE(Settings::OpenGroupViewNumber, 6);
        QCOMPARE(forms().Form5->TableName(), std::string("OGMEMO6"));

        TForm1c* closed = forms().Form1c;
        closed->show();
        closed->Button2Click();
        QCOMPARE(Platform::takeMessages(), std::vector<std::string>{Codec::sj("グループを指示してください")});
        select(closed->ComboBox2, QStringLiteral("4:"));
        closed->Button2->click();
        QCOMPARE(Settings::ClosedGroupViewNumber, 4);
        QCOMPARE(forms().Form7->TableName(), std::string("CGMEMO4"));
        QCOMPARE(forms().Form7->LabelA2->text(), ui("期間：20240401～"));
        QVERIFY(Platform::takeMessages().empty());
    }

    void emptyListsAnswerWithTheirMessages() {
        registry().DeleteRows("CGROUP", "");
        TForm1c* closed = forms().Form1c;
        closed->show();
        closed->Button1Click();
        closed->Button2Click();
        QCOMPARE(Platform::takeMessages(),
                 (std::vector<std::string>{Codec::sj("編集可能なグループがありません"),
                                           Codec::sj("参照グループがありません")}));
        QVERIFY(closed->isVisible());
    }

    void aGroupGoneOrEndedSinceTheListingOpensNothing() {
        struct Change {
            const char* table;
            const char* listed; // the item selected
            bool edit;
            std::function<void()> meanwhile;
        };
        const Change changes[] = {
            {"OGROUP", "3:", true, [this] { registry().DeleteRows("OGROUP", "N=3"); }},
            {"OGROUP", "5:", true, [this] { registry().UpdateSet("OGROUP", "ENDED='1'", "N=5"); }},
            {"CGROUP", "3:", true, [this] { registry().UpdateSet("CGROUP", "P1=NULL", "N=3"); }},
            {"CGROUP", "4:", false, [this] { registry().UpdateSet("CGROUP", "P4='2'", "N=4"); }},
        };
        for (const Change& change : changes) {
            TGroupChooser* chooser = std::string(change.table) == "OGROUP"
                                         ? static_cast<TGroupChooser*>(forms().Form1b)
                                         : forms().Form1c;
            Settings::OpenGroupEditNumber = Settings::ClosedGroupEditNumber =
                Settings::ClosedGroupViewNumber = 0;
            chooser->show();
            select(change.edit ? chooser->ComboBox1 : chooser->ComboBox2, QString::fromLatin1(change.listed));
            change.meanwhile();
            (change.edit ? chooser->Button1 : chooser->Button2)->click();
            QVERIFY2(chooser->isVisible(), change.listed);
            QCOMPARE(Settings::OpenGroupEditNumber + Settings::ClosedGroupEditNumber +
                         Settings::ClosedGroupViewNumber,
                     0);
            QVERIFY(!forms().Form4->isVisible() && !forms().Form6->isVisible() &&
                    !forms().Form7->isVisible());
            QVERIFY(Platform::takeMessages().empty());
            chooser->hide();
        }
    }

    void anOpenPadSwitchesToTheNewlyChosenGroup() {
        TForm1b* open = forms().Form1b;
        TForm4* pad = forms().Form4;
        open->show();
        select(open->ComboBox1, QStringLiteral("3:"));
        open->Button1->click();
        QCOMPARE(pad->TableName(), std::string("OGMEMO3"));
        pad->SetStatus("kept");

        // The same group again only brings the pad to the front.
        open->show();
        select(open->ComboBox1, QStringLiteral("3:"));
        open->Button1->click();
        QCOMPARE(pad->StatusText(), std::string("kept"));

        open->show();
        select(open->ComboBox1, QStringLiteral("5:"));
        open->Button1->click();
        QCOMPARE(pad->TableName(), std::string("OGMEMO5"));
        QVERIFY(pad->StatusText() != "kept");
        QCOMPARE(pad->LabelA1->text(), ui("グループ名：Beta"));
        QCOMPARE(pad->LabelA2->text(), ui("期間：20240401～20240930"));

        pad->SelectRow(0);
        pad->Edit1->setText(QStringLiteral("for group five"));
        QTest::keyClick(pad->Edit1, Qt::Key_Return);
        QCOMPARE(registry().ReadMax("OGMEMO5", "N", "").value(), std::string("1"));
        QCOMPARE(registry().ReadMax("OGMEMO3", "N", "").value(), std::string());
    }

    void listsThatCannotBeReadAreSaidNotShownEmpty() {
        // On a server of the test's own: the plain login is made in its security database.
        PrivateServer server;
        QVERIFY2(server.ok(), "no private server (scripts/private-firebird.sh)");
        TestDatabase other("choosers-refused", server.host());
        QVERIFY2(other.ok(), other.error().c_str());
        other.useInSettings();
        TForm1a* members = forms().Form1a;
        TForm1b* groups = forms().Form1b;

        // A database without the registry.
        members->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{
                     Codec::sj("メンバー一覧を読み込めませんでした。データベースを確認して下さい。")});
        QVERIFY(members->Button1->isEnabled() && !members->Button2->isEnabled());
        members->hide();

        // A login without rights on it.
        QVERIFY(other.createRegistry());
        QVERIFY(other.addMember(2, "Bob", "pw"));
        QVERIFY(other.runIsql("CREATE OR ALTER USER QBPLAIN PASSWORD 'plainpw';"));
        other.db().Disconnect();
        Settings::DatabaseUser = "QBPLAIN";
        Settings::DatabasePassword = "plainpw";
        members->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("メンバー一覧の読み込みをデータベースに拒否されました。"
                                                    "DBユーザーの権限を確認して下さい。")});
        QCOMPARE(members->ComboBox1->count(), 0);
        QVERIFY(!members->Button2->isEnabled());
        members->hide();
        groups->show();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("グループ一覧の読み込みをデータベースに拒否されました。"
                                                    "DBユーザーの権限を確認して下さい。")});
        QVERIFY(!groups->Button1->isEnabled() && !groups->Button2->isEnabled());
        groups->hide();

        forms().FormFBDB->Disconnect();
        database->useInSettings();
    }

    void namesWithControlCharactersShowOnOneLine() {
        // Written by another program: a line feed, a NUL byte, a carriage
        // return with its line feed, and markup, all kept as stored.
        QVERIFY(
            database->runIsql("UPDATE MEMBER SET NAME = 'Bo' || ASCII_CHAR(10) || 'b' WHERE N = 2;"
                              "UPDATE OGROUP SET NAME = 'Al' || ASCII_CHAR(0) || 'pha', OUTLINE = '<b>P</b>' "
                              "|| ASCII_CHAR(13) || ASCII_CHAR(10) || 'x' WHERE N = 3;"));
        TForm1a* chooser = forms().Form1a;
        chooser->show();
        QCOMPARE(items(chooser->ComboBox1),
                 (QStringList{QStringLiteral("2:Bo b"), QStringLiteral("12:ABC")}));
        chooser->hide();

        TForm1b* open = forms().Form1b;
        open->show();
        QCOMPARE(items(open->ComboBox1).first(), ui("3:Al pha－<b>P</b>  x"));
        select(open->ComboBox1, QStringLiteral("3:"));
        open->Button1->click();
        TForm4* pad = forms().Form4;
        QCOMPARE(pad->TableName(), std::string("OGMEMO3"));
        QCOMPARE(pad->LabelA1->text(), ui("グループ名：Al pha"));
        QCOMPARE(pad->LabelA3->text(), ui("概略：<b>P</b>  x"));
        QCOMPARE(pad->LabelA3->textFormat(), Qt::PlainText);
    }

    void theLauncherWaitsForTheChooserOnly() {
        bool sawModal = false;
        QTimer::singleShot(0, this, [&] {
            TForm1a* chooser = forms().Form1a;
            sawModal = QApplication::activeModalWidget() == chooser;
            select(chooser->ComboBox1, QStringLiteral("2:"));
            chooser->Button2->click();
        });
        forms().Form1->Button1Click();
        QVERIFY(sawModal);
        QVERIFY(!forms().Form1a->isVisible());
        QVERIFY(forms().Form3->isVisible());
        QVERIFY(!forms().Form3->isModal());
        QCOMPARE(forms().Form3->TableName(), std::string("MYMEMO2"));
    }
};

QTEST_MAIN(TestChoosers)
#include "tst_choosers.moc"
