#include "memo/ReconnectPacing.h"

#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "memo/MemoScreen.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

ReconnectPacing& ReconnectPacing::shared() {
    static ReconnectPacing pacing;
    return pacing;
}

bool ReconnectPacing::mayTry(Clock::time_point now, bool memberAsked, bool memberActing) const {
    if (pause_ == Clock::duration::zero())
        return true;
    if (memberAsked)
        return now - silentAt_ >= MemberPause;
    return now - silentAt_ >= pause_ && !memberActing;
}

void ReconnectPacing::failed(Clock::time_point now, Clock::duration waited,
                             std::chrono::milliseconds waitLimit) {
    if (waited < waitLimit / 2)
        return;
    silentAt_ = now;
    const Clock::duration first = waitLimit * FirstPauseLimits;
    const Clock::duration longest = waitLimit * LongestPauseLimits;
    pause_ = pause_ == Clock::duration::zero() ? first : std::min(2 * pause_, longest);
}

void ReconnectPacing::succeeded() {
    pause_ = Clock::duration::zero();
}

void ReconnectPacing::called(Clock::time_point start, std::optional<DbFailure> failure,
                             std::chrono::milliseconds waitLimit) {
    const Clock::time_point end = Clock::now();
    if (!failure)
        succeeded();
    else if (*failure == DbFailure::ConnectionLost)
        failed(end, end - start, waitLimit);
}

bool ConnectPaced(TFormFBDB& db, bool memberAsked) {
    if (db.IsConnected())
        return true;
    ReconnectPacing& pacing = ReconnectPacing::shared();
    const auto start = ReconnectPacing::Clock::now();
    if (!pacing.mayTry(start, memberAsked, MemberActivity::acting()))
        return false;
    const bool connected = Settings::ConnectCurrent(db);
    pacing.called(start, connected ? std::nullopt : std::optional(DbFailure::ConnectionLost), db.WaitLimit());
    return connected;
}

namespace {

// Notes the moment of the member's last key, click or wheel turn anywhere in
// the application.
class InputWatch : public QObject {
public:
    InputWatch() : QObject(qApp) { qApp->installEventFilter(this); }

    ReconnectPacing::Clock::time_point last{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::InputMethod:
            last = ReconnectPacing::Clock::now();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

QPointer<InputWatch>& Watch() {
    static QPointer<InputWatch> watch; // goes with the application
    return watch;
}

} // namespace

void MemberActivity::watch() {
    if (!Watch() && qApp)
        Watch() = new InputWatch;
}

bool MemberActivity::acting() {
    watch();
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && !qobject_cast<const TMemoScreen*>(modal))
        return true;
    return Watch() && ReconnectPacing::Clock::now() - Watch()->last < QuietTime;
}
