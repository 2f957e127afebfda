#include "choosers/Chooser.h"

#include "app/Forms.h"
#include "app/ReadFailureText.h"
#include "app/WindowStyle.h"
#include "db/UnitFBDB.h"
#include "memo/MemoScreen.h"
#include "platform/Platform.h"
#include "platform/WindowShape.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QShowEvent>

TChooser::TChooser(const char* caption, int clientWidth, int clientHeight, QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(WindowStyle::text(caption));
    WindowStyle::setFixedFrame(this, clientWidth, clientHeight);
    WindowStyle::setBackground(this, QColor(204, 233, 247));
    setFont(WindowStyle::gothicFont(13));
}

void TChooser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Restoring from the task bar is no new showing.
    if (!event->spontaneous())
        FormShow();
}

void TChooser::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TChooser::FormClose() {
    RowBuffer.clear();
}

QPushButton* TChooser::AddButton(const char* caption, const QRect& geometry) {
    auto* button = new QPushButton(WindowStyle::text(caption), this);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::StrongFocus);
    WindowStyle::pressOnEnter(button);
    return button;
}

QLabel* TChooser::AddLabel(const char* caption, const QRect& geometry) {
    auto* label = new QLabel(WindowStyle::text(caption), this);
    label->setGeometry(geometry);
    return label;
}

QComboBox* TChooser::AddList(const QRect& geometry) {
    auto* list = new QComboBox(this);
    list->setGeometry(geometry);
    list->setEditable(false);
    list->setAttribute(Qt::WA_InputMethodEnabled, false);
    return list;
}

void TChooser::ShapeWindow() {
    WindowShape::setRoundedRegion(this);
    for (QPushButton* button : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        WindowShape::setOvalRegion(button);
}

void TChooser::SetTabChain(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
}

bool TChooser::ReadRegistry(const char* table, int columns, const char* what,
                            const std::function<void()>& row) {
    RowBuffer.assign(static_cast<size_t>(columns), TableField{});
    const ReadResult<std::vector<FieldList>> rows =
        forms().FormFBDB->ReadRows(RowBuffer, "*", table, "", "N");
    if (!rows) {
        Platform::showMessage(this, ReadFailureMessage(what, rows.failure()));
        return false;
    }
    for (const FieldList& read : *rows) {
        RowBuffer = read;
        row();
    }
    return true;
}

std::int32_t TChooser::SelectedNumber(const QComboBox* list) {
    if (list->currentIndex() < 0)
        return 0;
    return ToIntOrZero(BeforeColon(Codec::fromQString(list->currentText())));
}

void TChooser::HandOver(TMemoScreen* screen) {
    screen->ShowPad();
    close();
}
