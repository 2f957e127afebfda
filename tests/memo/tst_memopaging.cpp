// Paging, refresh and find of the memo screen on pads larger than a page,
// with the page-order indexes and without them: every page must be the one
// that the whole pad, read in page order, gives.

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "support/MemoScreenFixture.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <algorithm>

namespace {

constexpr int PageLines = 5;

struct PadLine {
    double sn;
    int n;
};

} // namespace

class TestMemoPaging : public QObject, private MemoScreenFixture {
    Q_OBJECT

private:
    TForm2* screen = nullptr;
    int member = 0;

    std::string table() const { return MyMemoTable(member); }

    // A new own pad, created by the screen (with its indexes) or, before the
    // screen opens it, by another client (without them).
    void openNewPad(bool indexed) {
        Settings::MemberNumber = ++member;
        FieldList fields;
        SetMemoFields(fields);
        if (!indexed)
            QVERIFY(other.CreateTable(table(), MemoColumns, fields));
        reopen(screen);
        QCOMPARE(IndexExists(other, "IX_" + table() + "_SN_N"), indexed);
        QCOMPARE(IndexExists(other, "IX_" + table() + "_SN_N_DESC"), indexed);
    }

    void addLine(int n, double sn, const std::string& text = {}, int df = 0) {
        MemoScreenFixture::addLine(table(), n, sn, text, df);
    }

    // The live lines of the whole pad in page order, read without a limit.
    std::vector<PadLine> wholePad() {
        std::vector<PadLine> lines;
        for (const FieldList& row : rows(table(), "DF = 0"))
            lines.push_back({ToFloatOrZero(row[MemoSN].Value), ToIntOrZero(row[MemoN].Value)});
        return lines;
    }

    // The numbers of the page after start, 0 standing for the append row.
    std::vector<int> expectedPage(double start) {
        std::vector<int> page;
        for (const PadLine& line : wholePad())
            if (line.sn > start)
                page.push_back(line.n);
        if (static_cast<int>(page.size()) > PageLines)
            page.resize(PageLines);
        else
            page.push_back(0);
        return page;
    }

    std::vector<int> shownPage() const { return shownNumbers(screen); }

    // Where the previous-page and last-page steps lead on the whole pad.
    double expectedPreviousStart(double start) {
        std::vector<PadLine> before;
        for (const PadLine& line : wholePad())
            if (line.sn < start)
                before.push_back(line);
        const int count = static_cast<int>(before.size());
        const int steps = std::min(count == 0 ? 2 : count + 1, PageLines - 1) - 1;
        return steps >= count ? 0.0 : before[count - 1 - steps].sn;
    }
    double expectedLastStart() {
        const std::vector<PadLine> lines = wholePad();
        const int count = static_cast<int>(lines.size());
        const int steps = std::min(count, PageLines);
        return steps >= count ? 0.0 : lines[count - 1 - steps].sn;
    }

    // The keyword as typed.
    void find(const std::string& keyword, bool down) {
        MemoScreenFixture::find(screen, keyword, false, down);
    }

    static void indexedOrNot() {
        QTest::addColumn<bool>("indexed");
        QTest::newRow("indexed") << true;
        QTest::newRow("without indexes") << false;
    }

private slots:
    void initTestCase() {
        QVERIFY(setUpMemoSuite("memopaging"));
        screen = forms().Form2;
        Settings::RowsPerPage = PageLines;
        Settings::RefreshSeconds = 600;
    }

    void cleanupTestCase() { tearDownMemoSuite(); }

