#include "db/UnitFBDBPrivate.h"

// The data-access module's statements without output.

using namespace Firebird;

bool TFormFBDB::Impl::modify(const StatementText::Lines& lines) {
    return operation([&] {
        // Prepare and execute in one round trip: nothing is reused between calls.
        const std::string text = StatementText::Join(lines);
        attachment->execute(&status, transaction.get(), static_cast<unsigned>(text.size()), text.data(),
                            Dialect, nullptr, nullptr, nullptr, nullptr);
        commit();
    });
}

bool TFormFBDB::CreateTable(const std::string& tableName, int count, const FieldList& fields) {
    return d->modify(StatementText::CreateTable(tableName, count, fields));
}

bool TFormFBDB::InsertRow(const std::string& tableName, int count, const FieldList& fields) {
    return d->modify(StatementText::Insert(tableName, count, fields));
}

bool TFormFBDB::UpdateRow(const std::string& tableName, int count, const FieldList& fields,
                          const std::string& where) {
    return d->modify(StatementText::UpdateRow(tableName, count, fields, where));
}

bool TFormFBDB::UpdateSet(const std::string& tableName, const std::string& assignment,
                          const std::string& where) {
    return d->modify(StatementText::UpdateSet(tableName, assignment, where));
}

bool TFormFBDB::DeleteRows(const std::string& tableName, const std::string& where) {
    return d->modify(StatementText::Delete(tableName, where));
}

bool TFormFBDB::CreateIndex(const std::string& indexName, const std::string& tableName,
                            const std::string& columns, bool descending) {
    return d->modify(StatementText::CreateIndex(indexName, tableName, columns, descending));
}

bool TFormFBDB::RunStatement(const std::vector<std::string>& lines) {
    return d->modify(lines);
}

bool TFormFBDB::AddChangeTrigger(const std::string& tableName) {
    return d->modify(StatementText::CreateChangeTrigger(tableName));
}

bool TFormFBDB::DropChangeTrigger(const std::string& tableName) {
    return d->modify(StatementText::DropChangeTrigger(tableName));
}
