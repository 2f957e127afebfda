#include "AdminValues.h"

#include "text/Codec.h"
#include "text/Func_.h"

#include <algorithm>
#include <chrono>

namespace {

bool isDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool ParseNumber(const std::string& text, const std::string& what, long long max, std::string& number,
                 std::string& error) {
    if (!isDigits(text)) {
        error = what + " must be a whole number, not \"" + text + "\"";
        return false;
    }
    const size_t first = std::min(text.find_first_not_of('0'), text.size());
    const std::string digits = text.substr(first);
    if (digits.empty() || digits.size() > 10 || std::stoll(digits) > max) {
        error = what + " must be between 1 and " + std::to_string(max) + ", not " + text;
        return false;
    }
    number = digits;
    return true;
}

long long MaxForKind(std::int32_t kind) {
    return kind == 1 ? 2147483647LL : 32767LL;
}

bool StoredText(const std::string& utf8, const std::string& what, const TableField& field, bool required,
                std::string& sjis, std::string& error) {
    if (ContainsQuote(utf8)) {
        error = what + " must not contain an apostrophe or a double quote";
        return false;
    }
    if (std::any_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        error = what + " must not contain control characters";
        return false;
    }
    sjis = Codec::fromUtf8(utf8);
    if (std::count(sjis.begin(), sjis.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
        error = what + " holds characters that code page 932 cannot store";
        return false;
    }
    if (required && RemoveSpaces(sjis).empty()) {
        error = what + " must not be empty";
        return false;
    }
    if (field.Kind == 4 && sjis.size() > static_cast<size_t>(field.Size)) {
        error = what + " is too long: " + std::to_string(sjis.size()) + " bytes in code page 932, at most " +
                std::to_string(field.Size);
        return false;
    }
    return true;
}

bool ParseDate(const std::string& text, const std::string& what, std::string& date, std::string& error) {
    if (text.empty()) {
        date.clear();
        return true;
    }
    if (text.size() == 8 && isDigits(text)) {
        using namespace std::chrono;
        const year_month_day day{year{std::stoi(text.substr(0, 4))},
                                 month{static_cast<unsigned>(std::stoi(text.substr(4, 2)))},
                                 std::chrono::day{static_cast<unsigned>(std::stoi(text.substr(6, 2)))}};
        if (day.ok() && std::stoi(text.substr(0, 4)) >= 1) {
            date = text;
            return true;
        }
    }
    error = what + " must be a date written YYYYMMDD, not \"" + text + "\"";
    return false;
}

bool ParseMembers(const std::string& text, std::vector<std::string>& members, std::string& error) {
    members.clear();
    if (RemoveSpaces(text).empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        item.erase(0, item.find_first_not_of(' '));
        item.erase(item.find_last_not_of(' ') + 1);
        std::string number;
        if (!ParseNumber(item, "a participant's member number", MaxMemberNumber, number, error))
            return false;
        if (std::find(members.begin(), members.end(), number) != members.end()) {
            error = "member " + number + " is listed twice";
            return false;
        }
        members.push_back(number);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (members.size() > static_cast<size_t>(GroupSlots)) {
        error = "a group has at most " + std::to_string(GroupSlots) + " participants, not " +
                std::to_string(members.size());
        return false;
    }
    return true;
}

bool ParseGroupKind(const std::string& text, GroupKind& kind) {
    if (text == "open") {
        kind = {"OGROUP", OgMemoTable, "open group"};
        return true;
    }
    if (text == "closed") {
        kind = {"CGROUP", CgMemoTable, "closed group"};
        return true;
    }
    return false;
}

FieldList MemberFields() {
    FieldList fields(MemberColumns);
    SetMemberFields(fields);
    return fields;
}

FieldList GroupFields() {
    FieldList fields(GroupColumns);
    SetGroupFields(fields);
    return fields;
}

FieldList MemoFields() {
    FieldList fields(MemoColumns);
    SetMemoFields(fields);
    return fields;
}
