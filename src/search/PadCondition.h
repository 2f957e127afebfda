#pragma once

#include <string>

// The condition with which the global search selects a pad's candidate lines.

// The key as it may stand inside the LIKE literal. A search key normally holds
// only whole two-byte characters, none of which can end the literal or act as
// a wildcard on its own. Any other byte left in it (one without a full-width
// form, a lead byte without its trail byte) becomes "_", which lets the
// database match that byte and nothing can escape the literal; the
// character-wise check of each hit then requires the byte itself.
std::string LikeSafeKey(const std::string& key);

// "(DF=0) AND (" + findColumn + " LIKE '%" + key + "%') ", with the key made
// safe as above.
std::string PadCondition(const std::string& findColumn, const std::string& key);
