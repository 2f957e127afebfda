#include "text/Codec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <vector>

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

// The converter from one encoding to another, opened once per thread: opening
// one costs more than converting a line. Converters of unknown encodings are
// not kept.
iconv_t converter(const char* to, const char* from) {
    struct Opened {
        std::string to, from;
        iconv_t cd;
    };
    struct Cache {
        std::vector<Opened> opened;
        ~Cache() {
            for (const Opened& entry : opened)
                iconv_close(entry.cd);
        }
    };
    thread_local Cache cache;
    for (const Opened& entry : cache.opened)
        if (entry.to == to && entry.from == from) {
            iconv(entry.cd, nullptr, nullptr, nullptr, nullptr);
            return entry.cd;
        }
    const iconv_t cd = iconv_open(to, from);
    if (cd != NoConverter)
        cache.opened.push_back({to, from, cd});
    return cd;
}

// Input goes to iconv in slices of this many bytes. After a character it
// cannot convert, iconv converts its whole input again up to that character,
// so a failure costs as much as the slice is long: a short slice keeps text
// full of such characters linear, and costs valid text almost nothing.
constexpr size_t SliceBytes = 64;

// One iconv conversion with a fallback for what the target cannot hold:
// invalid or unconvertible input is replaced and skipped, never truncated.
// An encoding iconv does not know gives "" and, when asked, known = false.
std::string convert(const char* to, const char* from, const std::string& input,
                    const std::string& replacement, int badSourceBytes, bool* known = nullptr) {
    iconv_t cd = converter(to, from);
    if (known)
        *known = cd != NoConverter;
    if (cd == NoConverter)
        return {};
    std::string out;
    out.reserve(input.size() * 2);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    size_t slice = SliceBytes;
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t offered = std::min(slice, inLeft);
        size_t sliceLeft = offered;
        const size_t r = iconv(cd, &in, &sliceLeft, &dst, &dstLeft);
        const int error = errno;
        out.append(buffer, sizeof buffer - dstLeft);
        inLeft -= offered - sliceLeft;
        slice = SliceBytes;
        if (r != static_cast<size_t>(-1))
            continue;
        if (error == E2BIG)
            continue;
        if (error == EINVAL && sliceLeft < inLeft) {
            // A character cut by the end of the slice: it starts the next one,
            // which is made longer should the character fill this one alone.
            if (sliceLeft == offered)
                slice = offered * 2;
            continue;
        }
        // EILSEQ, or EINVAL at the end of the input: replace one source character and go on.
        out += replacement;
        size_t skip = badSourceBytes > 0 ? static_cast<size_t>(badSourceBytes) : 1;
        if (badSourceBytes == 0) {
            // UTF-8 source: skip the whole character.
            unsigned char c = static_cast<unsigned char>(*in);
            skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        }
        skip = std::min(skip, inLeft);
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    return out;
}

} // namespace

namespace Codec {

std::string toUtf8(const std::string& sjis) {
    return convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD", 1);
}

std::string fromUtf8(const std::string& utf8) {
    return convert("CP932", "UTF-8", utf8, "?", 0);
}

QString toQString(const std::string& sjis) {
    const std::string utf8 = toUtf8(sjis);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString toDisplayLine(const std::string& sjis) {
    QString text = toQString(sjis);
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text;
}

std::string fromQString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return fromUtf8(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QString firstUnheldChar(const QString& text) {
    // One conversion answers for the usual text: no "?" beyond its own.
    const std::string whole = fromQString(text);
    if (std::count(whole.begin(), whole.end(), '?') == text.count(QLatin1Char('?')))
        return {};
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (character != QLatin1String("?") && fromQString(character) == "?")
            return character;
        i += length;
    }
    return {};
}

std::string codePageToUtf8(int codePage, const std::string& bytes) {
    const std::string name = codePage == 10000 ? std::string("MACINTOSH") : "CP" + std::to_string(codePage);
    bool known = false;
    std::string utf8 = convert("UTF-8", name.c_str(), bytes, "\xEF\xBF\xBD", 1, &known);
    return known ? utf8 : convert("UTF-8", "CP1252", bytes, "\xEF\xBF\xBD", 1);
}

std::string sj(const char* utf8) {
    return fromUtf8(utf8);
}

} // namespace Codec
