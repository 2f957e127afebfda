#pragma once

// Ends a start-up program once its window has been painted for the first
// time: one byte on standard output tells the benchmark that the window is
// shown, and the process ends at once, its tear-down being no part of the start.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

class ShownSignal : public QObject {
public:
    explicit ShownSignal(QWidget* window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            // After the paint has reached the window.
            QTimer::singleShot(0, [] {
                std::fputc('s', stdout);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted = false;
};
