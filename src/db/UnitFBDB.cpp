#include "db/UnitFBDB.h"

#include "db/CallWatchdog.h"
#include "db/EventBlock.h"
#include "db/FbRef.h"
#include "db/StatementText.h"
#include "text/Func_.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <string_view>

using namespace Firebird;

namespace {

constexpr unsigned Dialect = 3;
// Columns of types the module does not render itself arrive as text of at most this many bytes.
constexpr unsigned CoercedTextLength = 255;
const char* const NotConnected = "not connected to a database";

enum class ColumnType { Short, Long, Int64, Float, Double, Text, Varying, TextBlob };

struct Column {
    ColumnType type = ColumnType::Varying;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    unsigned length = 0;
};

// Rows of a result as text, all cells in one string: cell k of the result
// (row-major) is cells[ends[k-1], ends[k]).
struct ResultRows {
    size_t columns = 0;
    std::string cells;
    std::vector<size_t> ends;

    size_t rows() const { return columns == 0 ? 0 : ends.size() / columns; }
    std::string_view cell(size_t row, size_t column) const {
        const size_t k = row * columns + column;
        const size_t begin = k == 0 ? 0 : ends[k - 1];
        return std::string_view(cells).substr(begin, ends[k] - begin);
    }
    void clear() {
        columns = 0;
        cells.clear();
        ends.clear();
    }
    // The Values of the row's columns into the leading entries of fields
    // (as many as both have).
    void copyRow(size_t row, FieldList& fields) const {
        const size_t n = std::min(columns, fields.size());
        for (size_t i = 0; i < n; ++i)
            fields[i].Value.assign(cell(row, i));
    }
};

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

namespace {

// Whether one of the error codes of a status vector matches.
template <typename Match> bool AnyErrorCode(const ISC_STATUS* vector, Match match) {
    while (vector && *vector != isc_arg_end) {
        const ISC_STATUS kind = vector[0];
        if (kind == isc_arg_gds && match(vector[1]))
            return true;
        vector += kind == isc_arg_cstring ? 3 : 2;
    }
    return false;
}

// Whether a status vector says that the attachment is gone (network failure,
// server shut down, attachment ended by the server or an administrator).
bool ConnectionLost(const ISC_STATUS* vector) {
    return AnyErrorCode(vector, [](ISC_STATUS code) {
        switch (code) {
        case isc_network_error:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_lost_db_connection:
        case isc_conn_lost:
        case isc_shutdown:
        case isc_att_shutdown:
            return true;
        default:
            return false;
        }
    });
}

// Whether the server refused the statement because the login lacks a right.
bool PermissionRefused(const ISC_STATUS* vector) {
    return AnyErrorCode(vector, [](ISC_STATUS code) { return code == isc_no_priv; });
}

} // namespace

// Carries the deliveries of queued events from the client library's thread to
// the module's thread, through a queued connection.
class EventRelay : public QObject {
    Q_OBJECT
signals:
    void delivered(quint64 request, QByteArray block);
};

namespace {

// Called by the client library on a thread of its own when a queued request
// is answered, and on the calling thread with no block when the request is
// cancelled or released. Passes each answer on to the relay until closed, and
// touches nothing else. Reference counted; the client library's reference
// alone does not cover every late answer (see Impl::retired).
class EventCallback final : public IEventCallbackImpl<EventCallback, ThrowStatusWrapper> {
public:
    EventCallback(EventRelay* relay, quint64 request) : relay_(relay), request_(request) {}

    void addRef() override { ++references_; }
    int release() override {
        if (--references_ != 0)
            return 1;
        delete this;
        return 0;
    }

    void eventCallbackFunction(unsigned length, const unsigned char* events) override {
        if (length == 0 || !events)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (relay_)
            emit relay_->delivered(
                request_, QByteArray(reinterpret_cast<const char*>(events), static_cast<qsizetype>(length)));
    }

    // No answer is passed on after this returns.
    void close() {
        std::lock_guard<std::mutex> lock(mutex_);
        relay_ = nullptr;
    }

private:
    std::atomic<int> references_{1};
    std::mutex mutex_;
    EventRelay* relay_;
    const quint64 request_;
};

// A subscribed table.
struct Subscription {
    int users = 0;
    std::uint32_t count = 0; // the server's count of its event, once known on this connection
    bool counted = false;
    bool catchUp = false; // suspended meanwhile: the first count on a connection reports a change
};

} // namespace

struct TFormFBDB::Impl {
    IMaster* master = fb_get_master_interface();
    IUtil* util = master->getUtilInterface();
    FbRef<IProvider> provider{master->getDispatcher()};
    FbDisposable<IStatus> statusObject{master->getStatus()};
    ThrowStatusWrapper status{statusObject.get()};

