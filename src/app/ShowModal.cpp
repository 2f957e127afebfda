#include "app/ShowModal.h"

#include "app/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace {

class HideWatcher : public QObject {
public:
    explicit HideWatcher(QEventLoop& loop) : Loop(loop) {}
    bool Hidden = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Minimising sends a hide event too, but the window stays visible.
        if (event->type() == QEvent::Hide && !static_cast<QWidget*>(watched)->isVisible()) {
            Hidden = true;
            Loop.quit();
        }
        return false;
    }

private:
    QEventLoop& Loop;
};

} // namespace

void ShowModal(QWidget* window) {
    QEventLoop loop;
    HideWatcher watcher(loop);
    QPointer<QWidget> alive(window);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->installEventFilter(&watcher);
    window->setWindowModality(Qt::ApplicationModal);
    // A window the layout file has not placed yet opens over the one it came
    // from, or in the middle of the screen; in either case on the screen.
    if (!window->testAttribute(Qt::WA_Moved)) {
        const QWidget* origin = QApplication::activeWindow();
        const QRect area =
            origin && origin != window ? origin->frameGeometry() : window->screen()->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    WindowPlacement::keepOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
    // A window whose show handler closes it at once (a missing setting) is
    // already hidden here.
    if (!watcher.Hidden && window->isVisible())
        loop.exec(QEventLoop::DialogExec);
    if (alive) {
        window->removeEventFilter(&watcher);
        window->setWindowModality(Qt::NonModal);
    }
}
