#pragma once

#include <cstdint>
#include <string>

class QComboBox;
class QString;
class UnreadCounts;

// The unread counts in a chooser's list: an item whose pad has unread lines
// shows the count after its text ("3:Alpha－Plans　（未読2）"), kept up to
// date while the list is open. The item still starts with its number and a
// colon, which is all that is read back from it.
namespace ListCounts {

// Marks the items of list, those added later included; tableOf gives the
// memo table of an item's number.
void Attach(QComboBox* list, std::string (*tableOf)(std::int32_t), UnreadCounts* counts);

// What an item's text gets after it for a pad with count unread lines.
QString CountSuffix(int count);

} // namespace ListCounts
