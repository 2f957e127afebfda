#include "db/UnitFBDBPrivate.h"

#include <algorithm>

// The data-access module's connection, and its calls bounded by the watchdog.

using namespace Firebird;

namespace {

const char* const NotConnected = "not connected to a database";

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

void TFormFBDB::Impl::fail(const FbException& e) {
    lastError = FbStatusText(util, e.getStatus());
    const ISC_STATUS* errors = e.getStatus()->getErrors();
    connectionLost = connectionLost || ConnectionLost(errors) || watchdog.expired();
    lastFailure = connectionLost              ? DbFailure::ConnectionLost
                  : PermissionRefused(errors) ? DbFailure::NoPermission
                                              : DbFailure::Other;
}

void TFormFBDB::Impl::fail(const std::exception& e) {
    lastError = e.what();
    lastFailure = watchdog.expired() ? DbFailure::ConnectionLost : DbFailure::Other;
}

void TFormFBDB::Impl::closeStatement() {
    endQuietly(cursor, [this](IResultSet* c) { c->close(&status); });
    endQuietly(statement, [this](IStatement* s) { s->free(&status); });
}

void TFormFBDB::Impl::rollback() {
    endQuietly(transaction, [this](ITransaction* t) { t->rollback(&status); });
}

void TFormFBDB::Impl::detach(bool replacing) {
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

void TFormFBDB::Impl::finish() {
    closeStatement();
    rollback();
    if (connectionLost)
        detach();
}

void TFormFBDB::Impl::endQuery() {
    closeStatement();
    rollback();
}

void TFormFBDB::Impl::commit() {
    transaction->commit(&status);
    transaction.forget();
}

void TFormFBDB::Impl::begin() {
    transaction.reset(attachment->startTransaction(&status, 0, nullptr));
}

void TFormFBDB::Impl::prepare(const StatementText::Lines& lines) {
    const std::string text = StatementText::Join(lines);
    statement.reset(attachment->prepare(&status, transaction.get(), static_cast<unsigned>(text.size()),
                                        text.data(), Dialect, IStatement::PREPARE_PREFETCH_METADATA));
}

bool TFormFBDB::Impl::connected() {
    lastError.clear();
    if (attachment)
        return true;
    lastError = NotConnected;
    lastFailure = DbFailure::ConnectionLost;
    return false;
}

void TFormFBDB::Impl::attach(const std::string& database, const std::string& user,
                             const std::string& password) {
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

TFormFBDB::TFormFBDB(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {
    FbdbInternal::Modules().push_back(this);
    connect(
        &d->relay, &FbdbInternal::EventRelay::delivered, this,
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
    std::erase(FbdbInternal::Modules(), this);
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

bool TFormFBDB::Ping() {
    if (!d->connected())
        return false;
    Impl::Bounded bounded(*d);
    try {
        d->attachment->ping(&d->status);
        return true;
    } catch (const FbException& e) {
        d->fail(e);
    }
    return false;
}

void TFormFBDB::SetWaitLimit(std::chrono::milliseconds limit) {
    d->waitLimit = limit;
}

std::chrono::milliseconds TFormFBDB::WaitLimit() const {
    return d->waitLimit;
}

std::uint64_t TFormFBDB::StatementCount() const {
    return d->statements;
}

std::string TFormFBDB::LastError() const {
    return d->lastError;
}

DbFailure TFormFBDB::LastFailure() const {
    return d->lastFailure;
}
