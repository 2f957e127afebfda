#include "editor/RtfDocument.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::string ReadData(const char* name) {
    std::ifstream in(std::string(QBOOK2_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The run of the document whose text holds utf8.
const RtfRun* RunWith(const RtfDocument& document, const char* utf8) {
    for (const RtfParagraph& paragraph : document.paragraphs)
        for (const RtfRun& run : paragraph)
            if (run.text.find(utf8) != std::string::npos)
                return &run;
    return nullptr;
}

} // namespace

TEST(RtfDocument, WrittenLinesComeBackAsTheyWere) {
    // 表, ソ and 能 end in the byte "\", which must not reach the document bare.
    // é, ©, the emoji, Hangul and 这 have no code page 932 form; ¥, 〜 and −
    // have one that reads back as another character (\, ～, －).
    const std::string text = "表示とソフト、能力\n{braces} back\\slash\tTab\nｶﾀｶﾅ①㈱髙\n \n"
                             "café © \xF0\x9F\x98\x80 가 这 ¥〜−?\n\nlast";
    const std::string rtf = WriteRtf(text);
    EXPECT_TRUE(IsRtf(rtf));
    EXPECT_NE(rtf.find("\\ansicpg932"), std::string::npos);
    EXPECT_NE(rtf.find("\\fcharset128"), std::string::npos);
    EXPECT_NE(rtf.find("\\'95\\'5c"), std::string::npos);
    EXPECT_NE(rtf.find("caf\\u233?"), std::string::npos);
    EXPECT_NE(rtf.find("\\u-10179?\\u-8704?"), std::string::npos);
    EXPECT_NE(rtf.find("\\u165?\\u12316?\\u8722??"), std::string::npos);
    for (const char byte : rtf)
        ASSERT_LT(static_cast<unsigned char>(byte), 0x80);
    EXPECT_EQ(ReadRtf(rtf).plainText(), text);
    EXPECT_EQ(ReadRtf(rtf).paragraphs.size(), 7u);

    for (const std::string& edge : {std::string(), std::string("\n"), std::string("a\n"),
                                    std::string("表\n\n"), std::string("\xF0\x9F\x98\x80\n")})
        EXPECT_EQ(ReadRtf(WriteRtf(edge)).plainText(), edge);
    EXPECT_EQ(ReadRtf(WriteRtf("a\r\nb\r\n")).plainText(), "a\nb\n");
}

TEST(RtfDocument, ReadsDocumentsOfOtherPrograms) {
    // Written by LibreOffice from a text file: \uN with "?" fallbacks, styles, page descriptions.
    const std::string lines = ReadData("libreoffice-lines.rtf");
    ASSERT_TRUE(IsRtf(lines));
    EXPECT_EQ(ReadRtf(lines).plainText(),
              std::string(
                  "Hello, world {braces} back\\slash\n表示とソフト、能力\nｶﾀｶﾅ half width\n\n最後の行 end"));

    // Written by LibreOffice from formatted HTML: two-byte text takes \ab and \afs after \dbch.
    const RtfDocument formatted = ReadRtf(ReadData("libreoffice-formatted.rtf"));
    EXPECT_EQ(formatted.plainText(), std::string("plain 太字 bold 斜体 下線\n赤い文字 大きい"));
    ASSERT_TRUE(RunWith(formatted, "太字") && RunWith(formatted, "bold"));
    EXPECT_TRUE(RunWith(formatted, "太字")->bold);
    EXPECT_TRUE(RunWith(formatted, "bold")->bold);
    EXPECT_FALSE(RunWith(formatted, "plain")->bold);
    EXPECT_TRUE(RunWith(formatted, "斜体")->italic);
    EXPECT_TRUE(RunWith(formatted, "下線")->underline);
    EXPECT_EQ(RunWith(formatted, "赤い文字")->colour, (RtfColour{255, 0, 0}));
    EXPECT_EQ(RunWith(formatted, "大きい")->halfPoints, 40);

    const RtfDocument pandoc = ReadRtf(ReadData("pandoc.rtf"));
    EXPECT_EQ(pandoc.plainText(), std::string("見出し\nこんにちは 太字 and italic text.\n表示{}\n"));
    EXPECT_EQ(RunWith(pandoc, "見出し")->halfPoints, 36);
    EXPECT_TRUE(RunWith(pandoc, "太字")->bold);
    EXPECT_TRUE(RunWith(pandoc, "italic")->italic);
}

TEST(RtfDocument, DecodesEscapesInTheirCodePages) {
    // \'hh in a \fcharset128 font is code page 932 whatever the document's code page;
    // \uN skips \ucN fallback characters; a surrogate pair is one character.
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 Gothic;}}"
                            "\\f0 caf\\'e9{\\f1 \\'82\\'a0\\'95\\'5c}\\uc2\\u12356\\'82\\'a2x\\uc0\\u12358 "
                            "\\u-10179\\u-8704 y\\emdash\\{\\}\\\\\\tab z}";
    EXPECT_EQ(ReadRtf(rtf).plainText(), std::string("café"
                                                    "あ表いxう\xF0\x9F\x98\x80y—{}\\\tz"));
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\line b\\par c\\par}").plainText(), "a\nb\nc");
}

