#pragma once

#include "memo/MemoScreen.h"

class TForm7 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);
};
