#include "search/PadCondition.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <gtest/gtest.h>

TEST(PadCondition, KeepsTheKeyOfWholeTwoByteCharacters) {
    const std::string key = SearchKey(Codec::sj("ダム50%_'"));
    EXPECT_EQ(PadCondition("FIND", key), "(DF=0) AND (FIND LIKE '%" + key + "%') ");
}

TEST(PadCondition, NoOtherByteReachesTheLiteral) {
    // Every byte value alone, after a whole character and as a would-be trail byte.
    const std::string a = Codec::sj("ア");
    for (int value = 0; value < 256; ++value) {
        const std::string byte(1, static_cast<char>(value));
        for (const std::string& key : {byte, a + byte, std::string("\x83") + byte}) {
            const std::string safe = LikeSafeKey(key);
            EXPECT_EQ(safe.size(), key.size()) << value;
            EXPECT_EQ(safe.find('\''), std::string::npos) << value;
            EXPECT_EQ(safe.find('%'), std::string::npos) << value;
        }
    }
    EXPECT_EQ(LikeSafeKey(a + "'"), a + "_");
    EXPECT_EQ(LikeSafeKey(std::string("\x83\x27")), "__");
    EXPECT_EQ(LikeSafeKey(a + "\x83"), a + "_");
}
