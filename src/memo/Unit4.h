#pragma once

#include "memo/MemoScreen.h"

class TForm4 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
