#include "editor/TextFile.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

TEST(TextFile, ReadsUtf8OrCodePage932) {
    const QString text = QString::fromUtf8("行 é \xF0\x9F\x98\x80\n");
    const std::string utf8 = "行 é \xF0\x9F\x98\x80\r\n";
    EXPECT_EQ(ReadPlainText(utf8, 100, 100).text, text);
    EXPECT_EQ(ReadPlainText("\xEF\xBB\xBF" + utf8, 100, 100).text, text);
    // Code page 932 is hardly ever valid UTF-8; a lone CR ends a line too.
    EXPECT_EQ(ReadPlainText(Codec::sj("表示\r二行目"), 100, 100).text, QString::fromUtf8("表示\n二行目"));
    const std::string invalid = "caf\xC3\xA9 \xFF";
    EXPECT_EQ(ReadPlainText(invalid, 100, 100).text, Codec::toQString(invalid));
}

TEST(TextFile, StopsAtEitherLimit) {
    const PlainText whole = ReadPlainText("ab\r\ncd\r\nef", 8, 3);
    EXPECT_EQ(whole.text, QStringLiteral("ab\ncd\nef"));
    EXPECT_FALSE(whole.truncated);
    for (const auto& [limit, lines, text] :
         {std::tuple<int, int, const char*>{7, 3, "ab\ncd\ne"}, {8, 2, "ab\ncd"}, {3, 1, "ab"}, {0, 3, ""}}) {
        const PlainText cut = ReadPlainText("ab\r\ncd\r\nef", limit, lines);
        EXPECT_EQ(cut.text, QString::fromLatin1(text)) << limit << " " << lines;
        EXPECT_TRUE(cut.truncated);
    }
    // A character beyond U+FFFF is not split; of a long file only its beginning is decoded.
    EXPECT_EQ(ReadPlainText("a\xF0\x9F\x98\x80", 2, 1).text, QStringLiteral("a"));
    EXPECT_EQ(ReadPlainText(std::string(50'000'000, 'x'), 10, 1).text, QString(10, QLatin1Char('x')));
}

TEST(TextFile, WritesCodePage932AndTellsWhatItReplaced) {
    bool replaced = true;
    EXPECT_EQ(WritePlainText(QString::fromUtf8("表?\n～"), replaced), Codec::sj("表?\r\n～"));
    EXPECT_FALSE(replaced);
    EXPECT_EQ(WritePlainText(QString::fromUtf8("é?"), replaced), "??");
    EXPECT_TRUE(replaced);
}
