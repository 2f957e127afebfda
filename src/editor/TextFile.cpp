#include "editor/TextFile.h"

#include "text/Codec.h"
#include "text/Utf8.h"

#include <algorithm>

namespace {

bool HasNonAscii(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

PlainText ReadPlainText(std::string_view bytes, qsizetype limit, qsizetype lineLimit) {
    const bool utf8 = HasNonAscii(bytes) && Utf8::IsValid(bytes);
    if (utf8 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    // A UTF-16 unit takes at most 3 bytes of UTF-8 and 2 of code page 932, a
    // line end at most 2: a longer beginning decodes to more than the limit.
    const size_t room = static_cast<size_t>(std::max<qsizetype>(limit, 0)) + 2;
    const std::string_view needed = bytes.substr(0, utf8 ? 3 * room : 2 * room);
    QString text = utf8 ? QString::fromUtf8(needed.data(), static_cast<qsizetype>(needed.size()))
                        : Codec::toQString(std::string(needed));
    // Line ends become "\n" in place, as far as the limits go.
    PlainText read;
    QChar* const out = text.data();
    const QChar* in = out;
    const QChar* const end = in + text.size();
    qsizetype length = 0;
    qsizetype lines = 1;
    while (in != end) {
        QChar c = *in++;
        if (c == QLatin1Char('\r')) {
            if (in != end && *in == QLatin1Char('\n'))
                ++in;
            c = QLatin1Char('\n');
        }
        if (length == limit || (c == QLatin1Char('\n') && lines == lineLimit)) {
            read.truncated = true;
            // A surrogate pair is never split.
            if (length > 0 && out[length - 1].isHighSurrogate())
                --length;
            break;
        }
        lines += c == QLatin1Char('\n') ? 1 : 0;
        out[length++] = c;
    }
    text.truncate(length);
    read.text = std::move(text);
    return read;
}

std::string WritePlainText(const QString& text, bool& replaced) {
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string bytes = Codec::fromQString(lines);
    // Every character code page 932 cannot hold becomes one "?", and "?" is
    // never the second byte of a two-byte character.
    replaced = std::count(bytes.begin(), bytes.end(), '?') > text.count(QLatin1Char('?'));
    return bytes;
}

QString FitText(const QString& text, qsizetype room, qsizetype lineEnds) {
    // The text stops before the first line end too many.
    for (qsizetype end = -1, found = 0; lineEnds >= 0 && found <= lineEnds; ++found) {
        end = text.indexOf(QLatin1Char('\n'), end + 1);
        if (end < 0)
            break;
        if (found == lineEnds)
            room = std::min(room, end);
    }
    if (text.size() <= room)
        return text;
    if (room <= 0)
        return {};
    return text.left(text.at(room - 1).isHighSurrogate() ? room - 1 : room);
}
