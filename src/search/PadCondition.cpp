#include "search/PadCondition.h"

#include "text/Func_.h"

namespace {

bool IsTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

} // namespace

std::string LikeSafeKey(const std::string& key) {
    std::string safe;
    safe.reserve(key.size());
    for (size_t i = 0; i < key.size(); ++i) {
        const auto byte = static_cast<unsigned char>(key[i]);
        if (IsLeadByte(byte) && i + 1 < key.size() && IsTrailByte(static_cast<unsigned char>(key[i + 1]))) {
            safe.append(key, i, 2);
            ++i;
        } else {
            safe.push_back('_');
        }
    }
    return safe;
}

std::string PadCondition(const std::string& findColumn, const std::string& key) {
    return "(DF=0) AND (" + findColumn + " LIKE '%" + LikeSafeKey(key) + "%') ";
}
