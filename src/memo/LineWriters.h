#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QString;
class QTableWidgetItem;
class TMemoScreen;

// Who wrote each line of a memo screen: the line's MN, kept with its text cell
// when the page is read, and shown in a tool tip when the pointer rests on the
// line or the line is selected: "登録メンバー：12:山田太郎", the number alone
// when no MEMBER row has it.
namespace LineWriters {

// Keeps the line's MN value with its text cell (the page load calls it).
void Mark(QTableWidgetItem* textCell, const std::string& memberNumber);

// The tip for a grid row of the screen (code page 932); empty for a row
// that shows no line.
std::string TipText(const TMemoScreen& screen, int row);

// The tip as the tool tip gets it: one line, shown as written.
QString TipMarkup(const std::string& tip);

// Shows the tips on the screen's grid.
void Attach(TMemoScreen* screen);

// Where the members' names are looked up first (the unread counts read the
// member list anyway). A member it does not know is looked up in MEMBER,
// read once after each showing of a memo screen.
void SetNameLookup(std::function<std::optional<std::string>(std::int32_t)> lookup);

} // namespace LineWriters
