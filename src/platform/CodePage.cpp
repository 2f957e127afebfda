#include "platform/CodePage.h"

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

} // namespace

namespace Platform {

std::optional<std::string> convertEncoding(const char* to, const char* from, const std::string& input,
                                           const std::string& replacement, int badSourceBytes) {
    iconv_t cd = converter(to, from);
    if (cd == NoConverter)
        return std::nullopt;
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

} // namespace Platform
