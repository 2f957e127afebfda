// Enter stores the typed text as the line it was taken from, also when a
// refresh has moved the selection since: the text is never written over the
// line that happens to be selected. Lines typed one after another each become
// a line of their own.

#include "app/Forms.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestEntryLine : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    TForm2* screen = nullptr;

    std::string table() const { return MyMemoTable(7); }

    // N, DF and TEXT of every row, in N order.
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        for (const FieldList& row : rows(table(), "", "N"))
            out.push_back(row[MemoN].Value + "/" + row[MemoDF].Value + "/" + row[MemoText].Value);
        return out;
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

private slots:
    void initTestCase() {
        QVERIFY(setUpMemoSuite("entryline"));
        screen = forms().Form2;
    }

    void init() {
        screen->hide();
        other.DeleteRows(table(), "");
        reopen(screen);
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void linesTypedOneAfterAnother() {
        screen->ButtonD->click();
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
            commit(screen->Edit1, QString::fromUtf8(text));
            QTest::keyClick(screen->Edit1, Qt::Key_Return);
            expectReadyForTheNextLine(Codec::sj(text));
        }
        QCOMPARE(lines(), (std::vector<std::string>{
                              "1/0/line A", "2/0/line B", "3/0/line C", "4/0/" + Codec::sj("日本語の行"),
                              "5/0/" + Codec::sj("二行目"), "6/0/" + Codec::sj("三行目")}));
        // Enter on the empty field adds nothing.
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(lines().size(), size_t(6));
    }

    void textTypedOnTheAppendRowStaysANewLine() {
        addLines(table(), 3);
        screen->ButtonD->click();
        QVERIFY(screen->Cell(0, screen->CurrentRow()).empty());
        QTest::keyClicks(screen->Edit1, QStringLiteral("mine"));
        // Lines of others fill the page: the refresh leaves no append row and
        // selects the last line under the typed text.
        addLines(table(), 4, 4);
        screen->Timer1Timer();
        QVERIFY(!screen->Cell(0, screen->CurrentRow()).empty());
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(lines(), (std::vector<std::string>{"1/0/line1", "2/0/line2", "3/0/line3", "4/0/line4",
                                                    "5/0/line5", "6/0/line6", "7/0/line7", "8/0/mine"}));
        // The pad has grown past the page: the last page shows, the new line above the append row.
        expectReadyForTheNextLine("mine");
    }

    void aChangeToALineDeletedMeanwhileBecomesANewLine() {
        addLines(table(), 3);
        screen->ButtonK->click();
        clickRow(screen, 1);
        QTest::keyClick(screen->Edit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(screen->Edit1, QStringLiteral("changed"));
        // Another member deletes the line; the refresh selects the line after it.
        QVERIFY(other.UpdateSet(table(), "DF=2", "N=2"));
        screen->Timer1Timer();
        QCOMPARE(screen->Cell(2, screen->CurrentRow()), std::string("line3"));
        QTest::keyClick(screen->Edit1, Qt::Key_Return);
        QCOMPARE(screen->StatusText(), Codec::sj("登録出来ました"));
        QCOMPARE(lines(), (std::vector<std::string>{"1/0/line1", "2/2/line2", "3/0/line3", "4/0/changed"}));
    }
};

QTEST_MAIN(TestEntryLine)
#include "tst_entryline.moc"
