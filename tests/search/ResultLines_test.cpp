#include "search/ResultLines.h"

#include <gtest/gtest.h>

TEST(ResultLines, TheCutLineTakesTheLastRoomWithinTheLimit) {
    // 20 characters, each line break counted as one.
    ResultLines lines(20, "CUT");
    EXPECT_TRUE(lines.Append("aaaa"));
    EXPECT_TRUE(lines.Append("bbbbbbbb"));
    EXPECT_TRUE(lines.Append("cc"));
    EXPECT_FALSE(lines.Append("d"));
    EXPECT_TRUE(lines.Cut());
    EXPECT_FALSE(lines.Append("e"));
    EXPECT_EQ(lines.Text(), QStringLiteral("aaaa\nbbbbbbbb\ncc\nCUT"));
    EXPECT_LE(lines.Text().size(), 20);

    lines.Clear();
    EXPECT_FALSE(lines.Cut());
    EXPECT_TRUE(lines.Append("x"));
    EXPECT_EQ(lines.Text(), QStringLiteral("x"));
}
