#include "memo/UnitSearch.h"

#include "app/WindowStyle.h"
#include "memo/MemoScreen.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

TFormSearch::TFormSearch(QWidget* parent) : QDialog(parent) {
    setWindowTitle(WindowStyle::text("検索"));
    WindowStyle::setFixedFrame(this, 358, 127);
    setFont(WindowStyle::gothicFont(13));

    Label1 = new QLabel(WindowStyle::text("検索するキーワード（含む文字）を入力して下さい"), this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setGeometry(8, 6, 342, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(8, 26, 342, 22);
    CheckBox1 = new QCheckBox(WindowStyle::text("大文字小文字を区別する"), this);
    CheckBox1->setGeometry(8, 52, 200, 20);
    RadioGroup1 = new QGroupBox(WindowStyle::text("検索する方向(&D)"), this);
    RadioGroup1->setGeometry(8, 74, 190, 48);
    RadioUp = new QRadioButton(WindowStyle::text("上へ"), RadioGroup1);
    RadioUp->setGeometry(12, 22, 70, 20);
    RadioDown = new QRadioButton(WindowStyle::text("下へ"), RadioGroup1);
    RadioDown->setGeometry(100, 22, 70, 20);
    Button1 = new QPushButton(WindowStyle::text("ＯＫ(&Y)"), this);
    Button1->setGeometry(222, 62, 128, 26);
    Button1->setDefault(true);
    Button2 = new QPushButton(WindowStyle::text("キャンセル(&N)"), this);
    Button2->setGeometry(222, 94, 128, 26);

    connect(Button1, &QPushButton::clicked, this, &TFormSearch::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormSearch::Button2Click);
}

void TFormSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormSearch::FormShow() {
    Accepted = false;
    Edit1->setText(Codec::toQString(Keyword));
    // "大文字小文字を区別する": ticked, the keyword is compared as typed with
    // the text; cleared, through the search key, which folds case and width.
    CheckBox1->setChecked(UseFindColumn == 0);
    (SearchDown == 0 ? RadioUp : RadioDown)->setChecked(true);
    Edit1->setFocus();
}

void TFormSearch::Button1Click() {
    const std::string text = Codec::fromQString(Edit1->text());
    if (ContainsQuote(text)) {
        Platform::showMessage(this, Codec::sj(QuoteRefusalText));
        Edit1->setFocus();
        return;
    }
    Accepted = true;
    Keyword = text;
    UseFindColumn = CheckBox1->isChecked() ? 0 : 1;
    SearchDown = RadioUp->isChecked() ? 0 : 1;
    accept();
}

void TFormSearch::Button2Click() {
    reject();
}
