#include "text/Func_.h"
#include "text/Codec.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string bytes(std::initializer_list<unsigned char> list) {
    return std::string(list.begin(), list.end());
}

// Switches LC_NUMERIC to a locale with a decimal comma for one scope, if the
// system has one; restores the previous setting afterwards.
class CommaLocale {
public:
    CommaLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
                active_ = true;
                return;
            }
        }
        std::setlocale(LC_NUMERIC, previous_.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

} // namespace

TEST(ShiftChars, ShiftsEveryByteValueByItsPositionAndWraps) {
    EXPECT_EQ(ShiftChars("abc"), bytes({0x62, 0x64, 0x66}));
    EXPECT_EQ(UnshiftChars("abc"), bytes({0x60, 0x60, 0x60}));
    EXPECT_EQ(ShiftChars(bytes({0xFF, 0xFF})), bytes({0x00, 0x01}));
    EXPECT_EQ(UnshiftChars(bytes({0x00, 0x01})), bytes({0xFF, 0xFF}));

    // Every byte value at positions beyond 256, where the position itself wraps.
    std::string all;
    for (int i = 0; i < 600; ++i)
        all.push_back(static_cast<char>(i % 256));
    const std::string shifted = ShiftChars(all);
    ASSERT_EQ(shifted.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(shifted[i]), (i % 256 + i + 1) % 256) << i;
    EXPECT_EQ(UnshiftChars(shifted), all);
    EXPECT_EQ(ShiftChars(UnshiftChars(all)), all);
    EXPECT_EQ(ShiftChars(""), "");
}

TEST(ToIntOrZero, ConvertsOnlyWholeTexts) {
    EXPECT_EQ(ToIntOrZero(""), 0);
    EXPECT_EQ(ToIntOrZero("42"), 42);
    EXPECT_EQ(ToIntOrZero(" 12"), 12);
    EXPECT_EQ(ToIntOrZero("12 "), 0);
    EXPECT_EQ(ToIntOrZero("12a"), 0);
    EXPECT_EQ(ToIntOrZero("\t12"), 0);
    EXPECT_EQ(ToIntOrZero("-5"), -5);
    EXPECT_EQ(ToIntOrZero("+7"), 7);
    EXPECT_EQ(ToIntOrZero("-"), 0);
    EXPECT_EQ(ToIntOrZero(" "), 0);
    EXPECT_EQ(ToIntOrZero("1.5"), 0);
    EXPECT_EQ(ToIntOrZero(Codec::sj("１２")), 0);
}