TEST(RtfDocument, SkipsDestinationsThatAreNotText) {
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                            "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}{\\*\\unknown hidden\\par}"
                            "{\\pict\\bin4 {}\\}}visible{\\field{\\*\\fldinst HYPERLINK}{\\fldrslt  link}}}";
    EXPECT_EQ(ReadRtf(rtf).plainText(), "visible link");
}

TEST(RtfDocument, ReadingStopsAtTheCharacterLimit) {
    // A line end counts one, a character beyond U+FFFF two.
    const std::string rtf = "{\\rtf1 abc\\par d\\u-10179?\\u-8704?}";
    EXPECT_FALSE(ReadRtf(rtf, 7).truncated);
    EXPECT_EQ(ReadRtf(rtf, 7).plainText(), "abc\nd\xF0\x9F\x98\x80");
    for (const auto& [limit, text] :
         {std::pair<size_t, std::string>{6, "abc\nd"}, {4, "abc"}, {2, "ab"}, {0, ""}}) {
        const RtfDocument cut = ReadRtf(rtf, limit);
        EXPECT_TRUE(cut.truncated) << limit;
        EXPECT_EQ(cut.plainText(), text) << limit;
    }
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par b\\par}", SIZE_MAX, 2).plainText(), "a\nb");
    EXPECT_TRUE(ReadRtf("{\\rtf1 a\\par b\\par c}", SIZE_MAX, 2).truncated);
    EXPECT_TRUE(ReadRtf("{\\rtf1 a\\par b\\par\\par}", SIZE_MAX, 2).truncated);
    // "abc" and an empty line after it: four characters.
    EXPECT_TRUE(ReadRtf("{\\rtf1 abc\\par\\par}", 3).truncated);
    EXPECT_FALSE(ReadRtf("{\\rtf1 abc\\par\\par}", 4).truncated);
    EXPECT_EQ(ReadRtf("{\\rtf1 " + std::string(3'000'000, 'x') + "}", 1000).plainText(),
              std::string(1000, 'x'));

    // A document that changes the format with every character keeps its text,
    // but not thousands upon thousands of runs.
    std::string alternating = "{\\rtf1 ";
    for (int i = 0; i < 50'000; ++i)
        alternating += "\\b a\\b0 b";
    const RtfDocument many = ReadRtf(alternating + "}");
    EXPECT_EQ(many.plainText().size(), 100'000u);
    EXPECT_LE(many.paragraphs.at(0).size(), 10'001u);
    EXPECT_TRUE(many.paragraphs[0][0].text == "a" && many.paragraphs[0][0].bold);
}

TEST(RtfDocument, MalformedInputEndsWithoutHarm) {
    // Nesting far deeper than the reader keeps still balances out.
    const std::string deep =
        "{\\rtf1 " + std::string(100000, '{') + "x" + std::string(100000, '}') + "\\par y}";
    EXPECT_EQ(ReadRtf(deep).plainText(), "x\ny");
    EXPECT_EQ(ReadRtf("{\\rtf1 " + std::string(100000, '{') + "unterminated").plainText(), "unterminated");
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\'8").plainText(), "a");
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\").plainText(), "a");
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\bin999999999999 b}").plainText(), "a");
    EXPECT_EQ(ReadRtf("{\\rtf1\\uc99999999999\\u99999999999 a\\fs-5\\cf-3\\f99999 b\\u0\\u}").plainText(),
              "\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(ReadRtf("}}}{\\rtf1 after}").plainText(), "");

    // Random bytes from the reader's own alphabet.
    const std::string alphabet = "{}\\'*uc0129abfinpr -;\x82\xa0\r\n";
    std::uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::string input = "{\\rtf1";
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            input += alphabet[(seed >> 16) % alphabet.size()];
        }
        const RtfDocument document = ReadRtf(input);
        EXPECT_EQ(document.plainText().find('\r'), std::string::npos);
    }
}
