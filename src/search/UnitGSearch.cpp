#include "search/UnitGSearch.h"

#include "app/WindowStyle.h"

TFormGSearch::TFormGSearch(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("グローバル検索"));
    setFont(WindowStyle::gothicFont(13));
    resize(491, 357);
}
