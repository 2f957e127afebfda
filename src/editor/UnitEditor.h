#pragma once

#include <QWidget>

class QTextEdit;

// The scratch editor that takes a whole pad for the clipboard or a file.
class TFormEditor : public QWidget {
    Q_OBJECT
public:
    explicit TFormEditor(QWidget* parent = nullptr);

    QTextEdit* RichEdit1 = nullptr;
};
