#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

std::optional<int> answer(std::vector<const char*> args, std::string& printed) {
    args.insert(args.begin(), "qbook2");
    std::ostringstream out;
    const std::optional<int> status = CommandLine::Answer(static_cast<int>(args.size()), args.data(), out);
    printed = out.str();
    return status;
}

} // namespace

TEST(CommandLine, AnswersOnlyHelpAndVersionAndLeavesTheRestToTheToolkit) {
    std::string printed;
    EXPECT_EQ(answer({"--version"}, printed), 0);
    EXPECT_EQ(printed, std::string("qbook2 ") + CommandLine::Version() + "\n");
    EXPECT_EQ(answer({"-platform", "offscreen", "--help"}, printed), 0);
    EXPECT_NE(printed.find("~/.config/qbook2/"), std::string::npos) << printed;
    for (const std::vector<const char*>& args :
         {std::vector<const char*>{}, {"-platform", "offscreen"}, {"--helpful"}}) {
        EXPECT_EQ(answer(args, printed), std::nullopt);
        EXPECT_TRUE(printed.empty());
    }
}
