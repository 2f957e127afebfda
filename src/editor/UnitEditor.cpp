#include "editor/UnitEditor.h"

#include "app/WindowStyle.h"

#include <QTextEdit>
#include <QVBoxLayout>

TFormEditor::TFormEditor(QWidget* parent) : QWidget(parent) {
    setWindowTitle(WindowStyle::text("エディタ"));
    setFont(WindowStyle::gothicFont(13));
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    resize(491, 357);
}
