#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;

// The find dialog, one instance shared by every memo screen: each screen
// copies its own find settings in before showing it and back afterwards.
class TFormSearch : public QDialog {
    Q_OBJECT
public:
    explicit TFormSearch(QWidget* parent = nullptr);

    std::string Keyword;
    int UseFindColumn = 0;
    int SearchDown = 1;
    bool Accepted = false;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* RadioUp = nullptr;
    QRadioButton* RadioDown = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormShow();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
};