    CallWatchdog watchdog;
    std::chrono::milliseconds waitLimit = DefaultWaitLimit;
    int boundDepth = 0;

    FbRef<IAttachment> attachment;
    FbRef<ITransaction> transaction;
    FbRef<IStatement> statement;
    FbRef<IResultSet> cursor;
    bool connectionLost = false;

    // The open result of SelectRows, fetched in full; position is the current row.
    ResultRows result;
    bool resultOpen = false;
    size_t position = 0;

    std::vector<std::string> tableNames;
    std::string lastError;
    DbFailure lastFailure = DbFailure::Other; // of the most recent failed operation
    std::uint64_t statements = 0;

    // Live tables: one request for the events of every subscribed table is
    // queued on the connection at a time. (The client library reuses the
    // place of an answered request for the next one, so a request released
    // after another was queued would cancel that one.)
    EventRelay relay; // declared before the callback, which points to it
    std::map<std::string, Subscription> subscriptions;
    FbRef<EventCallback> callback;
    // Callbacks of earlier requests, closed. The client library drops its
    // reference to one when it queues the request that takes its place, even
    // while its event thread may still be delivering an answer to it; our
    // reference keeps it alive until many requests later.
    std::deque<FbRef<EventCallback>> retired;
    static constexpr size_t RetiredKept = 16;
    FbRef<IEvents> events;
    quint64 request = 0; // answers to any other request are stale
    quint64 lastRequest = 0;
    bool eventsRefused = false; // the server could not deliver events on this connection
    bool listened = false;      // a request was queued on this connection (it has an event link)

    // One operation that may wait for the server, within the wait limit;
    // nested ones run within the outermost's time. A connection lost on the
    // way, or one whose call the watchdog had to end, is let go at its end.
    class Bounded {
    public:
        explicit Bounded(Impl& d) : d_(d) {
            if (d_.boundDepth++ == 0)
                d_.watchdog.arm(CallWatchdog::Clock::now() + d_.waitLimit);
        }
        ~Bounded() {
            if (--d_.boundDepth != 0)
                return;
            if (d_.attachment && (d_.connectionLost || d_.watchdog.expired()))
                d_.detach();
            d_.watchdog.disarm();
        }
        Bounded(const Bounded&) = delete;
        Bounded& operator=(const Bounded&) = delete;

    private:
        Impl& d_;
    };

    void fail(const FbException& e) {
        lastError = FbStatusText(util, e.getStatus());
        const ISC_STATUS* errors = e.getStatus()->getErrors();
        connectionLost = connectionLost || ConnectionLost(errors) || watchdog.expired();
        lastFailure = connectionLost              ? DbFailure::ConnectionLost
                      : PermissionRefused(errors) ? DbFailure::NoPermission
                                                  : DbFailure::Other;
    }
    void fail(const std::exception& e) {
        lastError = e.what();
        lastFailure = watchdog.expired() ? DbFailure::ConnectionLost : DbFailure::Other;
    }

    // Ends an interface through its own closing call, which releases it; when
    // that call fails the interface is released here. Never throws.
    template <typename T, typename Close> void endQuietly(FbRef<T>& ref, Close close) {
        if (!ref)
            return;
        try {
            close(ref.get());
            ref.forget();
        } catch (const FbException&) {
            ref.reset();
        }
    }

    void closeStatement() {
        endQuietly(cursor, [this](IResultSet* c) { c->close(&status); });
        endQuietly(statement, [this](IStatement* s) { s->free(&status); });
    }

    // Rolls back whatever the transaction holds.
    void rollback() {
        endQuietly(transaction, [this](ITransaction* t) { t->rollback(&status); });
    }

    // Cancels the queued request. Its callback is closed first, so that an
    // answer on its way is dropped.
    void stopListening() {
        if (callback)
            callback->close();
        endQuietly(events, [this](IEvents* e) { e->cancel(&status); });
        if (callback) {
            retired.push_back(std::move(callback));
            if (retired.size() > RetiredKept)
                retired.pop_front();
        }
        request = 0;
    }

