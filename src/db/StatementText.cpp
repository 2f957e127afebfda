#include "db/StatementText.h"

#include "text/Func_.h"

#include <algorithm>

namespace StatementText {

namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '=' || c == ',';
}

size_t usedCount(int count, const FieldList& fields) {
    if (count <= 0)
        return 0;
    return std::min(static_cast<size_t>(count), fields.size());
}

} // namespace

std::string UpperCaseNames(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(byte))
            ++i;
        else if (byte >= 'a' && byte <= 'z')
            out[i] = static_cast<char>(byte - 'a' + 'A');
    }
    return out;
}

std::string QuoteNames(const std::string& fragment) {
    std::string out;
    out.reserve(fragment.size() + 8);
    std::string word;
    bool examine = true;
    bool inLiteral = false;
    bool wordHasLiteral = false;

    const auto finishWord = [&] {
        if (examine && !RemoveSpaces(word).empty()) {
            examine = false;
            // A literal is a value, never a name.
            if (!wordHasLiteral && word != UpperCaseNames(word)) {
                out += '"';
                out += word;
                out += '"';
                word.clear();
            }
        }
        out += word;
        word.clear();
        wordHasLiteral = false;
    };

    // Byte by byte is safe: no trail byte of a two-byte character is below 0x40,
    // so none can be taken for a separator or an apostrophe.
    for (const char c : fragment) {
        if (inLiteral) {
            word += c;
            if (c == '\'')
                inLiteral = false;
        } else if (c == '\'') {
            word += c;
            inLiteral = true;
            wordHasLiteral = true;
        } else if (isSeparator(c)) {
            finishWord();
            out += c;
            if (c == ',')
                examine = true;
        } else {
            word += c;
        }
    }
    finishWord();
    return out;
}

std::string TypeText(const TableField& field) {
    switch (field.Kind) {
    case 1:
        return " INTEGER";
    case 2:
        return " FLOAT";
    case 3:
        return " DOUBLE PRECISION";
    case 4:
        return " VARCHAR(" + std::to_string(field.Size) + ")";
    default:
        return " SMALLINT";
    }
}

std::string RenderValue(const TableField& field) {
    if (field.Kind == 4) {
        if (field.Value.empty())
            return "NULL";
        // Doubling keeps any apostrophe inside the literal; no value can end it early.
        std::string out = "'";
        for (const char c : field.Value) {
            out += c;
            if (c == '\'')
                out += '\'';
        }
        out += '\'';
        return out;
    }
    if (RemoveSpaces(field.Value).empty())
        return "0";
    return field.Value;
}

Lines CreateTable(const std::string& table, int count, const FieldList& fields) {
    const size_t n = usedCount(count, fields);
    Lines lines;
    lines.reserve(n + 2);
    lines.push_back("CREATE TABLE " + QuoteNames(table) + " (");
    for (size_t i = 0; i < n; ++i) {
        std::string line = "   " + QuoteNames(fields[i].Name) + TypeText(fields[i]);
        if (i == 0)
            line += " NOT NULL UNIQUE";
        if (i + 1 < n)
            line += ",";
        lines.push_back(std::move(line));
    }
    lines.push_back("   );");
    return lines;
}

Lines Insert(const std::string& table, int count, const FieldList& fields) {
    const size_t n = usedCount(count, fields);
    Lines lines;
    lines.reserve(2 * n + 4);
    lines.push_back("INSERT INTO " + QuoteNames(table) + " (");
    for (size_t i = 0; i < n; ++i)
        lines.push_back("   " + QuoteNames(fields[i].Name) + (i + 1 < n ? "," : ""));
    lines.push_back("   ) ");
    lines.push_back("   VALUES (");
    for (size_t i = 0; i < n; ++i)
        lines.push_back("   " + RenderValue(fields[i]) + (i + 1 < n ? "," : ""));
    lines.push_back("   );");
    return lines;
}

Lines UpdateRow(const std::string& table, int count, const FieldList& fields, const std::string& where) {
    const size_t n = usedCount(count, fields);
    Lines lines;
    lines.reserve(n + 3);
    lines.push_back("UPDATE " + QuoteNames(table) + " SET ");
    for (size_t i = 0; i < n; ++i)
        lines.push_back("   " + QuoteNames(fields[i].Name) + "=" + RenderValue(fields[i]) +
                        (i + 1 < n ? "," : ""));
    if (!where.empty())
        lines.push_back("   WHERE " + QuoteNames(where));
    lines.push_back("   ;");
    return lines;
}

Lines UpdateSet(const std::string& table, const std::string& assignment, const std::string& where) {
    Lines lines;
    lines.push_back("UPDATE " + QuoteNames(table) + " SET ");
    lines.push_back("   " + QuoteNames(assignment));
    if (!where.empty())
        lines.push_back("   WHERE " + QuoteNames(where));
    lines.push_back("   ;");
    return lines;
}

