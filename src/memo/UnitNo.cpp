#include "memo/UnitNo.h"

TFormNo::TFormNo(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("番号"));
    setFixedSize(288, 88);
}
