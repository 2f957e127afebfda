#include "choosers/Unit1a.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/ShowChecks.h"
#include "db/UnitSchema.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

TForm1a::TForm1a(QWidget* parent) : TChooser("まいめも", 282, 218, parent) {
    Button1 = AddButton("自分のまいめもを編集(&1)", QRect(16, 8, 249, 49), &TForm1a::Button1Click);
    Button2 = AddButton("他メンバーのまいめもを参照(&2)", QRect(16, 72, 249, 49), &TForm1a::Button2Click);
    Label1 = AddLabel("メンバー", QRect(32, 132, 52, 13));
    ComboBox1 = AddList(QRect(96, 128, 153, 21));
    Button3 = AddButton("閉じる(&C)", QRect(88, 168, 105, 41), &TForm1a::Button3Click);
    SetTabChain({Button1, Button2, ComboBox1, Button3});
}

void TForm1a::FormShow() {
    ShapeWindow();
    ComboBox1->clear();
    Button1->setEnabled(false);
    Button2->setEnabled(false);
    if (!ConnectOnShow(this, Settings::MemberIdentified))
        return;
    const bool listed = ReadRegistry("MEMBER", MemberColumns, "メンバー一覧", [this] {
        const std::int32_t number = ToIntOrZero(RowBuffer[0].Value);
        // The user's own row is not listed, nor a row without a member number.
        if (number > 0 && number != Settings::MemberNumber)
            ComboBox1->addItem(Codec::toDisplayLine(MemberListItem(RowBuffer)));
    });
    // A drop-down list selects its first item by itself; the list starts unselected.
    ComboBox1->setCurrentIndex(-1);
    // The own pad needs no list; an empty list read in error offers no other member's.
    Button1->setEnabled(true);
    Button2->setEnabled(listed);
    Button1->setFocus();
}

void TForm1a::Button1Click() {
    HandOver(forms().Form2);
}

void TForm1a::Button2Click() {
    if (ComboBox1->count() == 0) {
        Platform::showMessage(this, Codec::sj("他のメンバーが登録されていません"));
        return;
    }
    if (ComboBox1->currentIndex() < 0) {
        Platform::showMessage(this, Codec::sj("参照する他のメンバーを指示してください"));
        ComboBox1->setFocus();
        return;
    }
    OpenMemberPad(SelectedNumber(ComboBox1));
}

void TForm1a::OpenMemberPad(std::int32_t memberNumber) {
    Settings::ViewMemberNumber = memberNumber;
    HandOver(forms().Form3);
}

void TForm1a::Button3Click() {
    close();
}
