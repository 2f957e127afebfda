#include "editor/FindDialog.h"

#include "app/WindowStyle.h"
#include "text/Codec.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(WindowStyle::text("検索"));
    auto* label = new QLabel(WindowStyle::text("検索する文字列(&N):"), this);
    Edit1 = new QLineEdit(this);
    label->setBuddy(Edit1);
    ButtonFind = new QPushButton(WindowStyle::text("次を検索(&F)"), this);
    ButtonFind->setDefault(true);
    ButtonFind->setEnabled(false);
    ButtonCancel = new QPushButton(WindowStyle::text("キャンセル"), this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(Edit1, 0, 1);
    layout->addWidget(ButtonFind, 0, 2);
    layout->addWidget(ButtonCancel, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { ButtonFind->setEnabled(!text.isEmpty()); });
    connect(ButtonFind, &QPushButton::clicked, this, &FindDialog::find);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::close);
}

std::string FindDialog::FindText() const {
    return Codec::fromQString(Edit1->text());
}
