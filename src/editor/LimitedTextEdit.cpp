#include "editor/LimitedTextEdit.h"

#include "editor/TextFile.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

LimitedTextEdit::LimitedTextEdit(qsizetype limit, qsizetype lineLimit, QWidget* parent)
    : QTextEdit(parent), Limit(limit), LineLimit(lineLimit) {}

qsizetype LimitedTextEdit::length() const {
    // The document counts a paragraph separator after its last block as well.
    return document()->characterCount() - 1;
}

void LimitedTextEdit::keyPressEvent(QKeyEvent* event) {
    QTextEdit::keyPressEvent(event);
    RemoveExcess();
}

void LimitedTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    QTextEdit::inputMethodEvent(event);
    RemoveExcess();
}

// A text too long for the room left is cut before it goes in, so that a huge
// clipboard is never inserted whole.
void LimitedTextEdit::insertFromMimeData(const QMimeData* source) {
    if (!source)
        return;
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    const qsizetype room = Limit - length() + (end - start);
    const qsizetype lineEnds = LineLimit - document()->blockCount() +
                               document()->findBlock(end).blockNumber() -
                               document()->findBlock(start).blockNumber();
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString fitting = FitText(text, room, std::max<qsizetype>(lineEnds, 0));
    if (fitting.size() == text.size()) {
        QTextEdit::insertFromMimeData(source);
        RemoveExcess();
        return;
    }
    insertPlainText(fitting);
    emit limitReached();
}

// What an input left beyond the limits is what it put just before the caret.
void LimitedTextEdit::RemoveExcess() {
    const qsizetype excess = length() - Limit;
    const int extraLines = document()->blockCount() - static_cast<int>(LineLimit);
    if (excess <= 0 && extraLines <= 0)
        return;
    QTextCursor cursor = textCursor();
    const int end = cursor.position();
    int start = std::max(0, end - static_cast<int>(std::max<qsizetype>(excess, 0)));
    if (start > 0 && document()->characterAt(start).isLowSurrogate())
        --start;
    if (extraLines > 0) {
        // From the line end of the last line that may stay.
        QTextBlock kept = document()->findBlock(end);
        for (int i = 0; i < extraLines && kept.isValid(); ++i)
            kept = kept.previous();
        if (kept.isValid())
            start = std::min(start, kept.position() + kept.length() - 1);
    }
    cursor.joinPreviousEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
    emit limitReached();
}