    void pagingMatchesTheWholePad_data() { indexedOrNot(); }
    void pagingMatchesTheWholePad() {
        QFETCH(bool, indexed);
        openNewPad(indexed);
        // Lines 7 and 8 share a sort number; 3 and the last three are deleted.
        for (int n = 1; n <= 23; ++n)
            addLine(n, n == 8 ? 7 : n, {}, n == 3 || n > 20 ? 9 : 0);
        screen->ButtonK->click();
        QCOMPARE(shownPage(), expectedPage(0.0));

        int pages = 0;
        while (screen->Cell(0, screen->RowCount() - 1).size() > 0 && ++pages < 20) {
            screen->ButtonC->click();
            QCOMPARE(shownPage(), expectedPage(screen->PageStart()));
            QCOMPARE(screen->CurrentRow(), 0);
        }
        QVERIFY(pages > 3);

        // Alt+F is the first page, though the find button shows the same letter.
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
        QTest::keyClick(screen->SG1, Qt::Key_F, Qt::AltModifier);
        QTRY_COMPARE(screen->PageStart(), 0.0);
        QCOMPARE(shownPage(), expectedPage(0.0));
        screen->ButtonD->click();
        QCOMPARE(screen->PageStart(), expectedLastStart());
        QCOMPARE(shownPage(), expectedPage(screen->PageStart()));
        QCOMPARE(shownPage(), (std::vector<int>{16, 17, 18, 19, 20, 0}));
        QCOMPARE(screen->CurrentRow(), screen->RowCount() - 1);

        for (pages = 0; screen->PageStart() > 0 && pages < 20; ++pages) {
            const double previous = expectedPreviousStart(screen->PageStart());
            screen->ButtonB->click();
            QCOMPARE(screen->PageStart(), previous);
            QCOMPARE(shownPage(), expectedPage(previous));
            QCOMPARE(screen->CurrentRow(), screen->RowCount() - 1);
        }
        QCOMPARE(screen->Cell(2, 0), std::string("line1"));

        // A pad that fits on a page is shown whole from the top.
        QVERIFY(other.UpdateSet(table(), "DF=9", "N > 5"));
        screen->ButtonD->click();
        QCOMPARE(screen->PageStart(), 0.0);
        QCOMPARE(shownPage(), (std::vector<int>{1, 2, 4, 5, 0}));
    }

    void refreshShowsLinesAddedBeforeInAndAfterThePage_data() { indexedOrNot(); }
    void refreshShowsLinesAddedBeforeInAndAfterThePage() {
        QFETCH(bool, indexed);
        openNewPad(indexed);
        for (int n = 1; n <= 12; ++n)
            addLine(n, n);
        screen->ButtonK->click();
        screen->ButtonC->click();
        QCOMPARE(shownPage(), (std::vector<int>{5, 6, 7, 8, 9}));
        clickRow(screen, 2);

        addLine(13, 2.5);
        addLine(14, 6.5);
        addLine(15, 9.5);
        screen->Timer1Timer();
        QCOMPARE(shownPage(), (std::vector<int>{5, 6, 14, 7, 8}));
        QCOMPARE(screen->Cell(2, screen->CurrentRow()), std::string("line7"));

        // On the last page a line added after it takes the place of the append row.
        screen->ButtonD->click();
        QCOMPARE(shownPage(), (std::vector<int>{9, 15, 10, 11, 12, 0}));
        addLine(16, 20);
        addLine(17, 1.5);
        screen->Timer1Timer();
        QCOMPARE(shownPage(), (std::vector<int>{9, 15, 10, 11, 12}));
        QCOMPARE(screen->CurrentRow(), PageLines - 1);
        screen->ButtonC->click();
        QCOMPARE(shownPage(), (std::vector<int>{12, 16, 0}));
    }

    void findReadsPastFalseHitsAndPagesBackFromTheHit_data() { indexedOrNot(); }
    void findReadsPastFalseHitsAndPagesBackFromTheHit() {
        QFETCH(bool, indexed);
        openNewPad(indexed);
        // ダ ends with the byte 0x5F, "_" to LIKE, so every アム line is a false hit for ダム.
        for (int n = 1; n <= 41; ++n)
            addLine(n, n, Codec::sj(n == 1 || n == 20 ? "ダム" : "アム"));
        addLine(42, 42, Codec::sj("ダムの湖"));
        for (int n = 43; n <= 45; ++n)
            addLine(n, n);
        screen->ButtonK->click();

        find(Codec::sj("ダム"), true);
        QCOMPARE(screen->StatusText(), Codec::sj("検索できました"));
        QCOMPARE(shownPage().front(), 20);
        screen->ButtonF->click();
        QCOMPARE(shownPage(), (std::vector<int>{42, 43, 44, 45, 0}));

        // The previous page ends with the first two lines of the found page.
        const double previous = expectedPreviousStart(screen->PageStart());
        screen->ButtonB->click();
        QCOMPARE(screen->PageStart(), previous);
        QCOMPARE(shownPage(), (std::vector<int>{39, 40, 41, 42, 43}));
        QCOMPARE(screen->CurrentRow(), PageLines - 1);

        // Upwards the nearest hit comes first.
        clickRow(screen, 0);
        find(Codec::sj("ダム"), false);
        QCOMPARE(screen->StatusText(), Codec::sj("検索できました"));
        QCOMPARE(shownPage().front(), 20);
        screen->ButtonF->click();
        QCOMPARE(shownPage(), (std::vector<int>{1, 2, 3, 4, 5}));
        screen->ButtonF->click();
        QCOMPARE(screen->StatusText(), Codec::sj("検索できませんでした"));
        QCOMPARE(shownPage().front(), 1);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestMemoPaging test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_memopaging.moc"
