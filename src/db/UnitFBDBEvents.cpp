#include "db/UnitFBDBPrivate.h"

#include "db/EventBlock.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

// The data-access module's live tables: the server's events of the
// subscribed tables, in one request per event block.

using namespace Firebird;

std::vector<TFormFBDB*>& FbdbInternal::Modules() {
    static std::vector<TFormFBDB*> modules;
    return modules;
}

void TFormFBDB::Impl::stopListening() {
    for (Request& queued : requests)
        queued.callback->close();
    for (Request& queued : requests) {
        endQuietly(queued.events, [this](IEvents* e) { e->cancel(&status); });
        retired.push_back(std::move(queued.callback));
    }
    while (retired.size() > retiredLimit)
        retired.pop_front();
    requests.clear();
}

void TFormFBDB::Impl::listen() {
    stopListening();
    if (!attachment || eventsRefused || subscriptions.empty())
        return;
    std::vector<EventBlock::Event> wanted;
    for (const auto& [table, subscription] : subscriptions)
        wanted.push_back({table, subscription.counted ? subscription.count : 0});
    const std::vector<std::vector<unsigned char>> blocks = EventBlock::BuildBlocks(wanted);
    retiredLimit = RetiredKept * blocks.size();
    try {
        for (const std::vector<unsigned char>& block : blocks) {
            Request& queued = requests.emplace_back();
            queued.id = ++lastRequest;
            queued.callback.reset(new FbdbInternal::EventCallback(&relay, queued.id));
            queued.events.reset(attachment->queEvents(&status, queued.callback.get(),
                                                      static_cast<unsigned>(block.size()), block.data()));
            listened = true;
        }
        return;
    } catch (const FbException& e) {
        fail(e);
    }
    eventsRefused = true;
    stopListening();
}

std::vector<std::string> TFormFBDB::Impl::answered(quint64 answeredRequest, const QByteArray& block) {
    std::vector<std::string> changed;
    // Request ids start at 1, so this also drops answers when none is queued.
    const auto found = std::find_if(requests.begin(), requests.end(),
                                    [&](const Request& queued) { return queued.id == answeredRequest; });
    if (found == requests.end())
        return changed;
    if (block.isEmpty()) {
        connectionLost = true;
        return changed;
    }
    for (const EventBlock::Event& event :
         EventBlock::Parse(reinterpret_cast<const unsigned char*>(block.data()), block.size())) {
        const auto subscribed = subscriptions.find(event.name);
        if (subscribed == subscriptions.end())
            continue;
        FbdbInternal::Subscription& subscription = subscribed->second;
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
    Subscribe(std::vector<std::string>{tableName});
}

void TFormFBDB::Subscribe(const std::vector<std::string>& tableNames) {
    // A connection with an event link must be detached before the process
    // ends: the client library's thread that serves the link would otherwise
    // run on while the library is torn down at exit. Events are delivered
    // only while the application object lives, so its end ends the links.
    static QPointer<QCoreApplication> linksEndWith; // null again once that application is gone
    if (QCoreApplication::instance() && QCoreApplication::instance() != linksEndWith) {
        linksEndWith = QCoreApplication::instance();
        qAddPostRoutine(EndEventLinks);
    }
    bool added = false;
    for (const std::string& table : tableNames)
        added = d->subscriptions[table].users++ == 0 || added;
    if (added) {
        Impl::Bounded bounded(*d);
        d->listen();
    }
}

void TFormFBDB::Unsubscribe(const std::string& tableName) {
    Unsubscribe(std::vector<std::string>{tableName});
}

void TFormFBDB::Unsubscribe(const std::vector<std::string>& tableNames) {
    bool removed = false;
    for (const std::string& table : tableNames) {
        const auto found = d->subscriptions.find(table);
        if (found == d->subscriptions.end() || --found->second.users > 0)
            continue;
        d->subscriptions.erase(found);
        removed = true;
    }
    if (removed) {
        Impl::Bounded bounded(*d);
        d->listen();
    }
}

bool TFormFBDB::Listening() const {
    return !d->requests.empty();
}
