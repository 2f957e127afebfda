// The read-only viewers against a real server: what they open, switching an
// open viewer to another pad, and that no key or button of theirs writes a row.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "editor/UnitEditor.h"
#include "memo/Unit3.h"
#include "memo/Unit5.h"
#include "memo/Unit7.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

class TestViewers : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    // Every row of the table, deleted ones included, as "N|SN|DF|MN|TEXT|FIND|".
    std::vector<std::string> texts(const std::string& table) {
        std::vector<std::string> out;
        for (const FieldList& fields : rows(table, "", "N")) {
            std::string row;
            for (const TableField& field : fields)
                row += field.Value + "|";
            out.push_back(row);
        }
        return out;
    }

    // A pad of seven lines, the third blank, written by member 2.
    void fillPad(const std::string& table) {
        FieldList fields;
        QVERIFY(OpenMemoTable(other, table, fields) != OpenMemoTableResult::Failed);
        for (int n = 1; n <= 7; ++n)
            QVERIFY(InsertMemoRow(other, table, fields, n, n,
                                  n == 3 ? std::string() : table + "-" + std::to_string(n), 2));
    }

private slots:
    void initTestCase() { QVERIFY(setUpMemoSuite("viewers")); }

    void init() {
        Settings::MemberNumber = 1;
        Settings::MemberName = "Viewer";
        Platform::takeMessages();
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void aViewerOpensOnlyAChosenPadAndCreatesItsTable() {
        TForm3* viewer = forms().Form3;
        Settings::ViewMemberNumber = 0;
        viewer->ShowPad();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初に使用者登録を行って下さい。")});
        QVERIFY(!viewer->Ready());

        // The viewer does not ask for the member's name.
        Settings::MemberName.clear();
        Settings::ViewMemberNumber = 12;
        QVERIFY(!exists("MYMEMO12"));
        viewer->ShowPad();
        QVERIFY(viewer->Ready());
        QVERIFY(exists("MYMEMO12"));
        QCOMPARE(viewer->RowCount(), 1);
        QCOMPARE(viewer->StatusText(), Codec::sj("めも行の選択中（[↑][↓]移動 [C]1行コピー）"));
        QVERIFY(viewer->Timer1->isActive());
        QVERIFY(Platform::takeMessages().empty());
        viewer->hide();
    }

    void anOpenViewerSwitchesToTheNewlyChosenPad() {
        fillPad("MYMEMO20");
        fillPad("MYMEMO21");
        TForm3* viewer = forms().Form3;
        Settings::ViewMemberNumber = 20;
        viewer->ShowPad();
        viewer->ButtonC->click();
        find(viewer, "-6", false, true);
        const std::vector<int> page = shownNumbers(viewer);

        viewer->ShowPad(); // the same pad: only to the front
        QCOMPARE(shownNumbers(viewer), page);
        QCOMPARE(viewer->FindKeyword(), std::string("-6"));

        Settings::ViewMemberNumber = 21;
        viewer->ShowPad();
        QCOMPARE(viewer->TableName(), std::string("MYMEMO21"));
        QCOMPARE(shownNumbers(viewer), (std::vector<int>{1, 2, 3, 4, 5}));
        QVERIFY(viewer->FindKeyword().empty());
        QCOMPARE(viewer->Cell(2, 0), std::string("MYMEMO21-1"));
        QCOMPARE(entry(viewer), std::string("MYMEMO21-1"));

        // A show that fails leaves no line of the pad before.
        const std::string location = Settings::DatabaseLocation;
        Settings::DatabaseLocation.clear();
        Settings::ViewMemberNumber = 20;
        viewer->ShowPad();
        Settings::DatabaseLocation = location;
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初にデータベースの設定を行って下さい。")});
        QVERIFY(!viewer->Ready());
        QCOMPARE(viewer->RowCount(), 1);
        QVERIFY(viewer->Cell(2, 0).empty());
        QVERIFY(entry(viewer).empty());
        viewer->hide();
    }

    void noKeyOrButtonOfAViewerWritesARow_data() {
        QTest::addColumn<int>("form");
        QTest::newRow("TForm3") << 3;
        QTest::newRow("TForm5") << 5;
        QTest::newRow("TForm7") << 7;
    }

    void noKeyOrButtonOfAViewerWritesARow() {
        QFETCH(int, form);
        TMemoScreen* viewer = form == 3   ? static_cast<TMemoScreen*>(forms().Form3)
                              : form == 5 ? static_cast<TMemoScreen*>(forms().Form5)
                                          : forms().Form7;
        Settings::ViewMemberNumber = Settings::OpenGroupViewNumber = Settings::ClosedGroupViewNumber =
            30 + form;
        const std::string table = form == 3 ? "MYMEMO33" : form == 5 ? "OGMEMO35" : "CGMEMO37";
        fillPad(table);
        viewer->ShowPad();
        QCOMPARE(viewer->TableName(), table);
        QVERIFY(viewer->Edit1->isReadOnly());
        QVERIFY(!viewer->ButtonI->isEnabled());
        const std::vector<std::string> before = texts(table);

        // C copies exactly the line, a blank line as one full-width space.
        clickRow(viewer, 1);
        QTest::keyClick(viewer->SG1, Qt::Key_C);
        QCOMPARE(Platform::clipboardText(), table + "-2");
        QCOMPARE(viewer->StatusText(), Codec::sj("１行コピーを行いました"));
        clickRow(viewer, 2);
        QTest::keyClick(viewer->SG1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Platform::clipboardText(), Codec::sj("　"));

        Platform::setClipboardText("pasted\n");
        for (int row : {0, 2, viewer->RowCount() - 1}) {
            clickRow(viewer, row);
            for (Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier})
                for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_V})
                    QTest::keyClick(viewer->SG1, key, modifier);
            viewer->ButtonI->click();
            // Even text put into the field by other means is not registered.
            viewer->Edit1->setText(QStringLiteral("typed"));
            QTest::keyClick(viewer->Edit1, Qt::Key_Return);
            QTest::keyClick(viewer->Edit1, Qt::Key_Enter, Qt::KeypadModifier);
            QTest::keyClicks(viewer->Edit1, QStringLiteral("xyz"));
            for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Escape})
                QTest::keyClick(viewer->Edit1, key);
        }
        QCOMPARE(viewer->StatusText(),
                 Codec::sj("参照のみ可能です。文字入力は出来ません。[↑][↓][PageUp][PageDown]:移動"));

        // Ends on the first page, where the find below starts.
        for (QPushButton* button : {viewer->ButtonC, viewer->ButtonB, viewer->ButtonD, viewer->ButtonF,
                                    viewer->ButtonK, viewer->ButtonA})
            button->click();
        find(viewer, "-5", false, true);
        QCOMPARE(viewer->Cell(2, 0), table + "-5");
        jump(viewer, QStringLiteral("6"));
        QCOMPARE(viewer->Cell(2, 0), table + "-6");
        viewer->ButtonH->click();
        QVERIFY(forms().FormEditor->isVisible());
        forms().FormEditor->hide();
        viewer->ButtonJ->click();
        QVERIFY(forms().FormGSearch->isVisible());
        forms().FormGSearch->hide();
        viewer->Timer1Timer();

        QCOMPARE(texts(table), before);
        QVERIFY(Platform::takeMessages().empty()); // no question, no message
        viewer->hide();
    }

    // Typed keys and input-method commits alike pause the refresh of the
    // member viewer only; the group viewers, open and closed, go on.
    void onlyTheMemberViewerPausesItsRefreshForTyping() {
        for (const char* table : {"MYMEMO40", "OGMEMO40", "CGMEMO40"})
            fillPad(table);
        Settings::ViewMemberNumber = Settings::OpenGroupViewNumber = Settings::ClosedGroupViewNumber = 40;
        TMemoScreen* member = forms().Form3;
        for (TMemoScreen* viewer :
             std::initializer_list<TMemoScreen*>{member, forms().Form5, forms().Form7}) {
            const bool pauses = viewer == member;
            viewer->ShowPad();
            QVERIFY(QTest::qWaitForWindowActive(viewer));
            clickRow(viewer, 0);
            viewer->Edit1->setFocus();
            QTest::keyClicks(viewer->Edit1, QStringLiteral("ab"));
            QCOMPARE(entry(viewer), viewer->Cell(2, 0));
            QCOMPARE(viewer->Timer1->isActive(), !pauses);
            QTest::keyClick(viewer->Edit1, Qt::Key_Down);
            QVERIFY(viewer->Timer1->isActive());
            commit(viewer->Edit1, QString::fromUtf8("かな"));
            QCOMPARE(viewer->Timer1->isActive(), !pauses);
            viewer->SG1->setFocus(); // the field is left
            QVERIFY(viewer->Timer1->isActive());

            // Moving from the field starts the member viewer's timer again; the
            // group viewers leave theirs as it is.
            viewer->Edit1->setFocus();
            viewer->Timer1->stop();
            QTest::keyClick(viewer->Edit1, Qt::Key_Up);
            QCOMPARE(viewer->Timer1->isActive(), pauses);
            viewer->hide();
        }
    }
};

QTEST_MAIN(TestViewers)
#include "tst_viewers.moc"
