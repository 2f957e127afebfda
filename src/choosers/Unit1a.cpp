#include "choosers/Unit1a.h"

#include "app/WindowStyle.h"

TForm1a::TForm1a(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("まいめも"));
    WindowStyle::setFixedFrame(this, 282, 218);
    WindowStyle::setBackground(this, QColor(204, 233, 247));
    setFont(WindowStyle::gothicFont(13));
}
