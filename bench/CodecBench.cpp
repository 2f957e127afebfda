#include "CodecBench.h"

#include "editor/RtfDocument.h"
#include "text/Codec.h"

#include <QString>
#include <cstdio>
#include <string>

namespace Bench {

namespace {

constexpr int Characters = 200'000;
constexpr int Repetitions = 7;

std::string repeated(const char* piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// One case against the valid text; the goal is the time per character.
void addCase(std::vector<Goal>& goals, const std::string& name, const std::function<void()>& hard,
             const std::function<void()>& valid) {
    const Outcome outcome = measure(name, Repetitions, hard, valid);
    goals.push_back({"codec: " + name + ", us a character", outcome.module * 1000.0 / Characters, 1.0});
}

} // namespace

int RunCodec(std::vector<Goal>& goals) {
    std::printf("%d characters a case; the floor is the same number of valid kanji\n", Characters);
    const QString kanji = QString::fromUtf8(repeated("漢", Characters));
    const QString emoji = QString::fromUtf8(repeated("\xF0\x9F\x98\x80", Characters));
    const QString hangul = QString::fromUtf8(repeated("\xEA\xB0\x80", Characters));
    const std::string kanjiBytes = Codec::fromQString(kanji);
    const std::string invalidBytes = repeated("\xFF\x82", Characters / 2);
    const std::string kanjiRtf = "{\\rtf1\\ansi\\ansicpg932 " + repeated("\\'8a\\'bf", Characters) + "}";
    const std::string invalidRtf =
        "{\\rtf1\\ansi\\ansicpg932 " + repeated("\\'ff\\'82", Characters / 2) + "}";

    size_t sink = 0;
    printHeader();
    const auto toCp932 = [&](const QString& text) {
        return [&] { sink += Codec::fromQString(text).size(); };
    };
    addCase(goals, "QString to cp932, emoji / kanji", toCp932(emoji), toCp932(kanji));
    addCase(goals, "QString to cp932, Hangul / kanji", toCp932(hangul), toCp932(kanji));
    addCase(
        goals, "cp932 to QString, invalid bytes / kanji",
        [&] { sink += static_cast<size_t>(Codec::toQString(invalidBytes).size()); },
        [&] { sink += static_cast<size_t>(Codec::toQString(kanjiBytes).size()); });
    addCase(
        goals, "RTF read, escapes of invalid bytes / kanji",
        [&] { sink += ReadRtf(invalidRtf).plainText().size(); },
        [&] { sink += ReadRtf(kanjiRtf).plainText().size(); });
    return sink > 0 ? 0 : 1;
}

} // namespace Bench
