// The member and group choosers against a real server: who is offered which
// pad, the hand-off to the memo screens, and what a button does when the
// group changed after the lists were made.

#include "app/Forms.h"
#include "app/PadOpener.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/UnreadBadges.h"
#include "app/UnreadCounts.h"
#include "choosers/ListCounts.h"
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
#include "memo/Unit8.h"
#include "platform/Platform.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
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

    // Another member's client, writing.
    TFormFBDB writer;

    void write(const std::string& table, std::int32_t member, const char* text) {
        FieldList row;
        QVERIFY2(InsertMemoLine(writer, table, row, AppendSortNumber(writer, table), text, member),
                 writer.LastError().c_str());
    }

    static UnreadCounts* counts() { return forms().Form1->Counts; }

    static QString badge(PadKind kind) {
        const QLabel* label = forms().Form1->Badges->Badge(kind);
        return label->isHidden() ? QString() : label->text();
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
        // The counts say so too, beside the buttons.
        const auto stopped = qScopeGuard([this] {
            counts()->Stop();
            Settings::RefreshSeconds = 30;
            forms().FormFBDB->Disconnect();
            database->useInSettings();
        });
        counts()->Start();
        QTRY_COMPARE(counts()->Failure(), std::optional<DbFailure>(DbFailure::NoPermission));
        QCOMPARE(badge(PadKind::AllMembers), QStringLiteral("?"));
        QCOMPARE(forms().Form1->Badges->Badge(PadKind::AllMembers)->toolTip(),
                 ui("未読の行数を読み込めませんでした（読み込みを拒否されました）"));

        // A server that goes away and comes back: the counts say so, and then follow it again.
        other.useInSettings();
        Settings::RefreshSeconds = 1;
        counts()->Start();
        QTRY_VERIFY(counts()->Counted());
        QVERIFY(!counts()->Failure());
        QVERIFY(server.stop());
        QTRY_COMPARE_WITH_TIMEOUT(badge(PadKind::AllMembers), QStringLiteral("?"), 5000);
        QCOMPARE(counts()->Failure(), std::optional<DbFailure>(DbFailure::ConnectionLost));
        QVERIFY(server.start());
        QTRY_VERIFY_WITH_TIMEOUT(!counts()->Failure(), 10000);
        TFormFBDB bob;
        QVERIFY(other.connect(bob));
        FieldList row;
        QVERIFY(OpenMemoTable(bob, AlMemoTable(), row) != OpenMemoTableResult::Failed);
        QVERIFY(InsertMemoLine(bob, AlMemoTable(), row, 1.0, "after the restart", 2));
        QTRY_COMPARE_WITH_TIMEOUT(badge(PadKind::AllMembers), QStringLiteral("1"), 2000);
        bob.Disconnect();

        // A server that hangs holds up the counts' own thread, never the windows'.
        QVERIFY(server.freeze());
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longestGap = 0;
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        ticks.start(20);
        counts()->RefreshSoon();
        QTest::qWait(2500);
        QVERIFY(server.thaw());
        QVERIFY2(longestGap < 500, std::to_string(longestGap).c_str());
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

    void unreadCountsShowBesideTheButtonsAndInTheLists() {
        QTemporaryDir settingsFolder;
        Settings::DbSettingsFilePath =
            Codec::fromQString(settingsFolder.filePath(QStringLiteral("qbook2db.dat")));
        QVERIFY(database->connect(writer));
        const auto stopped = qScopeGuard([this] {
            counts()->Stop();
            Settings::DbSettingsFilePath.clear();
            writer.Disconnect();
        });
        // Lines there before the first count are taken as seen.
        FieldList fields;
        for (const std::string& table : {OgMemoTable(3), OgMemoTable(6), CgMemoTable(3), CgMemoTable(5),
                                         MyMemoTable(2), MyMemoTable(User), AlMemoTable()}) {
            QVERIFY(OpenMemoTable(writer, table, fields) != OpenMemoTableResult::Failed);
            write(table, 2, "before");
        }
        counts()->Start();
        QTRY_VERIFY(counts()->Counted());
        QVERIFY(!counts()->Failure());
        QCOMPARE(counts()->Total(), 0);
        // The pads the choosers and the global search offer for reading, the own pad excepted.
        std::vector<std::string> tables;
        for (const UnreadCounts::Pad& pad : counts()->Pads())
            tables.push_back(pad.pad.table);
        QCOMPARE(tables, (std::vector<std::string>{"MYMEMO2", "MYMEMO12", "OGMEMO3", "OGMEMO4", "OGMEMO5",
                                                   "OGMEMO6", "OGMEMO7", "CGMEMO3", "CGMEMO4", "ALMEMO"}));

        QSignalSpy notices(counts(), &UnreadCounts::NewLines);
        write(OgMemoTable(3), 2, "a");
        write(OgMemoTable(3), 12, "b");
        write(OgMemoTable(3), User, "the member's own line");
        write(OgMemoTable(6), 2, "c");
        write(CgMemoTable(3), 2, "d");
        write(CgMemoTable(5), 2, "a pad the member may not read");
        write(MyMemoTable(2), 2, "e");
        write(MyMemoTable(User), 2, "the own pad");
        write(AlMemoTable(), 2, "deleted");
        const std::int32_t deleted = ToIntOrZero(writer.ReadMax(AlMemoTable(), "N", "").value());
        QVERIFY(DeleteMemoLine(writer, AlMemoTable(), deleted, "deleted", 2));
        write(AlMemoTable(), 12, "f");
        QTRY_COMPARE_WITH_TIMEOUT(badge(PadKind::OpenGroup), QStringLiteral("3"), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(badge(PadKind::AllMembers), QStringLiteral("1"), 2000);
        QCOMPARE(badge(PadKind::ClosedGroup), QStringLiteral("1"));
        QCOMPARE(badge(PadKind::Member), QStringLiteral("1"));
        QCOMPARE(counts()->Count(OgMemoTable(3)), 2);
        QVERIFY(!notices.isEmpty());

        // One statement for a change of a pad that no screen shows, none while nothing changes.
        const std::uint64_t statements = counts()->StatementCount();
        write(OgMemoTable(6), 2, "g");
        QTRY_COMPARE_WITH_TIMEOUT(badge(PadKind::OpenGroup), QStringLiteral("4"), 2000);
        QTest::qWait(300);
        QCOMPARE(counts()->StatementCount(), statements + 1);
        QCOMPARE(notices.last(), (QVariantList{QVariant::fromValue(OgMemoTable(6)), 1}));

        TForm1b* open = forms().Form1b;
        open->show();
        QCOMPARE(items(open->ComboBox1), (QStringList{ui("3:Alpha－Plans") + ListCounts::CountSuffix(2),
                                                      ui("5:Beta－Next"), ui("7:Re:view－a:b")}));
        QCOMPARE(items(open->ComboBox2),
                 (QStringList{ui("4:Old－Done"), ui("6:Other－Not ours") + ListCounts::CountSuffix(2)}));
        // Opening the pad clears its count, in the list as well.
        select(open->ComboBox1, QStringLiteral("3:"));
        open->Button1->click();
        QCOMPARE(forms().Form4->TableName(), std::string("OGMEMO3"));
        QTRY_COMPARE(badge(PadKind::OpenGroup), QStringLiteral("2"));
        QCOMPARE(items(open->ComboBox1).first(), ui("3:Alpha－Plans"));
        QVERIFY(counts()->Seen(OgMemoTable(3)) > 0);
        // A line shown on the screen is no news; once the screen is closed the pad counts again.
        notices.clear();
        write(OgMemoTable(3), 2, "on the screen");
        QTest::qWait(300);
        QCOMPARE(counts()->Count(OgMemoTable(3)), 0);
        QVERIFY(notices.isEmpty());
        forms().Form4->close();
        QTest::qWait(300);
        QCOMPARE(counts()->Count(OgMemoTable(3)), 0);

        // The seen marks outlive the run.
        counts()->Stop();
        QVERIFY(QFile::exists(settingsFolder.filePath(QStringLiteral("qbook2seen.dat"))));
        write(OgMemoTable(3), 2, "while stopped");
        counts()->Start();
        QTRY_VERIFY(counts()->Counted());
        QCOMPARE(counts()->Count(OgMemoTable(3)), 1);
        QCOMPARE(counts()->Count(OgMemoTable(6)), 2);
        QVERIFY(notices.isEmpty());

        // A table without the change trigger, as copies that knew nothing of
        // events made them, is read at the refresh interval.
        counts()->Stop();
        QVERIFY(OpenMemoTable(writer, OgMemoTable(7), fields) != OpenMemoTableResult::Failed);
        QVERIFY(writer.DropChangeTrigger(OgMemoTable(7)));
        Settings::RefreshSeconds = 1;
        const auto refreshKept = qScopeGuard([] { Settings::RefreshSeconds = 30; });
        counts()->Start();
        write(OgMemoTable(7), 2, "told by no event");
        QTRY_COMPARE_WITH_TIMEOUT(counts()->Count(OgMemoTable(7)), 1, 3000);
        QVERIFY(writer.AddChangeTrigger(OgMemoTable(7)));
    }

    void aPadOpensFromTheCountsAsItsChooserOpensIt() {
        const auto pad = [](PadKind kind, std::int32_t number, std::string table) {
            return ReadablePad{kind, number, std::move(table), {}};
        };
        OpenReadablePad(pad(PadKind::OpenGroup, 3, "OGMEMO3"));
        QVERIFY(forms().Form4->isVisible());
        QCOMPARE(forms().Form4->TableName(), std::string("OGMEMO3"));
        QCOMPARE(forms().Form4->LabelA1->text(), ui("グループ名：Alpha"));
        // Ended, or without the member: read only.
        OpenReadablePad(pad(PadKind::OpenGroup, 4, "OGMEMO4"));
        QCOMPARE(forms().Form5->TableName(), std::string("OGMEMO4"));
        OpenReadablePad(pad(PadKind::ClosedGroup, 4, "CGMEMO4"));
        QCOMPARE(forms().Form7->TableName(), std::string("CGMEMO4"));
        QVERIFY(!forms().Form6->isVisible());
        // A closed group that lost the member meanwhile opens nothing.
        OpenReadablePad(pad(PadKind::ClosedGroup, 5, "CGMEMO5"));
        QVERIFY(!forms().Form6->isVisible());
        QCOMPARE(forms().Form7->TableName(), std::string("CGMEMO4"));
        OpenReadablePad(pad(PadKind::Member, 2, "MYMEMO2"));
        QCOMPARE(forms().Form3->TableName(), std::string("MYMEMO2"));
        QVERIFY(Platform::takeMessages().empty());

        // While a modal window is open, nothing else opens.
        bool opened = true;
        QTimer::singleShot(0, this, [&] {
            OpenReadablePad(pad(PadKind::Member, 12, "MYMEMO12"));
            opened = forms().Form3->TableName() == "MYMEMO12";
            forms().Form1b->close();
        });
        forms().Form1->Button2Click();
        QVERIFY(!opened);
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
