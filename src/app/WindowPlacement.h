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

// From now on, notes when the window system moves or sizes the window (it
// shows the window, or the user moves or resizes it).
void track(QWidget* window);

// Whether the window has a position of its own: given by the program (the
// layout file, a built-in position, opened over another window) or by the
// window system since track.
bool isPlaced(const QWidget* window);

QPoint outerPosition(const QWidget* window);
QSize outerSize(const QWidget* window);

} // namespace WindowPlacement