TEST(ToIntOrZero, HexAndThe32BitLimits) {
    EXPECT_EQ(ToIntOrZero("$1F"), 31);
    EXPECT_EQ(ToIntOrZero("$1f"), 31);
    EXPECT_EQ(ToIntOrZero("-$10"), -16);
    EXPECT_EQ(ToIntOrZero("$"), 0);
    EXPECT_EQ(ToIntOrZero("$1G"), 0);
    EXPECT_EQ(ToIntOrZero("$FFFFFFFF"), -1);
    EXPECT_EQ(ToIntOrZero("$100000000"), 0);
    EXPECT_EQ(ToIntOrZero("2147483647"), 2147483647);
    EXPECT_EQ(ToIntOrZero("2147483648"), 0);
    EXPECT_EQ(ToIntOrZero("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ToIntOrZero("-2147483649"), 0);
    EXPECT_EQ(ToIntOrZero("99999999999999999999"), 0);
}

TEST(ToFloatOrZero, ConvertsOnlyWholeNumbers) {
    EXPECT_EQ(ToFloatOrZero(""), 0.0);
    EXPECT_EQ(ToFloatOrZero("1.5"), 1.5);
    EXPECT_EQ(ToFloatOrZero("  -2.25"), -2.25);
    EXPECT_EQ(ToFloatOrZero("3"), 3.0);
    EXPECT_EQ(ToFloatOrZero(".5"), 0.5);
    EXPECT_EQ(ToFloatOrZero("1.5E-6"), 1.5e-6);
    EXPECT_EQ(ToFloatOrZero("1e+20"), 1e20);
    EXPECT_EQ(ToFloatOrZero("word"), 0.0);
    EXPECT_EQ(ToFloatOrZero("1,5"), 0.0);
    EXPECT_EQ(ToFloatOrZero("1.5 "), 0.0);
    EXPECT_EQ(ToFloatOrZero("1E"), 0.0);
    EXPECT_EQ(ToFloatOrZero("."), 0.0);
    EXPECT_EQ(ToFloatOrZero("inf"), 0.0);
    EXPECT_EQ(ToFloatOrZero("nan"), 0.0);
    EXPECT_EQ(ToFloatOrZero("0x10"), 0.0);
    EXPECT_EQ(ToFloatOrZero("1e999"), 0.0);
}

TEST(FloatToText, GeneralFormatWithFifteenDigits) {
    EXPECT_EQ(FloatToText(0.0), "0");
    EXPECT_EQ(FloatToText(3.0), "3");
    EXPECT_EQ(FloatToText(0.1), "0.1");
    EXPECT_EQ(FloatToText(2.5), "2.5");
    EXPECT_EQ(FloatToText(-3.75), "-3.75");
    EXPECT_EQ(FloatToText(1e-5), "0.00001");
    EXPECT_EQ(FloatToText(1.5e-6), "1.5E-6");
    EXPECT_EQ(FloatToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToText(1e15), "1E15");
    EXPECT_EQ(FloatToText(1e20), "1E20");
    EXPECT_EQ(FloatToText(-2.5e-7), "-2.5E-7");
    // Where fifteen digits do not give the number back, the shortest digits that do.
    EXPECT_EQ(FloatToText(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(FloatToText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(FloatToText(1.0 + 0x1p-50), "1.0000000000000009");
    EXPECT_EQ(FloatToText(-(1.0 + 0x1p-50)), "-1.0000000000000009");
    EXPECT_EQ(FloatToText(100002.0 - 1e-10), "100001.9999999999");
    EXPECT_EQ(FloatToText(1e15 + 1), "1.000000000000001E15");
    EXPECT_EQ(FloatToText(12345.5), "12345.5");
    EXPECT_EQ(FloatToText(100.0), "100");
}

TEST(FloatToText, ReadsBackThroughToFloatOrZero) {
    for (double value : {0.1, 2.5, 1e-5, 1.5e-6, 123456789012345.0, 1e15, -3.75, 7.0, 1001.25, 1e20,
                         1.0 / 3.0, 100002.0 - 1e-10, 1.0 + 0x1p-50, 2.0 / 3.0 * 1e-7, 123456.789e10})
        EXPECT_EQ(ToFloatOrZero(FloatToText(value)), value) << FloatToText(value);
}

TEST(FloatToText, PointSeparatorUnderACommaLocale) {
    CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no locale with a decimal comma on this system";
    EXPECT_EQ(ToFloatOrZero("1.5"), 1.5);
    EXPECT_EQ(ToFloatOrZero("1,5"), 0.0);
    EXPECT_EQ(FloatToText(2.5), "2.5");
    EXPECT_EQ(FloatToText(1.5e-6), "1.5E-6");
}

TEST(CountChars, CountsTwoByteCharactersOnce) {
    EXPECT_EQ(CountChars(""), 0);
    EXPECT_EQ(CountChars("abc"), 3);
    EXPECT_EQ(CountChars(Codec::sj("まいめもA")), 5);
    // Half-width katakana are one byte each; a lone lead byte at the end counts once.
    EXPECT_EQ(CountChars(bytes({0xB6, 0xDE, 0x82})), 3);
}

TEST(CopyChars, NeverSplitsACharacter) {
    const std::string text = "ab" + Codec::sj("あい") + "c"; // a b [3-4] [5-6] c
    // The window 1-3 ends on the lead byte of あ: it is left out.
    CopiedChars c = CopyChars(text, 1, 3);
    EXPECT_EQ(c.text, "ab");
    EXPECT_EQ(c.bytes, 2);
    c = CopyChars(text, 1, 4);
    EXPECT_EQ(c.text, "ab" + Codec::sj("あ"));
    EXPECT_EQ(c.bytes, 4);
    // Starting on a trail byte leaves that character out too.
    c = CopyChars(text, 4, 3);
    EXPECT_EQ(c.text, Codec::sj("い"));
    EXPECT_EQ(c.bytes, 2);
    c = CopyChars(text, 3, 100);
    EXPECT_EQ(c.text, Codec::sj("あい") + "c");
    EXPECT_EQ(c.bytes, 5);
}

TEST(CopyChars, EmptyForBadArguments) {
    EXPECT_EQ(CopyChars("", 1, 5).bytes, 0);
    EXPECT_EQ(CopyChars("abc", 0, 5).bytes, 0);
    EXPECT_EQ(CopyChars("abc", 4, 5).bytes, 0);
    EXPECT_EQ(CopyChars("abc", 1, 0).bytes, 0);
    EXPECT_EQ(CopyChars("abc", 1, -1).text, "");
    EXPECT_EQ(CopyChars("abc", 2, 2147483647).text, "bc");
    // A lead byte without its trail byte is no whole character.
    EXPECT_EQ(CopyChars(bytes({'a', 0x82}), 1, 10).text, "a");
}

TEST(RemoveSpaces, DropsBlanksAndControlBytesOnly) {
    EXPECT_EQ(RemoveSpaces(" " + Codec::sj("　") + "  " + Codec::sj("　")), "");
    EXPECT_EQ(RemoveSpaces(Codec::sj(" 山 田\t　太郎\r\n")), Codec::sj("山田太郎"));
    // ａ is 0x82 0x81: its trail byte and the following "@" (0x40) are no full-width space.
    EXPECT_EQ(RemoveSpaces(Codec::sj("ａ@")), Codec::sj("ａ@"));
    // A trail byte 0x20 belongs to its lead byte and is kept.
    EXPECT_EQ(RemoveSpaces(bytes({0x88, 0x20, 0x20})), bytes({0x88, 0x20}));
}

TEST(RemoveQuotes, DropsOneByteQuotesAndControlBytes) {
    EXPECT_EQ(RemoveQuotes("it's \"x\"\t!"), "its x!");
    // Full-width quotes stay; a trail byte 0x22 or 0x27 is part of its character.
    EXPECT_EQ(RemoveQuotes(Codec::sj("’”")), Codec::sj("’”"));
    EXPECT_EQ(RemoveQuotes(bytes({0x88, 0x27, '\''})), bytes({0x88, 0x27}));
}

TEST(Colon, SplitsNumberAndJapaneseName) {
    const std::string item = "12:" + Codec::sj("山田：太郎");
    EXPECT_EQ(BeforeColon(item), "12");
    EXPECT_EQ(AfterColon(item), Codec::sj("山田：太郎"));
    EXPECT_EQ(ToIntOrZero(BeforeColon(item)), 12);
    EXPECT_EQ(BeforeColon(Codec::sj("山田")), Codec::sj("山田"));
    EXPECT_EQ(AfterColon(Codec::sj("山田")), "");
    EXPECT_EQ(AfterColon("7:"), "");
    EXPECT_EQ(BeforeColon(":x"), "");
    // A ":" right after a lead byte is that character's second byte, not a colon.
    const std::string trailColon = bytes({'3', 0x88, ':', 0x82, 0xA0, ':', 'b'});
    EXPECT_EQ(BeforeColon(trailColon), bytes({'3', 0x88, ':', 0x82, 0xA0}));
    EXPECT_EQ(AfterColon(trailColon), "b");
}

TEST(UpperCase932, LettersOfBothWidthsButNoTrailBytes) {
    EXPECT_EQ(UpperCase932("abz AZ 09"), "ABZ AZ 09");
    EXPECT_EQ(UpperCase932(Codec::sj("ａｂｚＡ")), Codec::sj("ＡＢＺＡ"));
    // ヂ is 0x83 0x61 and メ is 0x83 0x81: their trail bytes look like "a" and
    // a full-width letter's trail byte, and must stay.
    EXPECT_EQ(UpperCase932(Codec::sj("ヂメa")), bytes({0x83, 0x61, 0x83, 0x81, 'A'}));
    EXPECT_EQ(UpperCase932(bytes({'a', 0x82})), bytes({'A', 0x82}));
}

TEST(ToFullWidthKatakana, AsciiRow) {
    std::string ascii;
    for (int c = 0x20; c <= 0x7E; ++c)
        ascii.push_back(static_cast<char>(c));
    EXPECT_EQ(ToFullWidthKatakana(ascii),
              Codec::sj("　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠"
                        "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ［＼］＾＿｀"
                        "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～"));
    EXPECT_EQ(ToFullWidthKatakana(" \\~'\"?"),
              bytes({0x81, 0x40, 0x81, 0x5F, 0x81, 0x60, 0x81, 0x66, 0x81, 0x68, 0x81, 0x48}));
}

TEST(ToFullWidthKatakana, HalfWidthKatakanaRow) {
    std::string kana;
    for (int c = 0xA1; c <= 0xDF; ++c)
        kana.push_back(static_cast<char>(c));
    EXPECT_EQ(ToFullWidthKatakana(kana),
              Codec::sj("。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソ"
                        "タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜"));
}

TEST(ToFullWidthKatakana, VoicedMarksMerge) {
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("ｶﾞｷﾞｿﾞﾀﾞﾄﾞﾊﾞﾎﾞﾊﾟﾋﾟﾎﾟｳﾞ")), Codec::sj("ガギゾダドバボパピポヴ"));
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("ｶﾞ")), bytes({0x83, 0x4B}));
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("ﾊﾟ")), bytes({0x83, 0x70}));
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("ｳﾞ")), bytes({0x83, 0x94}));
    // Marks that cannot merge stand alone.
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("ﾞｱﾞｶﾟｯﾞﾝﾟﾟ")), Codec::sj("゛ア゛カ゜ッ゛ン゜゜"));
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("かﾞ")), Codec::sj("カ゛"));
}

