#pragma once

#include "db/ReadResult.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TFormFBDB;

// The pads a member may read besides the own pad, by the rules the choosers
// and the global search apply: every other member's pad, every open group's
// pad, the pads of the closed groups the member takes part in, and the
// all-members pad.

enum class PadKind { Member, OpenGroup, ClosedGroup, AllMembers };

struct ReadablePad {
    PadKind kind = PadKind::AllMembers;
    std::int32_t number = 0; // the member or the group; 0 for the all-members pad
    std::string table;
    // As the global search heads the pad: まいめも「12:ABC」, オープングループめも「3:Alpha－Plans」,
    // クローズグループめも「…」, 全メンバーめも (code page 932).
    std::string label;
};

struct Registry {
    std::vector<ReadablePad> pads;                   // in the global search's order
    std::map<std::int32_t, std::string> memberNames; // every member row, the member's own included
};

// Reads MEMBER, OGROUP and CGROUP (three statements). Rows without a number
// above 0 name no pad.
ReadResult<Registry> ReadReadablePads(TFormFBDB& db, std::int32_t memberNumber);