    // Queues the request for the subscribed tables anew, with the counts known
    // on this connection (0 for the others, which the server answers at once
    // with its counts). After a failure nothing more is tried on this connection.
    void listen() {
        stopListening();
        if (!attachment || eventsRefused || subscriptions.empty())
            return;
        std::vector<EventBlock::Event> wanted;
        for (const auto& [table, subscription] : subscriptions)
            wanted.push_back({table, subscription.counted ? subscription.count : 0});
        const std::vector<unsigned char> block = EventBlock::Build(wanted);
        request = ++lastRequest;
        callback.reset(new EventCallback(&relay, request));
        try {
            events.reset(attachment->queEvents(&status, callback.get(), static_cast<unsigned>(block.size()),
                                               block.data()));
            listened = true;
            return;
        } catch (const FbException& e) {
            fail(e);
        }
        eventsRefused = true;
        stopListening();
    }

    // An answer to the queued request, on the module's thread: the tables
    // whose counts moved on. The request is queued again at once with the
    // counts just reported.
    std::vector<std::string> answered(quint64 answeredRequest, const QByteArray& block) {
        std::vector<std::string> changed;
        if (answeredRequest !=
            request) // request ids start at 1, so this also drops answers when none is queued
            return changed;
        events.reset(); // answered: released before the next request takes its place
        for (const EventBlock::Event& event :
             EventBlock::Parse(reinterpret_cast<const unsigned char*>(block.data()), block.size())) {
            const auto found = subscriptions.find(event.name);
            if (found == subscriptions.end())
                continue;
            Subscription& subscription = found->second;
            if (subscription.counted ? event.count != subscription.count : subscription.catchUp)
                changed.push_back(event.name);
            subscription.count = event.count;
            subscription.counted = true;
            subscription.catchUp = false;
        }
        listen();
        if (connectionLost)
            detach();
        return changed;
    }

    // A detached module has no connection left to lose: the mark goes with it,
    // so that the next Connect starts clean. The request is cancelled first;
    // unless the connection is being replaced at once, each subscription then
    // reports a change when it is counted again.
    void detach(bool replacing = false) {
        stopListening();
        for (auto& [table, subscription] : subscriptions) {
            subscription.counted = false;
            subscription.catchUp = subscription.catchUp || !replacing;
        }
        endQuietly(attachment, [this](IAttachment* a) { a->detach(&status); });
        watchdog.watch(nullptr);
        connectionLost = false;
        eventsRefused = false;
        listened = false;
    }

    // Ends a statement's work. A connection the server has dropped is let go,
    // so that the next Connect, or a screen's reconnect, starts afresh.
    void finish() {
        closeStatement();
        rollback();
        if (connectionLost)
            detach();
    }

    void endQuery() {
        resultOpen = false;
        result.clear();
        position = 0;
        closeStatement();
        rollback();
    }

