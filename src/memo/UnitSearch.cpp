#include "memo/UnitSearch.h"

TFormSearch::TFormSearch(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("検索"));
    setFixedSize(358, 127);
}
