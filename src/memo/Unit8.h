#pragma once

#include "memo/MemoScreen.h"

class TForm8 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);
};
