#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One column of a field list: tables are created, written and read through
// such lists, and every value travels as text (code page 932).
struct TableField {
    std::string Name;
    std::string Caption;
    std::int32_t Kind = 0; // 1 INTEGER, 2 FLOAT, 3 DOUBLE PRECISION, 4 VARCHAR(Size), else SMALLINT
    std::int32_t Size = 0;
    std::string Value;
};

using FieldList = std::vector<TableField>;
