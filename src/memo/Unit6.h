#pragma once

#include "memo/MemoScreen.h"

class TForm6 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};
