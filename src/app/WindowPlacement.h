#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

// Window positions and sizes as the layout file keeps them: the outer frame's
// top-left corner and the outer size. Where the window manager draws no frame
// (or has not told it yet) the outer size is the client size.
//
// A window is always placed on the screens: at most as large as the screen's
// area and inside it, its title bar in any case (a frame not yet known may
// reach past the bottom), wherever the values come from: the layout file may
// hold any number.
namespace WindowPlacement {

// Moves the window's outer top-left corner to (left, top), or as near to it
// as keeps the window on the screens.
void place(QWidget* window, int left, int top);

// Also gives the window the outer size width x height (its present size where
// a value is not above 0). The frame of a window that has not been shown is
// not known yet; the client size is corrected when the frame becomes known,
// and until then outerSize reports the size given here.
void place(QWidget* window, int left, int top, int width, int height);

// Moves and shrinks a window that has been placed where it is not on the
// screens now (a screen has gone, or it was moved off one).
void keepOnScreen(QWidget* window);

// From now on, notes when the window system moves or sizes the window (it
// shows the window, or the user moves or resizes it), and keeps the window on
// the screens whenever it is shown.
void track(QWidget* window);

// Whether the window has a position of its own: given by the program (the
// layout file, a built-in position, opened over another window) or by the
// window system since track.
bool isPlaced(const QWidget* window);

QPoint outerPosition(const QWidget* window);
QSize outerSize(const QWidget* window);

// The outer rectangle (left, top, width, height) moved and shrunk into the
// area of the screen that holds the middle of its top edge, or else the
// nearest. Unchanged without areas.
QRect fitOnScreens(int left, int top, int width, int height, const std::vector<QRect>& areas);

} // namespace WindowPlacement
