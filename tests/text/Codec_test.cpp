#include "text/Codec.h"

#include <gtest/gtest.h>

TEST(Codec, RoundTripsJapaneseAndReplacesWhatCp932CannotHold) {
    const std::string sjis = Codec::sj("まいめも");
    EXPECT_EQ(sjis, std::string("\x82\xDC\x82\xA2\x82\xDF\x82\xE0"));
    EXPECT_EQ(Codec::fromQString(Codec::toQString(sjis)), sjis);
    // An emoji and a Hangul syllable have no code page 932 form.
    EXPECT_EQ(Codec::fromQString(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                                   "b\xEA\xB0\x80"
                                                   "c")),
              "a?b?c");
}

TEST(Codec, FirstCharacterCp932CannotHold) {
    EXPECT_EQ(Codec::firstUnheldChar(QString::fromUtf8("まいめも? ～―abc")), QString());
    EXPECT_EQ(Codec::firstUnheldChar(QString()), QString());
    EXPECT_EQ(Codec::firstUnheldChar(QString::fromUtf8("a?caf\u00e9 \u00a9")), QString::fromUtf8("\u00e9"));
    EXPECT_EQ(Codec::firstUnheldChar(QString::fromUtf8("?\xF0\x9F\x98\x80")),
              QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(Codec::firstUnheldChar(QString::fromUtf8("\xEA\xB0\x80")), QString::fromUtf8("\xEA\xB0\x80"));
    // A half of a pair alone is no character either.
    EXPECT_EQ(Codec::firstUnheldChar(QString(QChar(0xD83D)) + QLatin1Char('x')), QString(QChar(0xD83D)));
}

TEST(Codec, InvalidBytesDoNotStopTheConversion) {
    // 0x81 followed by a byte that is no trail byte, then plain text.
    const QString text = Codec::toQString(std::string("\x81\x20xyz"));
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("xyz")));
}

TEST(Codec, CharactersAnywhereInLongTextConvertLikeShortText) {
    // Two-byte and four-byte characters, and what cannot be converted, at every
    // distance from the start: none is cut, lost or doubled on the way.
    for (size_t pad = 0; pad < 140; ++pad) {
        std::string utf8(pad, 'x'), sjis(pad, 'x'), fromSjis(pad, 'x');
        for (int i = 0; i < 40; ++i) {
            utf8 += "あ\xF0\x9F\x98\x80い";
            sjis += "\x82\xA0?\x82\xA2";
            fromSjis += "あ\xEF\xBF\xBDい";
        }
        ASSERT_EQ(Codec::fromUtf8(utf8), sjis) << pad;
        std::string invalid(pad, 'x');
        for (int i = 0; i < 40; ++i)
            invalid += "\x82\xA0\xFF\x82\xA2";
        ASSERT_EQ(Codec::toUtf8(invalid), fromSjis) << pad;
    }
}
