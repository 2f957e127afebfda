#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Window positions and sizes as the layout file keeps them: the outer frame's
// top-left corner and the outer size. Where the window manager draws no frame
// (or has not told it yet) the outer size is the client size.
namespace WindowPlacement {

// Moves the window's outer top-left corner to (left, top).
void place(QWidget* window, int left, int top);

// Also gives the window the outer size width x height. The frame of a window
// that has not been shown is not known yet; the client size is corrected when
// the frame becomes known, and until then outerSize reports the size given
// here.
void place(QWidget* window, int left, int top, int width, int height);

QPoint outerPosition(const QWidget* window);
QSize outerSize(const QWidget* window);

} // namespace WindowPlacement
