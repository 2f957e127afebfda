// The read-only viewers against a real server: what they open, switching an
// open viewer to another pad, and that no key or button of theirs writes a row.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "editor/UnitEditor.h"
#include "memo/Unit3.h"
#include "memo/Unit5.h"
#include "memo/Unit7.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

class TestViewers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> database;
    TFormFBDB other; // a second client on the same database

    // Every row of the table, deleted ones included, as "N SN DF MN TEXT FIND".
    std::vector<std::string> rows(const std::string& table) {
        std::vector<std::string> out;
        FieldList fields(MemoColumns);
        SetMemoFields(fields);
        const int count = other.SelectRows("*", table, "", "N");
        for (int i = 0; i < count; ++i) {
            if (i == 0)
                other.ReadFirst(fields);
            else
                other.ReadNext(fields);
            std::string row;
            for (const TableField& field : fields)
                row += field.Value + "|";
            out.push_back(row);
        }
        other.CloseQuery();
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

    void whenModal(std::function<void()> action) {
        QTimer::singleShot(0, this, [action] {
            QVERIFY(QApplication::activeModalWidget());
            action();
        });
    }

    static std::string entry(const TMemoScreen* viewer) { return Codec::fromQString(viewer->Edit1->text()); }

private slots:
    void initTestCase() {
        Platform::setScripted(true);
        database = std::make_unique<TestDatabase>("viewers");
        QVERIFY2(database->ok(), database->error().c_str());
        database->useInSettings();
        CreateForms();
        QVERIFY(database->connect(other));
    }

    void init() {
        Settings::MemberNumber = 1;
        Settings::MemberName = "Viewer";
        Settings::RowsPerPage = 5;
        Settings::RefreshSeconds = 30;
        Platform::takeMessages();
    }

    void cleanupTestCase() {
        for (QWidget* viewer : std::initializer_list<QWidget*>{forms().Form3, forms().Form5, forms().Form7})
            viewer->hide();
        other.Disconnect();
        forms().FormFBDB->Disconnect();
    }

    void aViewerOpensOnlyAChosenPadAndCreatesItsTable() {
        TForm3* viewer = forms().Form3;
        Settings::ViewMemberNumber = 0;
        viewer->ShowPad();
        QCOMPARE(Platform::takeMessages(),
                 std::vector<std::string>{Codec::sj("最初に使用者登録を行って下さい。")});
        QVERIFY(!viewer->Ready);

        // The viewer does not ask for the member's name.
        Settings::MemberName.clear();
        Settings::ViewMemberNumber = 12;
        QVERIFY(!other.TableExists("MYMEMO12"));
        viewer->ShowPad();
        QVERIFY(viewer->Ready);
        QVERIFY(other.TableExists("MYMEMO12"));
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
        viewer->ButtonCClick();
        viewer->FindKeyword = "kept";
        const double pageStart = viewer->PageStart;

        viewer->ShowPad(); // the same pad: only to the front
        QCOMPARE(viewer->PageStart, pageStart);
        QCOMPARE(viewer->FindKeyword, std::string("kept"));

        Settings::ViewMemberNumber = 21;
        viewer->ShowPad();
        QCOMPARE(viewer->TableName, std::string("MYMEMO21"));
        QCOMPARE(viewer->PageStart, 0.0);
        QVERIFY(viewer->FindKeyword.empty());
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
        QVERIFY(!viewer->Ready);
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
        QCOMPARE(viewer->TableName, table);
        QVERIFY(viewer->Edit1->isReadOnly());
        QVERIFY(!viewer->ButtonI->isEnabled());
        const std::vector<std::string> before = rows(table);

        // C copies exactly the line, a blank line as one full-width space.
        viewer->SelectRow(1);
        QTest::keyClick(viewer->SG1, Qt::Key_C);
        QCOMPARE(Platform::clipboardText(), table + "-2");
        QCOMPARE(viewer->StatusText(), Codec::sj("１行コピーを行いました"));
        viewer->SelectRow(2);
        QTest::keyClick(viewer->SG1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Platform::clipboardText(), Codec::sj("　"));

        Platform::setClipboardText("pasted\n");
        for (int row : {0, 2, viewer->RowCount() - 1}) {
            viewer->SelectRow(row);
            for (Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier})
                for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_V})
                    QTest::keyClick(viewer->SG1, key, modifier);
            viewer->ButtonI->click();
            viewer->ButtonIClick();
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
        whenModal([] {
            forms().FormSearch->Edit1->setText(QStringLiteral("-5"));
            forms().FormSearch->Button1->click();
        });
        viewer->ButtonE->click();
        QCOMPARE(viewer->Cell(2, 0), table + "-5");
        whenModal([] {
            forms().FormNo->Edit1->setText(QStringLiteral("6"));
            forms().FormNo->Button1->click();
        });
        viewer->ButtonG->click();
        QCOMPARE(viewer->Cell(2, 0), table + "-6");
        viewer->ButtonH->click();
        QVERIFY(forms().FormEditor->isVisible());
        forms().FormEditor->hide();
        viewer->ButtonJ->click();
        QVERIFY(forms().FormGSearch->isVisible());
        forms().FormGSearch->hide();
        viewer->Timer1Timer();

        QCOMPARE(rows(table), before);
        QVERIFY(Platform::takeMessages().empty()); // no question, no message
        viewer->hide();
    }

    void onlyTheMemberViewerPausesItsRefreshForTyping() {
        fillPad("MYMEMO40");
        fillPad("OGMEMO40");
        Settings::ViewMemberNumber = Settings::OpenGroupViewNumber = 40;
        TForm3* member = forms().Form3;
        TForm5* group = forms().Form5;
        for (TMemoScreen* viewer : std::initializer_list<TMemoScreen*>{member, group}) {
            viewer->ShowPad();
            viewer->SelectRow(0);
            QTest::keyClicks(viewer->Edit1, QStringLiteral("ab"));
            QCOMPARE(entry(viewer), viewer->Cell(2, 0));
            QCOMPARE(viewer->Timer1->isActive(), viewer == group);
            QTest::keyClick(viewer->Edit1, Qt::Key_Down);
            QVERIFY(viewer->Timer1->isActive());

            viewer->Timer1->stop();
            QTest::keyClick(viewer->Edit1, Qt::Key_Up);
            QCOMPARE(viewer->Timer1->isActive(), viewer == member);
            viewer->Timer1->stop();
            viewer->Edit1Exit();
            QCOMPARE(viewer->Timer1->isActive(), viewer == member);
            viewer->hide();
        }
    }
};

QTEST_MAIN(TestViewers)
#include "tst_viewers.moc"
