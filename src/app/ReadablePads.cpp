#include "app/ReadablePads.h"

#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "text/Codec.h"
#include "text/Func_.h"

namespace {

std::string headed(const char* kind, const std::string& item) {
    return Codec::sj(kind) + Codec::sj("「") + item + Codec::sj("」");
}

// The pads of the group rows of table that the member may read.
ReadResult<std::vector<ReadablePad>> readGroups(TFormFBDB& db, const char* table, PadKind kind,
                                                bool (*mayRead)(const FieldList&, std::int32_t),
                                                std::string (*tableOf)(std::int32_t), const char* heading,
                                                std::int32_t memberNumber) {
    FieldList shape;
    SetGroupFields(shape);
    const ReadResult<std::vector<FieldList>> rows = db.ReadRows(shape, "*", table, "", "N");
    if (!rows)
        return rows.failure();
    std::vector<ReadablePad> pads;
    for (const FieldList& row : *rows) {
        const std::int32_t group = ToIntOrZero(row[GroupN].Value);
        if (group > 0 && mayRead(row, memberNumber))
            pads.push_back({kind, group, tableOf(group), headed(heading, GroupListItem(row))});
    }
    return pads;
}

} // namespace

ReadResult<Registry> ReadReadablePads(TFormFBDB& db, std::int32_t memberNumber) {
    FieldList memberShape;
    SetMemberFields(memberShape);
    const ReadResult<std::vector<FieldList>> members = db.ReadRows(memberShape, "*", "MEMBER", "", "N");
    if (!members)
        return members.failure();
    Registry registry;
    for (const FieldList& row : *members) {
        const std::int32_t member = ToIntOrZero(row[0].Value);
        if (member <= 0)
            continue;
        registry.memberNames[member] = row[1].Value;
        if (member != memberNumber)
            registry.pads.push_back(
                {PadKind::Member, member, MyMemoTable(member), headed("まいめも", MemberListItem(row))});
    }
    struct GroupTable {
        const char* table;
        PadKind kind;
        bool (*mayRead)(const FieldList&, std::int32_t);
        std::string (*tableOf)(std::int32_t);
        const char* heading;
    };
    const GroupTable groupTables[] = {
        {"OGROUP", PadKind::OpenGroup, CanReadOpenGroupPad, OgMemoTable, "オープングループめも"},
        {"CGROUP", PadKind::ClosedGroup, CanReadClosedGroupPad, CgMemoTable, "クローズグループめも"},
    };
    for (const GroupTable& g : groupTables) {
        ReadResult<std::vector<ReadablePad>> groups =
            readGroups(db, g.table, g.kind, g.mayRead, g.tableOf, g.heading, memberNumber);
        if (!groups)
            return groups.failure();
        registry.pads.insert(registry.pads.end(), groups->begin(), groups->end());
    }
    registry.pads.push_back({PadKind::AllMembers, 0, AlMemoTable(), Codec::sj("全メンバーめも")});
    return registry;
}
