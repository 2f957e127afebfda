#pragma once

#include "memo/MemoScreen.h"

class TForm2 : public TMemoScreen {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};
