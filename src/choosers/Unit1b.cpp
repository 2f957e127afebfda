#include "choosers/Unit1b.h"

#include "app/WindowStyle.h"

TForm1b::TForm1b(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("オープングループ"));
    WindowStyle::setFixedFrame(this, 351, 240);
    WindowStyle::setBackground(this, QColor(204, 233, 247));
    setFont(WindowStyle::gothicFont(13));
}