TEST(ToFullWidthKatakana, HiraganaToKatakana) {
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("ぁあぃいぅうぇえぉおかがきぎくぐけげこごさざしじすずせぜそぞ"
                                            "ただちぢっつづてでとどなにぬねのはばぱひびぴふぶぷへべぺほぼぽ"
                                            "まみむめもゃやゅゆょよらりるれろゎわゐゑをん")),
              Codec::sj("ァアィイゥウェエォオカガキギクグケゲコゴサザシジスズセゼソゾ"
                        "タダチヂッツヅテデトドナニヌネノハバパヒビピフブプヘベペホボポ"
                        "マミムメモャヤュユョヨラリルレロヮワヰヱヲン"));
    // み and む sit on either side of the gap at 0x837F.
    EXPECT_EQ(ToFullWidthKatakana(Codec::sj("みむ")), bytes({0x83, 0x7E, 0x83, 0x80}));
    // Katakana, kanji, full-width symbols and bytes without a full-width form stay.
    const std::string other = Codec::sj("ヴヵヶ漢字ゝ＠") + bytes({0x09, 0x7F, 0xA0, 0xFE});
    EXPECT_EQ(ToFullWidthKatakana(other), other);
}

TEST(ToFullWidthKatakana, MapsInWindowsOf126Bytes) {
    // ｶ is byte 126, ﾞ byte 127: they fall into different windows and do not merge.
    const std::string split = std::string(125, 'a') + Codec::sj("ｶﾞ");
    const std::string mapped = ToFullWidthKatakana(split);
    ASSERT_EQ(mapped.size(), 254u);
    EXPECT_EQ(mapped.substr(250), Codec::sj("カ゛"));
    // One byte earlier both lie in the first window.
    EXPECT_EQ(ToFullWidthKatakana(std::string(124, 'a') + Codec::sj("ｶﾞ")).substr(248), Codec::sj("ガ"));
    // A two-byte character across the window end moves whole into the next window.
    const std::string across = std::string(125, 'a') + Codec::sj("ぁｶ");
    EXPECT_EQ(ToFullWidthKatakana(across).substr(250), Codec::sj("ァカ"));
    // A lone lead byte at the very end is no character and is left out.
    EXPECT_EQ(ToFullWidthKatakana(bytes({'a', 0x82})), Codec::sj("ａ"));
}

