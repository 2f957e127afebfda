#pragma once

#include <QTextEdit>

// A rich text control that holds at most a given number of characters
// (UTF-16 units, a line end counting one) in at most a given number of lines.
// Typing, input method commits, pasting and dropping stop at the limits and
// report it.
class LimitedTextEdit : public QTextEdit {
    Q_OBJECT
public:
    LimitedTextEdit(qsizetype limit, qsizetype lineLimit, QWidget* parent = nullptr);

    // The characters the control holds.
    qsizetype length() const;

signals:
    // Input was cut at a limit.
    void limitReached();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void RemoveExcess();

    const qsizetype Limit;
    const qsizetype LineLimit;
};
