#pragma once

#include "memo/MemoScreen.h"

class TForm5 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};
