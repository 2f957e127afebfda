// The scratch editor's Rich Text Format: any file reads without failing into
// code page 932 text, and every text written reads back as itself.

#include "FuzzCheck.h"

#include "editor/RtfDocument.h"
#include "text/Codec.h"

namespace {

// What a text holds once it has been through the editor's text area: valid
// code page 932, characters it cannot hold as "?".
std::string Clean(const std::string& bytes) {
    return Codec::fromQString(Codec::toQString(bytes));
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
            FUZZ_CHECK(Clean(run.text) == run.text);
            FUZZ_CHECK(run.halfPoints >= 0);
        }

    const std::string text = Clean(bytes);
    const std::string written = WriteRtf(text);
    FUZZ_CHECK(IsRtf(written));
    for (const char c : written)
        FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
    FUZZ_CHECK(ReadRtf(written).plainText() == WithoutControls(text));
    return 0;
}
