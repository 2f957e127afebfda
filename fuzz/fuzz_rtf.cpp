// The scratch editor's Rich Text Format: any file reads without failing into
// valid UTF-8 text within the character limit, and every text written reads
// back as itself.

#include "FuzzCheck.h"

#include "editor/RtfDocument.h"

#include <QString>

namespace {

// Valid UTF-8 of any bytes: what the editor's text area hands to the writer.
std::string Valid(const std::string& bytes) {
    const QByteArray utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// The text as it is read back: control characters other than the tab and
// the line end are not written.
std::string WithoutControls(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n')
            out += c;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const RtfDocument read = ReadRtf(bytes);
    for (const RtfParagraph& paragraph : read.paragraphs)
        for (const RtfRun& run : paragraph) {
            FUZZ_CHECK(Valid(run.text) == run.text);
            FUZZ_CHECK(run.halfPoints >= 0);
        }
    FUZZ_CHECK(!read.truncated);

    // The limits keep the text within them and, where they cut, leave a beginning of the whole.
    const std::size_t limit = size % 64;
    const std::size_t lines = size % 5 + 1;
    const RtfDocument cut = ReadRtf(bytes, limit, lines);
    const QString whole = QString::fromUtf8(read.plainText().c_str());
    const QString part = QString::fromUtf8(cut.plainText().c_str());
    FUZZ_CHECK(static_cast<std::size_t>(part.size()) <= limit);
    FUZZ_CHECK(cut.paragraphs.size() <= lines);
    FUZZ_CHECK(cut.truncated ? whole.startsWith(part) && part.size() < whole.size() : part == whole);

    const std::string text = Valid(bytes);
    const std::string written = WriteRtf(text);
    FUZZ_CHECK(IsRtf(written));
    for (const char c : written)
        FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
    FUZZ_CHECK(ReadRtf(written).plainText() == WithoutControls(text));
    return 0;
}
