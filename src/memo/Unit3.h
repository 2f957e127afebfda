#pragma once

#include "memo/MemoScreen.h"

class TForm3 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};
