#pragma once

// The inside of the data-access module, shared by its units and included by
// no other code: UnitFBDB.cpp holds the connection and the watchdog's use,
// UnitFBDBStatements.cpp the statements without output, UnitFBDBReads.cpp the
// reads and UnitFBDBEvents.cpp the live tables.

#include "db/CallWatchdog.h"
#include "db/FbRef.h"
#include "db/StatementText.h"
#include "db/UnitFBDB.h"

#include <QByteArray>
#include <QObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace FbdbInternal {

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

// Carries the deliveries of queued events from the client library's thread to
// the module's thread, through a queued connection.
class EventRelay : public QObject {
    Q_OBJECT
signals:
    void delivered(quint64 request, QByteArray block);
};

// Called by the client library on a thread of its own when a queued request
// is answered or the server is gone (then with no block), and on the calling
// thread with no block when the request is cancelled or released. Passes each
// answer on to the relay until closed, and
// touches nothing else. Reference counted; the client library's reference
// alone does not cover every late answer (see Impl::retired).
class EventCallback final : public Firebird::IEventCallbackImpl<EventCallback, Firebird::ThrowStatusWrapper> {
public:
    EventCallback(EventRelay* relay, quint64 request) : relay_(relay), request_(request) {}

    void addRef() override { ++references_; }
    int release() override {
        if (--references_ != 0)
            return 1;
        delete this;
        return 0;
    }

    // Without a block (the server is gone, or the request was cancelled,
    // which closes the callback first) an empty answer is passed on.
    void eventCallbackFunction(unsigned length, const unsigned char* events) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!relay_)
            return;
        if (length == 0 || !events)
            emit relay_->delivered(request_, QByteArray());
        else
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

// The modules of the process, for TFormFBDB::EndEventLinks.
std::vector<TFormFBDB*>& Modules();

} // namespace FbdbInternal

struct TFormFBDB::Impl {
    // The SQL dialect of every statement.
    static constexpr unsigned Dialect = 3;

    Firebird::IMaster* master = Firebird::fb_get_master_interface();
    Firebird::IUtil* util = master->getUtilInterface();
    FbRef<Firebird::IProvider> provider{master->getDispatcher()};
    FbDisposable<Firebird::IStatus> statusObject{master->getStatus()};
    Firebird::ThrowStatusWrapper status{statusObject.get()};

    CallWatchdog watchdog;
    std::chrono::milliseconds waitLimit = DefaultWaitLimit;
    int boundDepth = 0;

    FbRef<Firebird::IAttachment> attachment;
    FbRef<Firebird::ITransaction> transaction;
    FbRef<Firebird::IStatement> statement;
    FbRef<Firebird::IResultSet> cursor;
    bool connectionLost = false;

    std::string lastError;
    DbFailure lastFailure = DbFailure::Other; // of the most recent failed operation
    std::uint64_t statements = 0;

    // Live tables: the events of every subscribed table are asked for by one
    // request per event block (EventBlock::MaxEvents names each), all queued
    // together. When any of them is answered, all are cancelled and queued
    // anew with the counts known. (The client library reuses the place of an
    // answered request for the next one queued, and cancelling a request
    // cancels whichever request holds its place then; since all are cancelled
    // together, such a cancel only meets a request that goes anyway.)
    FbdbInternal::EventRelay relay; // declared before the callbacks, which point to it
    std::map<std::string, FbdbInternal::Subscription> subscriptions;
    struct Request {
        quint64 id = 0;
        FbRef<FbdbInternal::EventCallback> callback;
        FbRef<Firebird::IEvents> events;
    };
    std::vector<Request> requests; // answers to any other request are stale
    // Callbacks of earlier requests, closed. The client library drops its
    // reference to one when it queues the request that takes its place, even
    // while its event thread may still be delivering an answer to it; our
    // reference keeps it alive until many requests later.
    std::deque<FbRef<FbdbInternal::EventCallback>> retired;
    static constexpr size_t RetiredKept = 16; // per request queued at a time
    size_t retiredLimit = RetiredKept;
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

    void fail(const Firebird::FbException& e);
    void fail(const std::exception& e);

    // Ends an interface through its own closing call, which releases it; when
    // that call fails the interface is released here. Never throws.
    template <typename T, typename Close> void endQuietly(FbRef<T>& ref, Close close) {
        if (!ref)
            return;
        try {
            close(ref.get());
            ref.forget();
        } catch (const Firebird::FbException&) {
            ref.reset();
        }
    }

    // One statement's work, which may throw the client library's failures, in
    // a transaction of its own begun for it, within the wait limit: false,
    // with the failure noted, when it failed. The statement and the
    // transaction are ended either way.
    template <typename Work> bool operation(Work work) {
        if (!connected())
            return false;
        Bounded bounded(*this);
        bool ok = false;
        ++statements;
        try {
            endQuery();
            begin();
            work();
            ok = true;
        } catch (const Firebird::FbException& e) {
            fail(e);
        } catch (const std::exception& e) {
            fail(e);
        }
        finish();
        return ok;
    }

    // The connection (UnitFBDB.cpp).
    void closeStatement();
    // Rolls back whatever the transaction holds.
    void rollback();
    // A detached module has no connection left to lose: the mark goes with it,
    // so that the next Connect starts clean. The request is cancelled first;
    // unless the connection is being replaced at once, each subscription then
    // reports a change when it is counted again.
    void detach(bool replacing = false);
    // Ends a statement's work. A connection the server has dropped is let go,
    // so that the next Connect, or a screen's reconnect, starts afresh.
    void finish();
    void endQuery();
    void commit();
    void begin();
    void prepare(const StatementText::Lines& lines);
    // Whether there is a connection; else the failure says so.
    bool connected();
    // Attaches within the running operation's time: the client library
    // gives up a handshake that the server does not answer after the
    // connect timeout, and the watchdog interrupts the rest.
    void attach(const std::string& database, const std::string& user, const std::string& password);

    // One statement without output in a transaction of its own, committed (UnitFBDBStatements.cpp).
    bool modify(const StatementText::Lines& lines);

    // Runs a select in a fresh transaction and fetches its rows as text into
    // rows (only the first when firstRowOnly). The statement is closed and the
    // transaction committed before it returns: the rows are in memory (UnitFBDBReads.cpp).
    bool select(const StatementText::Lines& lines, bool firstRowOnly, FbdbInternal::ResultRows& rows);
    // A text BLOB's bytes, read segment by segment; NULL gives nothing.
    void appendBlob(std::string& out, const unsigned char* message, const FbdbInternal::Column& column);

    // Live tables (UnitFBDBEvents.cpp).
    // Cancels the queued requests. Their callbacks are closed first, so that
    // answers on their way are dropped.
    void stopListening();
    // Queues the requests for the subscribed tables anew, with the counts
    // known on this connection (0 for the others, which the server answers at
    // once with its counts). After a failure nothing more is tried on this
    // connection.
    void listen();
    // An answer to a queued request, on the module's thread: the tables whose
    // counts moved on. The requests are queued again at once with the counts
    // just reported. An answer without a block is the client library telling
    // that the server is gone: the connection counts as lost.
    std::vector<std::string> answered(quint64 answeredRequest, const QByteArray& block);
};
