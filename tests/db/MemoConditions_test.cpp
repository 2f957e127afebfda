// The conditions and orders of the memo screens' reads, byte for byte.

#include "db/UnitSchema.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

TEST(MemoConditions, AreWrittenByteForByte) {
    EXPECT_STREQ(MemoPageOrder, "SN,N");
    EXPECT_STREQ(MemoBackwardOrder, "SN DESC,N DESC");
    EXPECT_EQ(LinesAfterCondition(0.0), "(SN > 0) AND (DF = 0)");
    EXPECT_EQ(LinesAfterCondition(100001.5), "(SN > 100001.5) AND (DF = 0)");
    // Just below a line, as after a find or a jump: 15 significant digits.
    EXPECT_EQ(LinesBeforeCondition(5 - 1e-10), "(SN < 4.9999999999) AND (DF = 0)");
    EXPECT_EQ(LinesBeforeCondition(-1.5e300), "(SN < -1.5E300) AND (DF = 0)");
    EXPECT_EQ(ShownLinesCondition(), "(SN > 0.0) AND (DF = 0)");
    EXPECT_EQ(LiveLinesCondition(), "DF=0");
    EXPECT_EQ(FindLinesCondition(3, true, "TEXT", "beta, gam"),
              "(SN > 3) AND (DF = 0) AND (TEXT LIKE '%beta, gam%') ");
    // The keyword goes in as it is, its wildcards included.
    EXPECT_EQ(FindLinesCondition(0.25, false, "FIND", Codec::sj("ダ%_")),
              "(SN < 0.25) AND (DF = 0) AND (FIND LIKE '%" + Codec::sj("ダ%_") + "%') ");
    EXPECT_EQ(LineNumberCondition(2147483647), "N=2147483647");
    EXPECT_EQ(LineNumberCondition(-8), "N=-8");
}
