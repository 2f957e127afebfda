#include "db/UnitFBDBPrivate.h"

#include "text/Func_.h"

#include <algorithm>
#include <charconv>
#include <cstring>

// The data-access module's reads: a select's rows fetched whole as text.

using namespace Firebird;
using FbdbInternal::Column;
using FbdbInternal::ColumnType;
using FbdbInternal::ResultRows;

namespace {

// Columns of types the module does not render itself arrive as text of at most this many bytes.
constexpr unsigned CoercedTextLength = 255;

template <class T> T readAt(const unsigned char* message, unsigned offset) {
    T value;
    std::memcpy(&value, message + offset, sizeof value);
    return value;
}

template <class T> void appendInteger(std::string& out, T value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void appendCell(std::string& out, const unsigned char* message, const Column& column) {
    if (readAt<short>(message, column.nullOffset) != 0)
        return;
    switch (column.type) {
    case ColumnType::Short:
        appendInteger(out, readAt<std::int16_t>(message, column.offset));
        break;
    case ColumnType::Long:
        appendInteger(out, readAt<std::int32_t>(message, column.offset));
        break;
    case ColumnType::Int64:
        appendInteger(out, readAt<std::int64_t>(message, column.offset));
        break;
    case ColumnType::Float:
        out += FloatToText(readAt<float>(message, column.offset));
        break;
    case ColumnType::Double:
        out += FloatToText(readAt<double>(message, column.offset));
        break;
    case ColumnType::Text:
        out.append(reinterpret_cast<const char*>(message + column.offset), column.length);
        break;
    case ColumnType::Varying: {
        const auto length = readAt<std::uint16_t>(message, column.offset);
        out.append(reinterpret_cast<const char*>(message + column.offset + 2), length);
        break;
    }
    case ColumnType::TextBlob:
        break; // read through the blob interface by the module
    }
}

// Text BLOBs are read whole through the blob interface; every other type the
// module does not render itself arrives from the server as short text.
bool renderedNatively(unsigned type, int scale, int subType) {
    switch (type) {
    case SQL_BLOB:
        return subType == isc_blob_text;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return scale == 0;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_TEXT:
    case SQL_VARYING:
        return true;
    default:
        return false;
    }
}

ColumnType columnType(unsigned type) {
    switch (type) {
    case SQL_BLOB:
        return ColumnType::TextBlob;
    case SQL_SHORT:
        return ColumnType::Short;
    case SQL_LONG:
        return ColumnType::Long;
    case SQL_INT64:
        return ColumnType::Int64;
    case SQL_FLOAT:
        return ColumnType::Float;
    case SQL_DOUBLE:
        return ColumnType::Double;
    case SQL_TEXT:
        return ColumnType::Text;
    default:
        return ColumnType::Varying;
    }
}

} // namespace

bool TFormFBDB::Impl::select(const StatementText::Lines& lines, bool firstRowOnly, ResultRows& rows) {
    rows.clear();
    const bool ok = operation([&] {
        prepare(lines);
        FbRef<IMessageMetadata> metadata(statement->getOutputMetadata(&status));
        const unsigned count = metadata->getCount(&status);
        const auto native = [&](unsigned i) {
            return renderedNatively(metadata->getType(&status, i) & ~1u, metadata->getScale(&status, i),
                                    metadata->getSubType(&status, i));
        };
        bool coerce = false;
        for (unsigned i = 0; i < count; ++i)
            coerce = coerce || !native(i);
        if (coerce) {
            FbRef<IMetadataBuilder> builder(metadata->getBuilder(&status));
            for (unsigned i = 0; i < count; ++i) {
                if (native(i))
                    continue;
                builder->setType(&status, i, SQL_VARYING);
                builder->setLength(&status, i, CoercedTextLength);
                builder->setScale(&status, i, 0);
                builder->setCharSet(&status, i, 0);
            }
            metadata.reset(builder->getMetadata(&status));
        }
        std::vector<Column> columns(count);
        for (unsigned i = 0; i < count; ++i) {
            columns[i].type = columnType(metadata->getType(&status, i) & ~1u);
            columns[i].offset = metadata->getOffset(&status, i);
            columns[i].nullOffset = metadata->getNullOffset(&status, i);
            columns[i].length = metadata->getLength(&status, i);
        }
        std::vector<unsigned char> message(metadata->getMessageLength(&status));
        rows.columns = count;
        cursor.reset(statement->openCursor(&status, transaction.get(), nullptr, nullptr, metadata.get(), 0));
        while (cursor->fetchNext(&status, message.data()) == IStatus::RESULT_OK) {
            for (const Column& column : columns) {
                if (column.type == ColumnType::TextBlob)
                    appendBlob(rows.cells, message.data(), column);
                else
                    appendCell(rows.cells, message.data(), column);
                rows.ends.push_back(rows.cells.size());
            }
            if (firstRowOnly)
                break;
        }
        closeStatement();
        commit();
    });
    if (!ok)
        rows.clear();
    return ok;
}

void TFormFBDB::Impl::appendBlob(std::string& out, const unsigned char* message, const Column& column) {
    if (readAt<short>(message, column.nullOffset) != 0)
        return;
    ISC_QUAD id = readAt<ISC_QUAD>(message, column.offset);
    FbRef<IBlob> blob(attachment->openBlob(&status, transaction.get(), &id, 0, nullptr));
    char buffer[32768];
    unsigned length = 0;
    int result;
    while ((result = blob->getSegment(&status, sizeof buffer, buffer, &length)) == IStatus::RESULT_OK ||
           result == IStatus::RESULT_SEGMENT)
        out.append(buffer, length);
    endQuietly(blob, [this](IBlob* b) { b->close(&status); });
}

ReadResult<std::vector<std::string>> TFormFBDB::ReadTableNames() {
    ResultRows rows;
    if (!d->select(StatementText::TableNames(), false, rows))
        return d->lastFailure;
    std::vector<std::string> names;
    names.reserve(rows.rows());
    for (size_t row = 0; row < rows.rows(); ++row) {
        std::string name(rows.cell(row, 0));
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        names.push_back(std::move(name));
    }
    return names;
}

ReadResult<bool> TFormFBDB::ReadTableExists(const std::string& tableName) {
    const ReadResult<std::vector<std::string>> names = ReadTableNames();
    if (!names)
        return names.failure();
    return HasTableName(*names, tableName);
}

bool HasTableName(const std::vector<std::string>& tableNames, const std::string& tableName) {
    const std::string wanted = StatementText::UpperCaseNames(tableName);
    return std::any_of(tableNames.begin(), tableNames.end(), [&](const std::string& name) {
        return StatementText::UpperCaseNames(name) == wanted;
    });
}

ReadResult<std::vector<FieldList>> TFormFBDB::ReadQuery(const FieldList& shape,
                                                        const std::vector<std::string>& lines) {
    ResultRows rows;
    if (!d->select(lines, false, rows))
        return d->lastFailure;
    std::vector<FieldList> out(rows.rows(), shape);
    for (size_t row = 0; row < out.size(); ++row)
        rows.copyRow(row, out[row]);
    return out;
}

ReadResult<std::vector<FieldList>> TFormFBDB::ReadRows(const FieldList& shape, const std::string& columns,
                                                       const std::string& tableName, const std::string& where,
                                                       const std::string& order, int rowLimit,
                                                       int rowsSkipped) {
    return ReadQuery(shape,
                     StatementText::SelectRows(columns, tableName, where, order, rowLimit, rowsSkipped));
}

ReadResult<std::optional<FieldList>> TFormFBDB::ReadRow(const FieldList& shape, const std::string& tableName,
                                                        const std::string& where) {
    ResultRows rows;
    if (!d->select(StatementText::SelectRow(tableName, where), true, rows))
        return d->lastFailure;
    if (rows.rows() == 0)
        return std::optional<FieldList>();
    FieldList row = shape;
    rows.copyRow(0, row);
    return std::optional<FieldList>(std::move(row));
}

ReadResult<std::string> TFormFBDB::ReadMax(const std::string& tableName, const std::string& column,
                                           const std::string& where) {
    ResultRows rows;
    if (!d->select(StatementText::SelectMax(tableName, column, where), true, rows))
        return d->lastFailure;
    return rows.rows() == 0 ? std::string() : std::string(rows.cell(0, 0));
}
