#include "app/UnreadReader.h"

#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "text/Func_.h"

#include <algorithm>
#include <iterator>

namespace {

// Pads read by one select: well below the server's limit of tables in one statement.
constexpr size_t PadsPerRead = 100;

} // namespace

UnreadReader::UnreadReader() : Module(new TFormFBDB(this)) {
    connect(Module, &TFormFBDB::TableChanged, this, &UnreadReader::TableChanged);
}

UnreadReader::~UnreadReader() {
    Close();
}

UnreadReader::Outcome UnreadReader::Finished(Outcome outcome) const {
    outcome.connected = Module->IsConnected();
    outcome.listening = Module->Listening();
    outcome.statements = Module->StatementCount();
    return outcome;
}

bool UnreadReader::LookUp(Outcome& outcome) {
    const ReadResult<std::vector<FieldList>> rows =
        Module->ReadQuery(FieldList(2), StatementText::TablesWithChangeTriggers());
    if (!rows) {
        outcome.failure = rows.failure();
        return false;
    }
    std::map<std::string, bool> tables;
    for (const FieldList& row : *rows)
        tables[StatementText::UpperCaseNames(RemoveSpaces(row[0].Value))] = ToIntOrZero(row[1].Value) > 0;
    outcome.tables = std::move(tables);
    return true;
}

bool UnreadReader::ReadRows(std::int32_t member, const std::vector<StatementText::SeenTable>& tables,
                            Outcome& outcome) {
    std::vector<StatementText::SeenTable> existing;
    for (const StatementText::SeenTable& table : tables)
        if (!outcome.tables || outcome.tables->count(StatementText::UpperCaseNames(table.table)))
            existing.push_back(table);
    for (size_t first = 0; first < existing.size(); first += PadsPerRead) {
        const std::vector<StatementText::SeenTable> part(
            existing.begin() + static_cast<std::ptrdiff_t>(first),
            existing.begin() + static_cast<std::ptrdiff_t>(std::min(first + PadsPerRead, existing.size())));
        const ReadResult<std::vector<FieldList>> rows =
            Module->ReadQuery(FieldList(3), StatementText::NewLineCounts(part, member));
        if (!rows) {
            outcome.failure = rows.failure();
            return false;
        }
        for (const FieldList& row : *rows) {
            const size_t at = static_cast<size_t>(ToIntOrZero(row[0].Value));
            if (at < part.size())
                outcome.rows.push_back(
                    {part[at].table, part[at].seen, row[1].Value, ToIntOrZero(row[2].Value)});
        }
    }
    return true;
}

UnreadReader::Outcome UnreadReader::Refresh(const Login& login, std::int32_t member,
                                            const std::map<std::string, std::int32_t>& seen) {
    Outcome outcome;
    if (!Module->IsConnected() &&
        !Module->Connect(login.location, Settings::DatabaseFileName, login.user, login.password)) {
        outcome.failure = DbFailure::ConnectionLost;
        return Finished(std::move(outcome));
    }
    ReadResult<Registry> registry = ReadReadablePads(*Module, member);
    if (!registry) {
        outcome.failure = registry.failure();
        return Finished(std::move(outcome));
    }
    // Listening before the counts are read, so that no later change is missed.
    std::vector<std::string> tables, gone, added;
    for (const ReadablePad& pad : registry->pads)
        tables.push_back(pad.table);
    std::sort(tables.begin(), tables.end());
    std::set_difference(Subscribed.begin(), Subscribed.end(), tables.begin(), tables.end(),
                        std::back_inserter(gone));
    std::set_difference(tables.begin(), tables.end(), Subscribed.begin(), Subscribed.end(),
                        std::back_inserter(added));
    Module->Unsubscribe(gone);
    Module->Subscribe(added);
    Subscribed = std::move(tables);
    outcome.registry = std::move(*registry);
    if (!LookUp(outcome))
        return Finished(std::move(outcome));
    std::vector<StatementText::SeenTable> reads;
    for (const ReadablePad& pad : outcome.registry->pads) {
        const auto mark = seen.find(pad.table);
        reads.push_back({pad.table, mark == seen.end() ? 0 : mark->second});
    }
    ReadRows(member, reads, outcome);
    return Finished(std::move(outcome));
}

UnreadReader::Outcome UnreadReader::Read(std::int32_t member,
                                         const std::vector<StatementText::SeenTable>& tables, bool lookUp) {
    Outcome outcome;
    if (Module->IsConnected() && (!lookUp || LookUp(outcome)))
        ReadRows(member, tables, outcome);
    return Finished(std::move(outcome));
}

UnreadReader::Outcome UnreadReader::Watch(std::int32_t member,
                                          const std::vector<StatementText::SeenTable>& silent) {
    Outcome outcome;
    if (Module->IsConnected() && Module->Listening() && Module->Ping() && !silent.empty())
        ReadRows(member, silent, outcome);
    return Finished(std::move(outcome));
}

void UnreadReader::Close() {
    if (!Subscribed.empty())
        Module->Unsubscribe(Subscribed);
    Subscribed.clear();
    Module->Disconnect();
}
