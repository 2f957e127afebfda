#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

// The jump-to-number dialog, one instance shared by every memo screen.
class TFormNo : public QDialog {
    Q_OBJECT
public:
    explicit TFormNo(QWidget* parent = nullptr);

    std::int32_t JumpNumber = 1;
    bool Accepted = false;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormShow();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
};
