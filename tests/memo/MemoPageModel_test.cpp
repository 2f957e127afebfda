// The paging model of the memo screens on a real pad: where each read leads,
// and that a read that fails is a failure, never a place.

#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/MemoPageModel.h"
#include "support/TestDatabase.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

namespace {

constexpr double Tolerance = MemoPageModel::Tolerance;

// Lines 1 to 12 with their number as sort number, line 3 deleted; then ten
// lines that LIKE takes for ダム (ダ ends with the byte "_"), and the true one.
const std::string Pad = MyMemoTable(1);
constexpr int FalseHits = 10;

std::vector<std::string> Numbers(const MemoPage& page) {
    std::vector<std::string> numbers;
    for (const MemoPageLine& line : page.lines)
        numbers.push_back(line.number);
    if (page.appendRow)
        numbers.push_back("append");
    return numbers;
}

} // namespace

class MemoPageModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        database = new TestDatabase("memopagemodel");
        if (!database->ok())
            return;
        TFormFBDB& db = database->db();
        FieldList row;
        filled = OpenMemoTable(db, Pad, row) == OpenMemoTableResult::Created &&
                 OpenMemoTable(db, MyMemoTable(2), row) == OpenMemoTableResult::Created;
        for (int n = 1; n <= 12; ++n)
            filled = filled && InsertMemoRow(db, Pad, row, n, n, "line" + std::to_string(n), 2);
        filled = filled && db.UpdateSet(Pad, "DF=2", "N=3");
        for (int n = 21; n <= 21 + FalseHits; ++n)
            filled = filled &&
                     InsertMemoRow(db, Pad, row, n, n, Codec::sj(n > 20 + FalseHits ? "ダム" : "アム"), 2);
        db.Disconnect();
    }
    static void TearDownTestSuite() {
        delete database;
        database = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(database->ok()) << database->error();
        ASSERT_TRUE(filled);
        ASSERT_TRUE(database->connect(db)) << db.LastError();
        page.Reset(5);
        page.Open(Pad);
    }
    void TearDown() override { db.Disconnect(); }

    static TestDatabase* database;
    static bool filled;
    TFormFBDB db;
    MemoPageModel page;
};

TestDatabase* MemoPageModelTest::database = nullptr;
bool MemoPageModelTest::filled = false;

TEST_F(MemoPageModelTest, PagesForwardBackAndLast) {
    EXPECT_EQ(Numbers(page.ReadPage(db, 0.0).value()), (std::vector<std::string>{"1", "2", "4", "5", "6"}));
    EXPECT_EQ(Numbers(page.ReadPage(db, 26.0).value()),
              (std::vector<std::string>{"27", "28", "29", "30", "31", "append"}));

    // The last page holds the last five lines and the append row.
    EXPECT_EQ(page.LastPageStart(db).value(), 26.0);
    // Back from a page that starts after line 7: it ends with line 8, its first line.
    page.MoveTo(7.0);
    EXPECT_EQ(page.PreviousPageStart(db).value(), 2.0);
    page.MoveTo(2.0);
    EXPECT_EQ(page.PreviousPageStart(db).value(), 0.0);
    // From just below a line (after a find or a jump) the page before ends with its first two lines.
    page.MoveTo(9 - Tolerance);
    EXPECT_EQ(page.PreviousPageStart(db).value(), 5.0);

    // An empty pad has no last page: the start stays.
    MemoPageModel empty;
    empty.Reset(5);
    empty.Open(MyMemoTable(2));
    empty.MoveTo(3.5);
    EXPECT_EQ(empty.LastPageStart(db).value(), 3.5);
    EXPECT_EQ(Numbers(empty.ReadPage(db, 0.0).value()), std::vector<std::string>{"append"});
}

TEST_F(MemoPageModelTest, TheLineBeforeThePageOrItsFailure) {
    EXPECT_EQ(page.SortNumberBeforePage(db, 1.0).value(), 0.0); // the first page reads nothing
    page.MoveTo(4 - Tolerance);                                 // jumped to line 4: line 3 is deleted
    EXPECT_EQ(page.SortNumberBeforePage(db, 4.0).value(), 2.0);
    page.MoveTo(1 - Tolerance);
    EXPECT_EQ(page.SortNumberBeforePage(db, 1.0).value(), 0.0);

    // A read that fails is no sort number at all.
    page.MoveTo(4 - Tolerance);
    page.Open("NO_SUCH_PAD");
    EXPECT_EQ(page.SortNumberBeforePage(db, 4.0).failure(), DbFailure::Other);
    page.Open(Pad);
    db.Disconnect();
    EXPECT_EQ(page.SortNumberBeforePage(db, 4.0).failure(), DbFailure::ConnectionLost);
    EXPECT_EQ(page.ReadPage(db, 0.0).failure(), DbFailure::ConnectionLost);
}

TEST_F(MemoPageModelTest, FindsReadPastFalseHitsInBatches) {
    page.SetFind({Codec::sj("ダム"), 0, 1});
    const std::uint64_t before = db.StatementCount();
    EXPECT_EQ(page.FindStart(db, 0.0).value(), 21 + FalseHits - Tolerance);
    // Batches of 8, then 16: the hit is the eleventh line that LIKE matches.
    EXPECT_EQ(db.StatementCount() - before, 2u);
    EXPECT_FALSE(page.FindStart(db, 21 + FalseHits).value());

    page.SetFind({"LINE1", 1, 0}); // upwards, through the search key: line12, line11, line10, line1
    EXPECT_EQ(page.FindStart(db, 21.0).value(), 12 - Tolerance);
    EXPECT_EQ(page.FindStart(db, 12.0).value(), 11 - Tolerance);
    EXPECT_FALSE(page.FindStart(db, 1.0).value());
}

TEST_F(MemoPageModelTest, JumpsAndTheWholePad) {
    EXPECT_EQ(page.JumpStart(db, 3).value(), 3 - Tolerance); // deleted lines are found
    EXPECT_FALSE(page.JumpStart(db, 99).value());
    const std::vector<std::string> texts = page.ReadTexts(db).value();
    ASSERT_EQ(texts.size(), size_t(11 + FalseHits + 1));
    EXPECT_EQ(texts[2], "line4");
    EXPECT_EQ(texts.back(), Codec::sj("ダム"));
    db.Disconnect();
    EXPECT_EQ(page.JumpStart(db, 3).failure(), DbFailure::ConnectionLost);
    EXPECT_EQ(page.ReadTexts(db).failure(), DbFailure::ConnectionLost);
}
