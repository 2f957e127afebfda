// Live pads: a line entered, changed or deleted by one client shows in the
// other's grid at once, with a refresh interval of ten minutes; without the
// change trigger at the next timer tick. And when a screen refreshes for a
// change: never during an action or while the member types, at most every
// 300 ms, only for the pad it shows.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "memo/LineWriters.h"
#include "memo/ReconnectPacing.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit8.h"
#include "platform/Platform.h"
#include "support/LiveClient.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <cstring>
#include <memory>

namespace {

constexpr std::int64_t Second = 1'000'000'000;

} // namespace

class TestLive : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    TForm8* pad = nullptr;

    bool padHolds(const TMemoScreen* screen, const std::string& text) const {
        for (int row = 0; row < screen->RowCount(); ++row)
            if (screen->Cell(2, row) == text)
                return true;
        return false;
    }
    int rowOf(const std::string& text) const {
        for (int row = 0; row < pad->RowCount(); ++row)
            if (pad->Cell(2, row) == text)
                return row;
        return -1;
    }

    // The member types text on the row and presses Enter; the moment before.
    std::int64_t enterLine(int row, const std::string& text) {
        clickRow(pad, row);
        QTest::keyClick(pad->Edit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(pad->Edit1, Codec::toQString(text));
        const std::int64_t start = LiveClient::Now();
        QTest::keyClick(pad->Edit1, Qt::Key_Return);
        return start;
    }

    void insertInto(const std::string& table, const std::string& text) {
        FieldList row;
        QVERIFY2(InsertMemoLine(other, table, row, AppendSortNumber(other, table), text, 2),
                 other.LastError().c_str());
    }

    std::uint64_t statements() const { return forms().FormFBDB->StatementCount(); }

    static auto holding(const std::string& text) {
        return [text](const std::vector<std::string>& lines) { return LiveClient::Holds(lines, text); };
    }

private slots:
    void initTestCase() {
        QVERIFY(setUpMemoSuite("live"));
        pad = forms().Form8;
        Settings::MemberNumber = 1;
        Settings::RowsPerPage = 50;
        Settings::RefreshSeconds = 600;
        // The first client to open the pad makes its table and the trigger.
        pad->show();
        QVERIFY(pad->Ready());
    }

    void init() {
        Settings::RefreshSeconds = 600;
        if (!pad->isVisible())
            pad->show();
        pad->SetStatus({});
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void linesOfOneClientShowInTheOtherAtOnce() {
        LiveClient::Process client;
        QVERIFY2(client.start(QCoreApplication::applicationFilePath(), 600), client.errors().constData());

        std::int64_t start = enterLine(pad->RowCount() - 1, "entered here");
        std::int64_t shown = client.waitForGrid(holding("entered here"), 5000);
        QVERIFY(shown > 0);
        QVERIFY2(shown - start < Second, std::to_string(shown - start).c_str());

        start = enterLine(rowOf("entered here"), "changed here");
        shown = client.waitForGrid(
            [](const auto& lines) {
                return LiveClient::Holds(lines, "changed here") && !LiveClient::Holds(lines, "entered here");
            },
            5000);
        QVERIFY(shown > 0);
        QVERIFY(shown - start < Second);

        clickRow(pad, rowOf("changed here"));
        Platform::setNextAnswer(Platform::Answer::Yes);
        start = LiveClient::Now();
        QTest::keyClick(pad->SG1, Qt::Key_Delete);
        shown = client.waitForGrid(
            [](const auto& lines) { return !LiveClient::Holds(lines, "changed here"); }, 5000);
        QVERIFY(shown > 0);
        QVERIFY(shown - start < Second);

        // And the other way round.
        client.send("enter entered there");
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(pad, "entered there"), 1000);
    }

    void withoutTheTriggerTheNextTickShowsTheLine() {
        QVERIFY(other.DropChangeTrigger(AlMemoTable()));
        const auto restored = qScopeGuard([this] { other.AddChangeTrigger(AlMemoTable()); });
        LiveClient::Process client;
        QVERIFY2(client.start(QCoreApplication::applicationFilePath(), 2), client.errors().constData());
        QVERIFY(client.waitForTick(5000) > 0);
        const std::int64_t start = enterLine(pad->RowCount() - 1, "for the timer");
        const std::int64_t shown = client.waitForGrid(holding("for the timer"), 5000);
        QVERIFY(shown > 0);
        // Shown by the first tick after the commit, not before it.
        const auto& ticks = client.ticks();
        const auto tick =
            std::find_if(ticks.begin(), ticks.end(), [start](std::int64_t t) { return t > start; });
        QVERIFY(tick != ticks.end());
        QVERIFY(*tick <= shown);
        QVERIFY(shown - *tick < Second / 2);
    }

    // Typed as keys, or composed and committed through an input method as
    // Japanese is typed.
    void changesWaitWhileTheMemberTypes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("inputMethod");
        QTest::newRow("keys") << QStringLiteral("typing") << false;
        QTest::newRow("input method") << QString::fromUtf8("入力中") << true;
    }
    void changesWaitWhileTheMemberTypes() {
        QFETCH(QString, typed);
        QFETCH(bool, inputMethod);
        const std::string tag = QTest::currentDataTag();
        // With the tick count standing still, a refresh waits the full 300 ms
        // after the one before: the member starts typing while it waits.
        Platform::setTickSource([] { return std::uint32_t{1000}; });
        const auto restored = qScopeGuard([] { Platform::setTickSource(nullptr); });
        pad->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(pad));
        insertInto(AlMemoTable(), "before typing " + tag);
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(pad, "before typing " + tag), 1000);
        insertInto(AlMemoTable(), "while typing " + tag);
        QTest::qWait(50);
        pad->Edit1->setFocus();
        pad->Edit1->clear();
        if (inputMethod)
            commit(pad->Edit1, typed);
        else
            QTest::keyClicks(pad->Edit1, typed);
        QVERIFY(!pad->Timer1->isActive());
        QTest::qWait(600);
        QVERIFY(!padHolds(pad, "while typing " + tag));
        QCOMPARE(pad->Edit1->text(), typed);
        pad->SG1->setFocus(); // the field is left
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(pad, "while typing " + tag), 1000);
        QCOMPARE(pad->Edit1->text(), typed);
    }

    void changesWaitWhileAnActionRuns() {
        bool shownDuringFind = true;
        QTimer::singleShot(0, this, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            insertInto(AlMemoTable(), "during the find");
            QTest::qWait(600);
            shownDuringFind = padHolds(pad, "during the find");
            dialog->close();
        });
        pad->ButtonE->click();
        QVERIFY(!shownDuringFind);
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(pad, "during the find"), 1000);
    }

    void aRefreshAtMostEvery300msKeepingTheStatus() {
        QTest::qWait(400);
        pad->SetStatus("kept");
        const std::uint64_t before = statements();
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= 8; ++i) {
            insertInto(AlMemoTable(), "burst " + std::to_string(i));
            QTest::qWait(40);
        }
        const qint64 burst = clock.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(pad, "burst 8"), 1000);
        QTest::qWait(400);
        // Each refresh reads the page with one statement.
        const std::uint64_t refreshes = statements() - before;
        QVERIFY2(refreshes >= 1 && refreshes <= static_cast<std::uint64_t>(burst / 300 + 2),
                 (std::to_string(refreshes) + " refreshes in " + std::to_string(burst) + " ms").c_str());
        QCOMPARE(pad->StatusText(), std::string("kept"));
    }

    void onlyTheShownPadIsFollowed() {
        TMemoScreen* viewer = forms().Form3;
        FieldList fields;
        SetMemoFields(fields);
        QVERIFY(CreateMemoTable(other, MyMemoTable(5), fields));
        QVERIFY(CreateMemoTable(other, MyMemoTable(6), fields));
        Settings::ViewMemberNumber = 5;
        viewer->ShowPad();
        Settings::ViewMemberNumber = 6;
        viewer->ShowPad(); // switched to another member's pad
        QCOMPARE(viewer->TableName(), MyMemoTable(6));
        pad->hide();
        std::vector<std::string> heard;
        const QMetaObject::Connection listener =
            connect(forms().FormFBDB, &TFormFBDB::TableChanged, this,
                    [&](const std::string& table) { heard.push_back(table); });
        const auto disconnected = qScopeGuard([&] { disconnect(listener); });

        std::uint64_t before = statements();
        insertInto(MyMemoTable(5), "old pad");
        insertInto(AlMemoTable(), "hidden pad");
        QTest::qWait(600);
        QCOMPARE(statements(), before);
        QCOMPARE(heard, std::vector<std::string>{}); // not even listened for

        insertInto(MyMemoTable(6), "shown pad");
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(viewer, "shown pad"), 1000);
        viewer->hide();
        before = statements();
        insertInto(MyMemoTable(6), "after hiding");
        QTest::qWait(600);
        QCOMPARE(statements(), before);
        QCOMPARE(heard, std::vector<std::string>{MyMemoTable(6)});
    }

    void aLineTellsWhoWroteIt() {
        QVERIFY(database->createRegistry());
        // A name written by another program, with a line feed and markup in it.
        QVERIFY(database->addMember(2, "<b>Sa\nto</b>", "pw"));
        insertInto(AlMemoTable(), "by two");
        FieldList row;
        QVERIFY(
            InsertMemoLine(other, AlMemoTable(), row, AppendSortNumber(other, AlMemoTable()), "by three", 3));
        QVERIFY(InsertMemoLine(other, AlMemoTable(), row, AppendSortNumber(other, AlMemoTable()), "by nobody",
                               4));
        QVERIFY(database->runIsql("UPDATE ALMEMO SET MN = NULL WHERE TEXT = 'by nobody';"));
        pad->ButtonKClick();
        const auto tipOf = [this](const std::string& text) {
            const int row = rowOf(text);
            QRect cell = pad->SG1->visualItemRect(pad->SG1->item(row, 2));
            QHelpEvent hover(QEvent::ToolTip, cell.center(),
                             pad->SG1->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(pad->SG1->viewport(), &hover);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        const auto shown = [](const char* tip) { return LineWriters::TipMarkup(Codec::sj(tip)); };
        QCOMPARE(tipOf("by two"), shown("登録メンバー：2:<b>Sa to</b>"));
        QVERIFY(tipOf("by two").contains(QStringLiteral("&lt;b&gt;Sa to&lt;/b&gt;")));
        QCOMPARE(tipOf("by three"), shown("登録メンバー：3"));
        QCOMPARE(tipOf("by nobody"), shown("登録メンバー：不明"));
        // Selecting a line shows it too.
        QToolTip::hideText();
        pad->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(pad));
        pad->SelectRow(rowOf("by three"));
        QTRY_COMPARE(QToolTip::text(), shown("登録メンバー：3"));
        QToolTip::hideText();

        // The viewers tell it as well.
        Settings::ViewMemberNumber = 2;
        QVERIFY(CreateMemoTable(other, MyMemoTable(2), row));
        insertInto(MyMemoTable(2), "in the viewer");
        TMemoScreen* viewer = forms().Form3;
        viewer->ShowPad();
        QCOMPARE(LineWriters::TipText(*viewer, 0), Codec::sj("登録メンバー：2:<b>Sa\nto</b>"));

        // After a server that answered nothing, a tip tries no connection
        // until the pause of the refreshes has passed.
        viewer->hide();
        viewer->ShowPad();
        forms().FormFBDB->Disconnect();
        ReconnectPacing& pacing = ReconnectPacing::shared();
        const auto freePacing = qScopeGuard([&] { pacing.succeeded(); });
        pacing.failed(ReconnectPacing::Clock::now(), std::chrono::seconds(10), std::chrono::seconds(10));
        QVERIFY(LineWriters::TipText(*viewer, 0).find(Codec::sj("名前を読み込めませんでした")) !=
                std::string::npos);
        QVERIFY(!forms().FormFBDB->IsConnected());
        viewer->hide();
    }

    // Two pads open side by side: a change to one of them makes the other
    // read nothing.
    void aChangeToOnePadLeavesAnotherOpenPadAlone() {
        TForm2* own = forms().Form2;
        own->show();
        QVERIFY(own->Ready());
        QTest::qWait(400);
        const std::pair<TMemoScreen*, std::string> changes[] = {{pad, AlMemoTable()}, {own, MyMemoTable(1)}};
        for (const auto& [screen, table] : changes) {
            const std::uint64_t before = statements();
            insertInto(table, "only for " + table);
            QTRY_VERIFY_WITH_TIMEOUT(padHolds(screen, "only for " + table), 1000);
            QTest::qWait(400);
            QCOMPARE(statements() - before, std::uint64_t{1}); // the one page read of that pad
        }
        own->hide();
    }

    void theScreenListensAgainAfterTheServerEndedItsConnection() {
        QVERIFY(
            database->runIsql("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION;"));
        QVERIFY(database->connect(other));
        pad->ButtonK->click(); // finds the connection gone and connects again
        QVERIFY(forms().FormFBDB->IsConnected());
        insertInto(AlMemoTable(), "after the reconnect");
        QTRY_VERIFY_WITH_TIMEOUT(padHolds(pad, "after the reconnect"), 1000);
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], LiveClient::Argument) == 0)
        return LiveClient::Run(argc, argv);
    QApplication app(argc, argv);
    TestLive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_live.moc"
