#include "db/EventBlock.h"

#include <gtest/gtest.h>

using EventBlock::Event;

TEST(EventBlock, BuildsNamesWithTheirCountsLowByteFirst) {
    const std::vector<unsigned char> block = EventBlock::Build({{"ALMEMO", 0}, {"MYMEMO12", 0x01020304}});
    const std::vector<unsigned char> expected = {1,   6,   'A', 'L', 'M', 'E', 'M', 'O', 0, 0, 0, 0, 8,
                                                 'M', 'Y', 'M', 'E', 'M', 'O', '1', '2', 4, 3, 2, 1};
    EXPECT_EQ(block, expected);
    EXPECT_EQ(EventBlock::Build({}), std::vector<unsigned char>{1});
}

TEST(EventBlock, ParsesAnAnswerAndLeavesOutACutOffEnd) {
    const std::vector<Event> events = {{"ALMEMO", 7}, {"OGMEMO3", 0xFFFFFFFF}};
    const std::vector<unsigned char> block = EventBlock::Build(events);
    EXPECT_EQ(EventBlock::Parse(block.data(), block.size()), events);
    EXPECT_EQ(EventBlock::Parse(block.data(), block.size() - 1), std::vector<Event>{events[0]});
    const unsigned char otherVersion[] = {2, 1, 'A', 0, 0, 0, 0};
    EXPECT_TRUE(EventBlock::Parse(otherVersion, sizeof otherVersion).empty());
    EXPECT_TRUE(EventBlock::Parse(nullptr, 0).empty());
}

TEST(EventBlock, MoreThanFifteenNamesTakeMoreBlocks) {
    std::vector<Event> events;
    for (int i = 1; i <= 31; ++i)
        events.push_back({"OGMEMO" + std::to_string(i), static_cast<std::uint32_t>(i)});
    const std::vector<std::vector<unsigned char>> blocks = EventBlock::BuildBlocks(events);
    ASSERT_EQ(blocks.size(), 3u);
    std::vector<Event> parsed;
    for (const auto& block : blocks) {
        const std::vector<Event> part = EventBlock::Parse(block.data(), block.size());
        EXPECT_LE(part.size(), EventBlock::MaxEvents);
        parsed.insert(parsed.end(), part.begin(), part.end());
    }
    EXPECT_EQ(parsed, events);
    EXPECT_TRUE(EventBlock::BuildBlocks({}).empty());
}
