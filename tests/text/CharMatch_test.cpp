#include "text/CharMatch.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

namespace {

std::string sj(const char* utf8) {
    return Codec::sj(utf8);
}

} // namespace

TEST(ContainsChars, KeepsOnlyMatchesOfWholeCharacters) {
    EXPECT_TRUE(ContainsChars(sj("会議室の予約"), sj("議室")));
    EXPECT_TRUE(ContainsChars("abc", ""));
    // ャ (83 83) lies across the characters of ＜ア (81 83 83 41).
    EXPECT_FALSE(ContainsChars(sj("＜ア"), sj("ャ")));
    // ダ is 83 5F: byte-wise LIKE reads 5F as "_" and would find アム.
    EXPECT_FALSE(ContainsChars(sj("アム"), sj("ダム")));
    EXPECT_TRUE(ContainsChars(sj("ダム"), sj("ダム")));
    EXPECT_FALSE(ContainsChars(sj("ア"), sj("アア")));
}

TEST(LikeContainsChars, OneByteWildcardsStayWildcardsTwoByteCharactersAreLiteral) {
    EXPECT_TRUE(LikeContainsChars("abc-100", "c_1"));
    EXPECT_TRUE(LikeContainsChars("abc-100", "a%0"));
    EXPECT_TRUE(LikeContainsChars(sj("予定：会議"), sj("予%議")));
    EXPECT_TRUE(LikeContainsChars(sj("あ会"), sj("_会"))); // "_" stands for a whole two-byte character
    EXPECT_FALSE(LikeContainsChars(sj("アム"), sj("ダム")));
    EXPECT_FALSE(LikeContainsChars(sj("＋１００"), sj("＼１００"))); // ＼ is 81 5F
    EXPECT_FALSE(LikeContainsChars(sj("＜ア"), sj("ャ")));
    EXPECT_FALSE(LikeContainsChars("abc", "abd"));
    EXPECT_TRUE(LikeContainsChars("", "%"));
    EXPECT_FALSE(LikeContainsChars("", "_"));
    // A lead byte at the very end is a character of its own.
    EXPECT_TRUE(LikeContainsChars(std::string("a\x83"), std::string("\x83")));
}
