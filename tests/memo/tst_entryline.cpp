// Enter stores the typed text as the line it was taken from, also when a
// refresh has moved the selection since: the text is never written over the
// line that happens to be selected. Lines typed one after another each become
// a line of their own.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "platform/Platform.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <memory>

class TestEntryLine : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> database;
    TFormFBDB other;
    TForm2* screen = nullptr;

    std::string table() const { return MyMemoTable(7); }

    // N, DF and TEXT of every row, in N order.
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (const FieldList& row : ReadMemoRows(other, table(), "", "N"))
            out.push_back(row[MemoN].Value + "/" + row[MemoDF].Value + "/" + row[MemoText].Value);
        return out;
    }

    // Text as an input method sends it: composed, then committed.
    void commit(const QString& text) {
        QInputMethodEvent composing(text, {});
        QApplication::sendEvent(screen->Edit1, &composing);
        QInputMethodEvent committed;
        committed.setCommitString(text);
        QApplication::sendEvent(screen->Edit1, &committed);
    }

    // After Enter stored a new line: the append row is selected with an
    // empty field, the new line just above it.
    void expectReadyForTheNextLine(const std::string& stored) {
        QCOMPARE(screen->StatusText(), Codec::sj("登録出来ました"));
        QVERIFY(screen->Edit1->text().isEmpty());
        const int row = screen->CurrentRow();
        QVERIFY(row > 0);
        QVERIFY(screen->Cell(0, row).empty());
        QCOMPARE(screen->Cell(2, row - 1), stored);
    }

    void addLines(int first, int count) {
        FieldList fields;
        for (int n = first; n < first + count; ++n)
            QVERIFY(InsertMemoRow(other, table(), fields, n, n, "line" + std::to_string(n), 2));
    }

private slots:
    void initTestCase() {
        Platform::setScripted(true);
        database = std::make_unique<TestDatabase>("entryline");
        QVERIFY2(database->ok(), database->error().c_str());
        database->useInSettings();
        Settings::MemberNumber = 7;
        Settings::MemberName = "Tester";
        Settings::RowsPerPage = 5;
        CreateForms();
        screen = forms().Form2;
        QVERIFY(database->connect(other));
    }

    void init() {
        screen->hide();
        if (other.TableExists(table()))
            other.DeleteRows(table(), "");
        screen->show();
        QVERIFY(screen->Ready);
    }

    void cleanupTestCase() {
        screen->hide();
        other.Disconnect();
        forms().FormFBDB->Disconnect();
    }

    void linesTypedOneAfterAnother() {
        screen->ButtonDClick();
        screen->Edit1->setFocus();
        const auto clearField = [this] {
            QTest::keyClick(screen->Edit1, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(screen->Edit1, Qt::Key_Backspace);
        };
        QTest::keyClicks(screen->Edit1, QStringLiteral("line A"));
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        expectReadyForTheNextLine("line A");
        clearField();
        QTest::keyClicks(screen->Edit1, QStringLiteral("line B"));
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        expectReadyForTheNextLine("line B");
        QTest::keyClicks(screen->Edit1, QStringLiteral("line C"));
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        expectReadyForTheNextLine("line C");
        // Japanese through the input method, past the end of the page.
        for (const char* text : {"日本語の行", "二行目", "三行目"}) {
            if (std::string(text) == "二行目")
                clearField();
            commit(QString::fromUtf8(text));
            QTest::keyClick(screen->Edit1, Qt::Key_Return);
            expectReadyForTheNextLine(Codec::sj(text));
        }
        QCOMPARE(rows(), (std::vector<std::string>{
                             "1/0/line A", "2/0/line B", "3/0/line C", "4/0/" + Codec::sj("日本語の行"),
                             "5/0/" + Codec::sj("二行目"), "6/0/" + Codec::sj("三行目")}));
        // Enter on the empty field adds nothing.
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(rows().size(), size_t(6));
    }

    void textTypedOnTheAppendRowStaysANewLine() {
        addLines(1, 3);
        screen->ButtonDClick();
        QVERIFY(screen->Cell(0, screen->CurrentRow()).empty());
        screen->Edit1->setText(QStringLiteral("mine"));
        // Lines of others fill the page: the refresh leaves no append row and
        // selects the last line under the typed text.
        addLines(4, 4);
        screen->Timer1Timer();
        QVERIFY(!screen->Cell(0, screen->CurrentRow()).empty());
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(rows(), (std::vector<std::string>{"1/0/line1", "2/0/line2", "3/0/line3", "4/0/line4",
                                                   "5/0/line5", "6/0/line6", "7/0/line7", "8/0/mine"}));
        // The pad has grown past the page: the last page shows, the new line above the append row.
        expectReadyForTheNextLine("mine");
    }

    void aChangeToALineDeletedMeanwhileBecomesANewLine() {
        addLines(1, 3);
        screen->ButtonKClick();
        screen->SelectRow(1);
        screen->Edit1->setText(QStringLiteral("changed"));
        // Another member deletes the line; the refresh selects the line after it.
        QVERIFY(other.UpdateSet(table(), "DF=2", "N=2"));
        screen->Timer1Timer();
        QCOMPARE(screen->Cell(2, screen->CurrentRow()), std::string("line3"));
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(screen->StatusText(), Codec::sj("登録出来ました"));
        QCOMPARE(rows(), (std::vector<std::string>{"1/0/line1", "2/2/line2", "3/0/line3", "4/0/changed"}));
    }
};

QTEST_MAIN(TestEntryLine)
#include "tst_entryline.moc"
