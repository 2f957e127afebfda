#include "app/WindowPlacement.h"

#include "platform/Platform.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <limits>

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

QRect fitted(int left, int top, const QSize& outer) {
    return fitOnScreens(left, top, outer.width(), outer.height(), Platform::screenAreas());
}

void resizeOuter(QWidget* window, const QSize& outer) {
    window->resize(outer - frameExtra(window));
    if (window->isVisible() && !frameExtra(window).isNull()) {
        window->setProperty(PendingOuterSize, QVariant());
        return;
    }
    window->setProperty(PendingOuterSize, outer);
    window->removeEventFilter(frameWatcher());
    window->installEventFilter(frameWatcher());
}

constexpr const char* PlacedBySystem = "qbook2PlacedBySystem";

class PlacementWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool geometry = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        auto* window = static_cast<QWidget*>(watched);
        if (geometry && event->spontaneous() && window->isVisible())
            window->setProperty(PlacedBySystem, true);
        // Shown, not yet on the screen (restoring from the task bar is no showing).
        if (event->type() == QEvent::Show && !event->spontaneous())
            keepOnScreen(window);
        return false;
    }
};

PlacementWatcher* placementWatcher() {
    static auto* watcher = new PlacementWatcher;
    return watcher;
}

} // namespace

void place(QWidget* window, int left, int top) {
    window->move(fitted(left, top, outerSize(window)).topLeft());
}

void place(QWidget* window, int left, int top, int width, int height) {
    const QSize present = outerSize(window);
    const QRect outer =
        fitted(left, top, QSize(width > 0 ? width : present.width(), height > 0 ? height : present.height()));
    window->move(outer.topLeft());
    resizeOuter(window, outer.size());
}

void keepOnScreen(QWidget* window) {
    const QPoint position = outerPosition(window);
    const QSize size = outerSize(window);
    const QRect outer = fitted(position.x(), position.y(), size);
    // A window the program never placed is where the window system puts it.
    if (window->testAttribute(Qt::WA_Moved) && outer.topLeft() != position)
        window->move(outer.topLeft());
    if (outer.size() != size && window->minimumSize() != window->maximumSize())
        resizeOuter(window, outer.size());
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

QRect fitOnScreens(int left, int top, int width, int height, const std::vector<QRect>& areas) {
    if (areas.empty())
        return QRect(left, top, width, height);
    // The area nearest to the middle of the top edge; 0 away when it holds it.
    const std::int64_t x = std::int64_t(left) + width / 2;
    const std::int64_t y = top;
    const QRect* area = &areas.front();
    std::int64_t nearest = std::numeric_limits<std::int64_t>::max();
    for (const QRect& candidate : areas) {
        const std::int64_t dx = std::max<std::int64_t>({candidate.left() - x, x - candidate.right(), 0});
        const std::int64_t dy = std::max<std::int64_t>({candidate.top() - y, y - candidate.bottom(), 0});
        if (dx + dy < nearest) {
            nearest = dx + dy;
            area = &candidate;
        }
    }
    const int w = std::min(width, area->width());
    const int h = std::min(height, area->height());
    const std::int64_t lastLeft = std::int64_t(area->left()) + area->width() - w;
    const std::int64_t lastTop = std::int64_t(area->top()) + area->height() - h;
    return QRect(
        static_cast<int>(std::max<std::int64_t>(area->left(), std::min<std::int64_t>(left, lastLeft))),
        static_cast<int>(std::max<std::int64_t>(area->top(), std::min<std::int64_t>(top, lastTop))), w, h);
}

} // namespace WindowPlacement
