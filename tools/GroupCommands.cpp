// group-add, group-set, group-list and group-remove: the OGROUP and CGROUP tables.

#include "AdminCommand.h"
#include "AdminCommands.h"
#include "AdminSession.h"
#include "AdminValues.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <optional>
#include <ostream>
#include <tuple>

namespace {

// Writes the group options into the row; a refused value is reported.
bool applyGroupOptions(AdminSession& session, const CommandArgs& args, FieldList& fields) {
    std::string text, error;
    for (const auto& [option, entry, what, required] :
         {std::tuple{"--name", GroupName, "the group name", true},
          std::tuple{"--outline", GroupSummary, "the outline", false}}) {
        if (!args.has(option))
            continue;
        if (!StoredText(args.options.at(option), what, fields[entry], required, text, error))
            return session.refuse(error);
        fields[entry].Value = text;
    }
    for (const auto& [option, entry, what] :
         {std::tuple{"--start", GroupStart, "the start"}, std::tuple{"--end", GroupEnd, "the end"}}) {
        if (!args.has(option))
            continue;
        if (!ParseDate(args.options.at(option), what, text, error))
            return session.refuse(error);
        fields[entry].Value = text;
    }
    if (args.flags.count("--ended"))
        fields[GroupEndedEntry].Value = "1";
    if (args.flags.count("--running"))
        fields[GroupEndedEntry].Value = "0";
    if (args.has("--members")) {
        std::vector<std::string> members;
        if (!ParseMembers(args.options.at("--members"), members, error))
            return session.refuse(error);
        for (int slot = 0; slot < GroupSlots; ++slot)
            fields[GroupFirstSlot + slot].Value =
                slot < static_cast<int>(members.size()) ? members[slot] : "";
    }
    return true;
}

// Checks made against the database: participants must be registered and the
// period must not end before it starts (a period of one day is fine).
bool validateGroup(AdminSession& session, const GroupKind& kind, const FieldList& fields) {
    const int start = ToIntOrZero(fields[GroupStart].Value);
    const int end = ToIntOrZero(fields[GroupEnd].Value);
    if (start > 0 && end > 0 && end < start)
        return session.refuse("the " + kind.word + "'s period ends (" + fields[GroupEnd].Value +
                              ") before it starts (" + fields[GroupStart].Value + ")");
    for (int slot = GroupFirstSlot; slot < GroupColumns; ++slot) {
        const int member = ToIntOrZero(fields[slot].Value);
        if (member <= 0)
            continue;
        const ReadResult<bool> exists = session.memberExists(std::to_string(member));
        if (!exists)
            return false;
        if (!*exists)
            return session.refuse("there is no member " + std::to_string(member) + " to take part in the " +
                                  kind.word);
    }
    return true;
}

// The group kind and number of a command's first two arguments; false (reported) for a refused number.
bool groupOf(AdminSession& session, const CommandArgs& args, GroupKind& kind, std::string& number) {
    ParseGroupKind(args.positional[0], kind);
    std::string error;
    if (ParseNumber(args.positional[1], "the group number", MaxForKind(GroupFields()[GroupN].Kind), number,
                    error))
        return true;
    return session.refuse(error);
}

} // namespace

namespace AdminCommands {

int GroupAdd(AdminSession& session, const CommandArgs& args) {
    GroupKind kind;
    FieldList fields = GroupFields();
    std::string number, name, error;
    if (!groupOf(session, args, kind, number))
        return kAdminFailed;
    if (!StoredText(args.positional[2], "the group name", fields[GroupName], true, name, error))
        return session.fail(error);
    fields[GroupN].Value = number;
    fields[GroupEndedEntry].Value = "0";
    fields[GroupName].Value = name;
    if (!applyGroupOptions(session, args, fields))
        return kAdminFailed;
    if (!session.connect() || !session.requireTable("MEMBER") || !session.requireTable(kind.table))
        return kAdminFailed;
    const ReadResult<std::optional<FieldList>> existing = session.row(kind.table, number, GroupFields());
    if (!existing)
        return kAdminFailed;
    if (*existing)
        return session.fail(kind.word + " " + number + " already exists (" +
                            Codec::toUtf8((**existing)[GroupName].Value) + ")");
    if (!validateGroup(session, kind, fields))
        return kAdminFailed;
    if (!session.db().InsertRow(kind.table, GroupColumns, fields))
        return session.fail("cannot add " + kind.word + " " + number + ": " + session.lastError());
    session.out() << kind.word << " " << number << " added\n";
    return kAdminOk;
}

int GroupSet(AdminSession& session, const CommandArgs& args) {
    GroupKind kind;
    std::string number;
    if (!groupOf(session, args, kind, number))
        return kAdminFailed;
    if (!session.connect() || !session.requireTable("MEMBER") || !session.requireTable(kind.table))
        return kAdminFailed;
    ReadResult<std::optional<FieldList>> group = session.row(kind.table, number, GroupFields());
    if (!group)
        return kAdminFailed;
    if (!*group)
        return session.fail("there is no " + kind.word + " " + number);
    FieldList fields = std::move(**group);
    if (!applyGroupOptions(session, args, fields) || !validateGroup(session, kind, fields))
        return kAdminFailed;
    if (!session.db().UpdateRow(kind.table, GroupColumns, fields, "N=" + number))
        return session.fail("cannot change " + kind.word + " " + number + ": " + session.lastError());
    session.out() << kind.word << " " << number << " changed\n";
    return kAdminOk;
}

int GroupList(AdminSession& session, const CommandArgs& args) {
    GroupKind kind;
    ParseGroupKind(args.positional[0], kind);
    if (!session.connect() || !session.requireTable(kind.table))
        return kAdminFailed;
    const auto date = [](const std::string& value) {
        return ToIntOrZero(value) > 0 ? std::to_string(ToIntOrZero(value)) : std::string();
    };
    const ReadResult<std::vector<FieldList>> groups = session.rows(kind.table, GroupFields());
    if (!groups)
        return kAdminFailed;
    for (const FieldList& group : *groups) {
        std::string members;
        for (int slot = GroupFirstSlot; slot < GroupColumns; ++slot)
            if (const int member = ToIntOrZero(group[slot].Value); member > 0)
                members += (members.empty() ? "" : ",") + std::to_string(member);
        session.out() << group[GroupN].Value << "\t" << (GroupEnded(group) ? "ended" : "running") << "\t"
                      << date(group[GroupStart].Value) << "\t" << date(group[GroupEnd].Value) << "\t"
                      << Codec::toUtf8(group[GroupName].Value) << "\t"
                      << Codec::toUtf8(group[GroupSummary].Value) << "\t" << members << "\n";
    }
    return kAdminOk;
}

int GroupRemove(AdminSession& session, const CommandArgs& args) {
    GroupKind kind;
    std::string number;
    if (!groupOf(session, args, kind, number))
        return kAdminFailed;
    if (!session.connect() || !session.requireTable(kind.table))
        return kAdminFailed;
    const ReadResult<std::optional<FieldList>> group = session.row(kind.table, number, GroupFields());
    if (!group)
        return kAdminFailed;
    if (!*group)
        return session.fail("there is no " + kind.word + " " + number);
    if (!session.db().DeleteRows(kind.table, "N=" + number))
        return session.fail("cannot remove " + kind.word + " " + number + ": " + session.lastError());
    session.out() << kind.word << " " << number << " removed; its memo table "
                  << kind.memoTable(ToIntOrZero(number)) << " is kept\n";
    return kAdminOk;
}

} // namespace AdminCommands
