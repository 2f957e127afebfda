#include "app/WindowPlacement.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace WindowPlacement {

namespace {

constexpr const char* PendingOuterSize = "qbook2PendingOuterSize";

QSize frameExtra(const QWidget* window) {
    return window->frameGeometry().size() - window->size();
}

// Applies a pending outer size once the window is on screen and its frame is known.
class FrameWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        const QVariant pending = window->property(PendingOuterSize);
        if (!pending.isValid())
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            if (window->isVisible() && !frameExtra(window).isNull()) {
                window->setProperty(PendingOuterSize, QVariant());
                window->resize(pending.toSize() - frameExtra(window));
            }
            break;
        case QEvent::Hide:
            // Shown without a frame: the client size given was the outer size.
            if (!window->isVisible())
                window->setProperty(PendingOuterSize, QVariant());
            break;
        default:
            break;
        }
        return false;
    }
};

FrameWatcher* frameWatcher() {
    static auto* watcher = new FrameWatcher;
    return watcher;
}

constexpr const char* PlacedBySystem = "qbook2PlacedBySystem";

class PlacementWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool geometry = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        auto* window = static_cast<QWidget*>(watched);
        if (geometry && event->spontaneous() && window->isVisible())
            window->setProperty(PlacedBySystem, true);
        return false;
    }
};

PlacementWatcher* placementWatcher() {
    static auto* watcher = new PlacementWatcher;
    return watcher;
}

} // namespace

void place(QWidget* window, int left, int top) {
    window->move(left, top);
}

void place(QWidget* window, int left, int top, int width, int height) {
    window->move(left, top);
    const QSize outer(width, height);
    window->resize(outer - frameExtra(window));
    if (window->isVisible() && !frameExtra(window).isNull()) {
        window->setProperty(PendingOuterSize, QVariant());
        return;
    }
    window->setProperty(PendingOuterSize, outer);
    window->removeEventFilter(frameWatcher());
    window->installEventFilter(frameWatcher());
}

void track(QWidget* window) {
    window->removeEventFilter(placementWatcher());
    window->installEventFilter(placementWatcher());
}

bool isPlaced(const QWidget* window) {
    return window->testAttribute(Qt::WA_Moved) || window->property(PlacedBySystem).toBool();
}

QPoint outerPosition(const QWidget* window) {
    return window->pos();
}

QSize outerSize(const QWidget* window) {
    const QVariant pending = window->property(PendingOuterSize);
    return pending.isValid() ? pending.toSize() : window->frameGeometry().size();
}

} // namespace WindowPlacement
