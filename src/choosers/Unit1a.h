#pragma once

#include "choosers/Chooser.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

// The member pad chooser: edit the own pad or read another member's.
class TForm1a : public TChooser {
    Q_OBJECT
public:
    explicit TForm1a(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr; // edit the own pad
    QPushButton* Button2 = nullptr; // read the pad of the member selected in ComboBox1
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr; // the other members
    QPushButton* Button3 = nullptr; // close

    void FormShow() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();

    // Opens another member's pad in its viewer, as Button2Click does for the member selected.
    void OpenMemberPad(std::int32_t memberNumber);
};