Lines Delete(const std::string& table, const std::string& where) {
    std::string line = "DELETE FROM " + QuoteNames(table) + " ";
    if (!where.empty())
        line += "WHERE " + QuoteNames(where) + " ";
    line += ";";
    return {line};
}

Lines SelectRow(const std::string& table, const std::string& where) {
    Lines lines;
    lines.push_back("SELECT * ");
    lines.push_back("   FROM " + QuoteNames(table) + " ");
    if (!where.empty())
        lines.push_back("   WHERE " + QuoteNames(where) + " ");
    lines.push_back("   ;");
    return lines;
}

Lines SelectRows(const std::string& columns, const std::string& table, const std::string& where,
                 const std::string& order, int limit, int skip) {
    Lines lines;
    lines.push_back("SELECT " + QuoteNames(columns) + " ");
    lines.push_back("   FROM " + QuoteNames(table) + " ");
    if (!where.empty())
        lines.push_back("   WHERE " + QuoteNames(where) + " ");
    if (!order.empty())
        lines.push_back("   ORDER BY " + QuoteNames(order) + " ");
    if (limit > 0 && skip > 0)
        lines.push_back("   ROWS " + std::to_string(skip + 1LL) + " TO " +
                        std::to_string(skip + 0LL + limit) + " ");
    else if (limit > 0)
        lines.push_back("   ROWS " + std::to_string(limit) + " ");
    lines.push_back("   ;");
    return lines;
}

Lines SelectMax(const std::string& table, const std::string& column, const std::string& where) {
    Lines lines;
    lines.push_back("SELECT MAX(" + QuoteNames(column) + ") ");
    lines.push_back("   FROM " + QuoteNames(table) + " ");
    if (!where.empty())
        lines.push_back("   WHERE " + QuoteNames(where) + " ");
    lines.push_back("   ;");
    return lines;
}

Lines TableNames() {
    return {"Select RDB$RELATION_NAME from RDB$RELATIONS  where RDB$VIEW_BLR is NULL and RDB$SYSTEM_FLAG = 0 "
            "ORDER BY RDB$RELATION_NAME"};
}

Lines TablesWithChangeTriggers() {
    return {"SELECT R.RDB$RELATION_NAME,",
            "   (SELECT COUNT(*) FROM RDB$TRIGGERS T WHERE T.RDB$TRIGGER_NAME = TRIM(R.RDB$RELATION_NAME) || "
            "'_CHANGED')",
            "   FROM RDB$RELATIONS R WHERE R.RDB$VIEW_BLR IS NULL AND R.RDB$SYSTEM_FLAG = 0", "   ;"};
}

Lines NewLineCounts(const std::vector<SeenTable>& tables, std::int32_t member) {
    Lines lines;
    const std::string others =
        "COUNT(CASE WHEN DF=0 AND (MN IS NULL OR MN<>" + std::to_string(member) + ") THEN 1 END)";
    for (size_t i = 0; i < tables.size(); ++i)
        lines.push_back(std::string(i == 0 ? "SELECT " : "UNION ALL SELECT ") + std::to_string(i) +
                        ",MAX(N)," + others + " FROM " + QuoteNames(tables[i].table) + " WHERE N>" +
                        std::to_string(tables[i].seen));
    lines.push_back("   ;");
    return lines;
}

std::string ChangeTriggerName(const std::string& table) {
    return table + "_CHANGED";
}

Lines CreateChangeTrigger(const std::string& table) {
    return {"CREATE OR ALTER TRIGGER " + QuoteNames(ChangeTriggerName(table)) + " FOR " + QuoteNames(table),
            "   AFTER INSERT OR UPDATE OR DELETE",
            "   AS",
            "   BEGIN",
            "      POST_EVENT '" + table + "';",
            "   END"};
}

Lines DropChangeTrigger(const std::string& table) {
    const std::string trigger = ChangeTriggerName(table);
    return {"EXECUTE BLOCK AS", "   BEGIN",
            "      IF (EXISTS (SELECT * FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = '" + trigger + "')) THEN",
            "         EXECUTE STATEMENT 'DROP TRIGGER " + QuoteNames(trigger) + "';", "   END"};
}

Lines CreateIndex(const std::string& index, const std::string& table, const std::string& columns,
                  bool descending) {
    return {std::string("CREATE ") + (descending ? "DESCENDING " : "") + "INDEX " + QuoteNames(index) +
                " ON " + QuoteNames(table) + " (" + QuoteNames(columns) + ")",
            "   ;"};
}

std::string Join(const Lines& lines) {
    size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace StatementText
