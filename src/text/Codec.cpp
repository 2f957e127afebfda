#include "text/Codec.h"

#include "platform/CodePage.h"

#include <algorithm>

namespace {

// One conversion with the fallback for what the target cannot hold; an
// encoding the system does not know gives "" and, when asked, known = false.
std::string convert(const char* to, const char* from, const std::string& input,
                    const std::string& replacement, int badSourceBytes, bool* known = nullptr) {
    std::optional<std::string> out = Platform::convertEncoding(to, from, input, replacement, badSourceBytes);
    if (known)
        *known = out.has_value();
    return out ? std::move(*out) : std::string();
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
