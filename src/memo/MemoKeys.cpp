#include "memo/MemoScreen.h"

#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

// The grid's and the entry field's keys, and what typing does to the refresh.

void TMemoScreen::SG1Enter() {
    ShowGridHint();
}

void TMemoScreen::SG1SelectCell(int row) {
    if (Loading)
        return;
    TakeEntryFrom(row);
    ShowGridHint();
}

void TMemoScreen::Edit1Enter() {
    ShowEntryHint();
}

void TMemoScreen::Edit1Exit() {
    ResumeRefreshAfterTyping();
}

void TMemoScreen::HoldRefreshWhileTyping() {
    if (Config.access->fieldPausesRefresh)
        Timer1->stop();
}

void TMemoScreen::ResumeRefreshAfterTyping() {
    if (Config.access->fieldPausesRefresh)
        ResumeTimer();
}

bool TMemoScreen::eventFilter(QObject* watched, QEvent* event) {
    // Focus that comes and goes with the whole window (a dialog opening or
    // closing) is not the member moving between the grid and the entry field.
    const bool windowFocusChange =
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
        (static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason ||
         static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason);
    if (windowFocusChange)
        return QWidget::eventFilter(watched, event);
    if (watched == SG1) {
        if (event->type() == QEvent::FocusIn)
            SG1Enter();
        else if (event->type() == QEvent::KeyPress)
            return SG1KeyDown(static_cast<QKeyEvent*>(event)->key());
    } else if (watched == Edit1) {
        switch (event->type()) {
        case QEvent::FocusIn:
            Edit1Enter();
            break;
        case QEvent::FocusOut:
            Edit1Exit();
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                RegisterLine();
                return true;
            }
            if (Edit1KeyDown(key->key()))
                return true;
            // Typing stops the refresh until the line is registered or the field is left.
            if (!key->text().isEmpty() && key->text().at(0).unicode() >= 32)
                HoldRefreshWhileTyping();
            break;
        }
        case QEvent::InputMethod: {
            // Japanese is typed through an input method: composing holds the
            // refresh as a typed key does, and so does the commit.
            const auto* input = static_cast<QInputMethodEvent*>(event);
            if (!input->commitString().isEmpty() || !input->preeditString().isEmpty())
                HoldRefreshWhileTyping();
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TMemoScreen::SG1KeyDown(int key) {
    switch (key) {
    case Qt::Key_Insert:
        InsertLine();
        return true;
    case Qt::Key_Delete:
        DeleteLine();
        return true;
    case Qt::Key_C:
        CopyLine();
        return true;
    case Qt::Key_V:
        ButtonIClick();
        return true;
    default:
        ShowGridHint();
        return false;
    }
}

bool TMemoScreen::Edit1KeyDown(int key) {
    Outcome failure;
    switch (key) {
    case Qt::Key_Up:
        if (CurrentRow() == 0)
            failure = PreviousPage();
        else
            SelectRow(CurrentRow() - 1);
        break;
    case Qt::Key_Down:
        if (CurrentRow() != RowCount() - 1)
            SelectRow(CurrentRow() + 1);
        else
            failure = NextPage();
        break;
    case Qt::Key_PageUp:
        failure = PreviousPage();
        break;
    case Qt::Key_PageDown:
        failure = NextPage();
        break;
    case Qt::Key_Escape:
        TakeEntryFrom(CurrentRow());
        ShowEntryHint();
        return true;
    default:
        ShowEntryHint();
        return false;
    }
    // A page that could not move leaves the typed text, and the status that says why.
    if (!failure) {
        TakeEntryFrom(CurrentRow());
        ShowEntryHint();
    }
    ResumeRefreshAfterTyping();
    return true;
}

void TMemoScreen::CopyLine() {
    const std::string text = Cell(2, CurrentRow());
    Platform::setClipboardText(RemoveSpaces(text).empty() ? Codec::sj("　") : text);
    SetStatus(Codec::sj("１行コピーを行いました"));
}
