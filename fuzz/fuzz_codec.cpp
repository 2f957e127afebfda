// The code page 932 codec at the widget boundary: any bytes give valid
// UTF-8, conversion never stops early, and text that passed through once
// passes through again unchanged.

#include "FuzzCheck.h"

#include "text/Codec.h"

#include <QString>

namespace {

bool ValidUtf8(const std::string& text) {
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray again = decoded.toUtf8();
    return std::string(again.constData(), static_cast<std::size_t>(again.size())) == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string utf8 = Codec::toUtf8(bytes);
    FUZZ_CHECK(ValidUtf8(utf8));
    // Every byte turns into at least one character, and none into more than one.
    const QString text = Codec::toQString(bytes);
    FUZZ_CHECK(text.size() <= static_cast<qsizetype>(size));
    FUZZ_CHECK(text.size() >= static_cast<qsizetype>((size + 1) / 2));

    const std::string once = Codec::fromQString(text);
    FUZZ_CHECK(Codec::fromQString(Codec::toQString(once)) == once);
    FUZZ_CHECK(once.size() <= 2 * size);

    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        FUZZ_CHECK(utf8 == bytes && once == bytes);

    // Arbitrary bytes read as UTF-8 give code page 932 that reads back as valid UTF-8.
    const std::string fromUtf8 = Codec::fromUtf8(bytes);
    FUZZ_CHECK(ValidUtf8(Codec::toUtf8(fromUtf8)));
    FUZZ_CHECK(fromUtf8.size() <= 2 * size);
    return 0;
}
