#include "choosers/Unit1c.h"

#include "app/WindowStyle.h"

TForm1c::TForm1c(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("クローズグループ"));
    WindowStyle::setFixedFrame(this, 351, 240);
    WindowStyle::setBackground(this, QColor(204, 233, 247));
    setFont(WindowStyle::gothicFont(13));
}
