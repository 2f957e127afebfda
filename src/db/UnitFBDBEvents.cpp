#include "db/UnitFBDBPrivate.h"

#include "db/EventBlock.h"

#include <QCoreApplication>
#include <QPointer>

// The data-access module's live tables: the server's events of the
// subscribed tables, one request at a time.

using namespace Firebird;

std::vector<TFormFBDB*>& FbdbInternal::Modules() {
    static std::vector<TFormFBDB*> modules;
    return modules;
}

void TFormFBDB::Impl::stopListening() {
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

void TFormFBDB::Impl::listen() {
    stopListening();
    if (!attachment || eventsRefused || subscriptions.empty())
        return;
    std::vector<EventBlock::Event> wanted;
    for (const auto& [table, subscription] : subscriptions)
        wanted.push_back({table, subscription.counted ? subscription.count : 0});
    const std::vector<unsigned char> block = EventBlock::Build(wanted);
    request = ++lastRequest;
    callback.reset(new FbdbInternal::EventCallback(&relay, request));
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

std::vector<std::string> TFormFBDB::Impl::answered(quint64 answeredRequest, const QByteArray& block) {
    std::vector<std::string> changed;
    if (answeredRequest != request) // request ids start at 1, so this also drops answers when none is queued
        return changed;
    events.reset(); // answered: released before the next request takes its place
    for (const EventBlock::Event& event :
         EventBlock::Parse(reinterpret_cast<const unsigned char*>(block.data()), block.size())) {
        const auto found = subscriptions.find(event.name);
        if (found == subscriptions.end())
            continue;
        FbdbInternal::Subscription& subscription = found->second;
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

void TFormFBDB::EndEventLinks() {
    for (TFormFBDB* module : FbdbInternal::Modules())
        if (module->d->listened)
            module->Disconnect();
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
