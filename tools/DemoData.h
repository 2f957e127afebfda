#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The demo database's content, as UTF-8: members, open and closed groups, and
// memo lines in the all-members pad (several pages of it), one member's own
// pad and one open group's pad, with hiragana, katakana, half-width katakana
// and Latin lines for the searches.

struct DemoMember {
    const char* number;
    const char* name;
    const char* password;
};

struct DemoGroup {
    const char* kind; // open or closed
    const char* number;
    bool ended;
    const char* start;
    const char* end;
    const char* name;
    const char* outline;
    std::vector<const char*> members;
};

struct DemoLine {
    std::string table;
    std::int32_t member;
    const char* text;
};

const std::vector<DemoMember>& DemoMembers();
const std::vector<DemoGroup>& DemoGroups();
std::vector<DemoLine> DemoLines();