TEST(SearchKey, WidthCaseAndKanaDoNotMatter) {
    EXPECT_EQ(SearchKey("abc"), SearchKey(Codec::sj("ＡＢＣ")));
    EXPECT_EQ(SearchKey("abc"), Codec::sj("ＡＢＣ"));
    EXPECT_EQ(SearchKey(Codec::sj("ａｂｃ")), Codec::sj("ＡＢＣ"));
    EXPECT_EQ(SearchKey(Codec::sj("ひらがな")), SearchKey(Codec::sj("ヒラガナ")));
    EXPECT_EQ(SearchKey(Codec::sj("ﾋﾗｶﾞﾅ")), Codec::sj("ヒラガナ"));
    EXPECT_EQ(SearchKey(Codec::sj("ｶﾞ")), Codec::sj("ガ"));
    EXPECT_EQ(SearchKey(Codec::sj("ﾊﾟ")), Codec::sj("パ"));
    EXPECT_EQ(SearchKey(Codec::sj("ｳﾞ")), Codec::sj("ヴ"));
}

TEST(SearchKey, ReplacementTable) {
    EXPECT_EQ(SearchKey(Codec::sj("a b　c")), Codec::sj("ＡＢＣ"));
    EXPECT_EQ(SearchKey(Codec::sj("3×4")), Codec::sj("３Ｘ４"));
    EXPECT_EQ(SearchKey(Codec::sj("ーｰ-－")), Codec::sj("－－－－"));
    EXPECT_EQ(SearchKey(Codec::sj("´｀‘′’'")), Codec::sj("’’’’’’"));
    EXPECT_EQ(SearchKey(Codec::sj("゛“″”\"")), Codec::sj("”””””"));
    // A lone half-width voiced mark becomes ゛ and then the double quote.
    EXPECT_EQ(SearchKey(Codec::sj("ﾞ")), bytes({0x81, 0x68}));
    EXPECT_EQ(SearchKey(""), "");
    EXPECT_EQ(SearchKey(" "), "");
}

TEST(SearchKey, OneByteCharactersDoNotShiftTheUnits) {
    // The tab has no full-width form; the units after it are still whole.
    EXPECT_EQ(SearchKey("a\tb c"), Codec::sj("Ａ") + "\t" + Codec::sj("ＢＣ"));
    EXPECT_EQ(SearchKey(bytes({0xA0}) + Codec::sj("ー")), bytes({0xA0, 0x81, 0x7C}));
    EXPECT_EQ(SearchKey(bytes({'x', 0x82})), Codec::sj("Ｘ"));
}

TEST(SearchKey, FitsTwiceTheLineLength) {
    const std::string half(120, 'w');
    EXPECT_EQ(SearchKey(half).size(), 240u);
    std::string hiragana, katakana;
    for (int i = 0; i < 60; ++i) {
        hiragana += Codec::sj("あ");
        katakana += Codec::sj("ア");
    }
    EXPECT_EQ(SearchKey(hiragana), katakana);
    std::string kana;
    for (int i = 0; i < 120; ++i)
        kana.push_back(static_cast<char>(0xB1 + i % 40));
    EXPECT_LE(SearchKey(kana).size(), 240u);
}