    // A text BLOB's bytes, read segment by segment; NULL gives nothing.
    void appendBlob(std::string& out, const unsigned char* message, const Column& column) {
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

    void commit() {
        transaction->commit(&status);
        transaction.forget();
    }

    void begin() { transaction.reset(attachment->startTransaction(&status, 0, nullptr)); }

    void prepare(const StatementText::Lines& lines) {
        const std::string text = StatementText::Join(lines);
        statement.reset(attachment->prepare(&status, transaction.get(), static_cast<unsigned>(text.size()),
                                            text.data(), Dialect, IStatement::PREPARE_PREFETCH_METADATA));
    }

    bool connected() {
        lastError.clear();
        if (attachment)
            return true;
        lastError = NotConnected;
        lastFailure = DbFailure::ConnectionLost;
        return false;
    }

    // Attaches within the running operation's time: the client library
    // gives up a handshake that the server does not answer after the
    // connect timeout, and the watchdog interrupts the rest.
    void attach(const std::string& database, const std::string& user, const std::string& password) {
        FbDisposable<IXpbBuilder> dpb(util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(&status, isc_dpb_user_name, user.c_str());
        dpb->insertString(&status, isc_dpb_password, password.c_str());
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(waitLimit).count();
        dpb->insertInt(&status, isc_dpb_connect_timeout,
                       static_cast<int>(std::max<decltype(seconds)>(seconds, 1)));
        IAttachment* attached = nullptr;
        {
            CallWatchdog::Attaching attaching(watchdog);
            attached = provider->attachDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                dpb->getBuffer(&status));
        }
        attachment.reset(attached);
        watchdog.watch(attached);
    }

    // One statement without output in a transaction of its own, committed.
    bool modify(const StatementText::Lines& lines) {
        if (!connected())
            return false;
        Bounded bounded(*this);
        bool ok = false;
        ++statements;
        try {
            endQuery();
            begin();
            // Prepare and execute in one round trip: nothing is reused between calls.
            const std::string text = StatementText::Join(lines);
            attachment->execute(&status, transaction.get(), static_cast<unsigned>(text.size()), text.data(),
                                Dialect, nullptr, nullptr, nullptr, nullptr);
            commit();
            ok = true;
        } catch (const FbException& e) {
            fail(e);
        } catch (const std::exception& e) {
            fail(e);
        }
        finish();
        return ok;
    }

    // Runs a select in a fresh transaction and fetches its rows as text into
    // rows (only the first when firstRowOnly). The statement is closed and the
    // transaction committed before it returns: the rows are in memory.
    bool select(const StatementText::Lines& lines, bool firstRowOnly, ResultRows& rows) {
        rows.clear();
        if (!connected())
            return false;
        Bounded bounded(*this);
        bool ok = false;
        ++statements;
        try {
            endQuery();
            begin();
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
            cursor.reset(
                statement->openCursor(&status, transaction.get(), nullptr, nullptr, metadata.get(), 0));
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
            ok = true;
        } catch (const FbException& e) {
            fail(e);
        } catch (const std::exception& e) {
            fail(e);
        }
        if (!ok)
            rows.clear();
        finish();
        return ok;
    }

    void clearValues(FieldList& fields) const {
        const size_t n = std::min(result.columns, fields.size());
        for (size_t i = 0; i < n; ++i)
            fields[i].Value.clear();
    }
};

namespace {

// The modules of the process, for EndEventLinks.
std::vector<TFormFBDB*>& Modules() {
    static std::vector<TFormFBDB*> modules;
    return modules;
}

} // namespace

void TFormFBDB::EndEventLinks() {
    for (TFormFBDB* module : Modules())
        if (module->d->listened)
            module->Disconnect();
}

TFormFBDB::TFormFBDB(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {
    Modules().push_back(this);
    connect(
        &d->relay, &EventRelay::delivered, this,
        [this](quint64 request, const QByteArray& block) {
            std::vector<std::string> changed;
            {
                Impl::Bounded bounded(*d);
                changed = d->answered(request, block);
            }
            for (const std::string& table : changed)
                emit TableChanged(table);
        },
        Qt::QueuedConnection);
}

TFormFBDB::~TFormFBDB() {
    Disconnect();
    std::erase(Modules(), this);
}

bool TFormFBDB::Connect(const std::string& locationPrefix, const std::string& fileName,
                        const std::string& user, const std::string& password) {
    if (locationPrefix.empty() || fileName.empty() || user.empty() || password.empty())
        return false;
    Impl::Bounded bounded(*d);
    d->endQuery();
    d->detach(true);
    d->lastError.clear();
    try {
        d->attach(locationPrefix + fileName, user, password);
        d->listen();
        // Queuing the event request is the first exchange after attaching.
        if (!d->connectionLost && !d->watchdog.expired()) {
            d->lastError.clear();
            return true;
        }
    } catch (const FbException& e) {
        d->fail(e);
    } catch (const std::exception& e) {
        d->fail(e);
    }
    d->detach();
    return false;
}

void TFormFBDB::Disconnect() {
    Impl::Bounded bounded(*d);
    d->endQuery();
    d->detach();
}

bool TFormFBDB::IsConnected() const {
    return static_cast<bool>(d->attachment);
}

void TFormFBDB::SetWaitLimit(std::chrono::milliseconds limit) {
    d->waitLimit = limit;
}

std::chrono::milliseconds TFormFBDB::WaitLimit() const {
    return d->waitLimit;
}

bool TFormFBDB::TableExists(const std::string& tableName) {
    d->tableNames.clear();
    ReadResult<std::vector<std::string>> names = ReadTableNames();
    if (!names)
        return false;
    d->tableNames = std::move(*names);
    return HasTableName(d->tableNames, tableName);
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

bool HasTableName(const std::vector<std::string>& tableNames, const std::string& tableName) {
    const std::string wanted = StatementText::UpperCaseNames(tableName);
    return std::any_of(tableNames.begin(), tableNames.end(), [&](const std::string& name) {
        return StatementText::UpperCaseNames(name) == wanted;
    });
}

ReadResult<std::vector<FieldList>> TFormFBDB::ReadRows(const FieldList& shape, const std::string& columns,
                                                       const std::string& tableName, const std::string& where,
                                                       const std::string& order, int rowLimit,
                                                       int rowsSkipped) {
    ResultRows rows;
    if (!d->select(StatementText::SelectRows(columns, tableName, where, order, rowLimit, rowsSkipped), false,
                   rows))
        return d->lastFailure;
    std::vector<FieldList> out(rows.rows(), shape);
    for (size_t row = 0; row < out.size(); ++row)
        rows.copyRow(row, out[row]);
    return out;
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

bool TFormFBDB::SelectRow(const std::string& tableName, const std::string& where, FieldList& fields) {
    ResultRows rows;
    if (!d->select(StatementText::SelectRow(tableName, where), true, rows) || rows.rows() == 0)
        return false;
    rows.copyRow(0, fields);
    return true;
}

int TFormFBDB::SelectRows(const std::string& columns, const std::string& tableName, const std::string& where,
                          const std::string& order, int rowLimit, int rowsSkipped) {
    if (!d->select(StatementText::SelectRows(columns, tableName, where, order, rowLimit, rowsSkipped), false,
                   d->result))
        return 0;
    d->resultOpen = true;
    d->position = 0;
    return static_cast<int>(d->result.rows());
}

std::string TFormFBDB::SelectMax(const std::string& tableName, const std::string& column,
                                 const std::string& where) {
    ResultRows rows;
    if (!d->select(StatementText::SelectMax(tableName, column, where), true, rows) || rows.rows() == 0)
        return {};
    return std::string(rows.cell(0, 0));
}

void TFormFBDB::ReadFirst(FieldList& fields) {
    if (!d->resultOpen)
        return;
    d->clearValues(fields);
    if (d->result.rows() == 0)
        return;
    d->position = 0;
    d->result.copyRow(d->position, fields);
}

void TFormFBDB::ReadLast(FieldList& fields) {
    if (!d->resultOpen)
        return;
    d->clearValues(fields);
    if (d->result.rows() == 0)
        return;
    d->position = d->result.rows() - 1;
    d->result.copyRow(d->position, fields);
}

void TFormFBDB::ReadNext(FieldList& fields) {
    if (!d->resultOpen)
        return;
    if (d->position + 1 >= d->result.rows()) {
        d->clearValues(fields);
        return;
    }
    ++d->position;
    d->result.copyRow(d->position, fields);
}

void TFormFBDB::ReadPrior(FieldList& fields) {
    if (!d->resultOpen)
        return;
    if (d->position == 0 || d->result.rows() == 0) {
        d->clearValues(fields);
        return;
    }
    --d->position;
    d->result.copyRow(d->position, fields);
}

void TFormFBDB::CloseQuery() {
    d->resultOpen = false;
    d->result.clear();
    d->position = 0;
}

bool TFormFBDB::AddChangeTrigger(const std::string& tableName) {
    return d->modify(StatementText::CreateChangeTrigger(tableName));
}

bool TFormFBDB::DropChangeTrigger(const std::string& tableName) {
    return d->modify(StatementText::DropChangeTrigger(tableName));
}

void TFormFBDB::Subscribe(const std::string& tableName) {
    // A connection with an event link must be detached before the process
    // ends: the client library's thread that serves the link would otherwise
    // run on while the library is torn down at exit. Events are delivered
    // only while the application object lives, so its end ends the links.
    static QPointer<QCoreApplication> linksEndWith; // null again once that application is gone
    if (QCoreApplication::instance() && QCoreApplication::instance() != linksEndWith) {
        linksEndWith = QCoreApplication::instance();
        qAddPostRoutine(EndEventLinks);
    }
    if (d->subscriptions[tableName].users++ == 0) {
        Impl::Bounded bounded(*d);
        d->listen();
    }
}

void TFormFBDB::Unsubscribe(const std::string& tableName) {
    const auto found = d->subscriptions.find(tableName);
    if (found == d->subscriptions.end() || --found->second.users > 0)
        return;
    d->subscriptions.erase(found);
    Impl::Bounded bounded(*d);
    d->listen();
}

std::uint64_t TFormFBDB::StatementCount() const {
    return d->statements;
}

const std::vector<std::string>& TFormFBDB::ListBox1() const {
    return d->tableNames;
}

std::string TFormFBDB::LastError() const {
    return d->lastError;
}

DbFailure TFormFBDB::LastFailure() const {
    return d->lastFailure;
}

#include "UnitFBDB.moc"
