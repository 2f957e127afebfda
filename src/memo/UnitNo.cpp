#include "memo/UnitNo.h"

#include "app/WindowStyle.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TFormNo::TFormNo(QWidget* parent) : QDialog(parent) {
    setWindowTitle(WindowStyle::text("番号"));
    WindowStyle::setFixedFrame(this, 288, 88);
    setFont(WindowStyle::gothicFont(13));

    Label1 = new QLabel(WindowStyle::text("表示したい登録番号を入力して下さい"), this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setGeometry(8, 6, 272, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(8, 28, 120, 22);
    Edit1->setMaxLength(8);
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Button1 = new QPushButton(WindowStyle::text("ＯＫ(&Y)"), this);
    Button1->setGeometry(96, 58, 88, 26);
    Button1->setDefault(true);
    Button2 = new QPushButton(WindowStyle::text("キャンセル(&N)"), this);
    Button2->setGeometry(190, 58, 92, 26);

    connect(Button1, &QPushButton::clicked, this, &TFormNo::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormNo::Button2Click);
}

void TFormNo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormNo::FormShow() {
    Accepted = false;
    Edit1->setText(QString::number(JumpNumber));
    Edit1->selectAll();
    Edit1->setFocus();
}

void TFormNo::Button1Click() {
    Accepted = true;
    JumpNumber = ToIntOrZero(Codec::fromQString(Edit1->text()));
    accept();
}

void TFormNo::Button2Click() {
    reject();
}
