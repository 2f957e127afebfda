#include "app/UnitSet.h"

#include "app/WindowStyle.h"

TFormSet::TFormSet(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("データベース設定"));
    WindowStyle::setFixedFrame(this, 354, 347);
    WindowStyle::setBackground(this, QColor(208, 255, 208));
    setFont(WindowStyle::gothicFont(13));
}
