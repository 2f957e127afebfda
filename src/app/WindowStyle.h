#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPushButton;
class QWidget;

// Looks shared by the program's windows.
namespace WindowStyle {

// A UTF-8 literal of the source as the QString a widget shows, passing through
// the program's code page 932 form.
QString text(const char* utf8);

// "ＭＳ ゴシック" with the given character height in pixels, or an installed
// Japanese monospace font standing in for it.
QFont gothicFont(int pixelSize);

// A window that cannot be resized or maximised: system menu, minimise and
// close only, with a fixed client area.
void setFixedFrame(QWidget* window, int clientWidth, int clientHeight);

// Fills the widget's background with the colour.
void setBackground(QWidget* widget, const QColor& colour);

// Enter presses the button while it has the focus, as Space does. (Outside a
// dialog a push button takes only Space.)
void pressOnEnter(QPushButton* button);

} // namespace WindowStyle
