#pragma once

#include <QDialog>

// The jump-to-number dialog, one instance shared by every memo screen.
class TFormNo : public QDialog {
    Q_OBJECT
public:
    explicit TFormNo(QWidget* parent = nullptr);
};
