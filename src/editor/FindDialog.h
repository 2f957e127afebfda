#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

// The find dialog of the scratch editor: a find text and "find next", forwards
// only, without match-case or whole-word options. It stays open beside its
// window and keeps its text between uses.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent);

    // The find text in code page 932.
    std::string FindText() const;

    QLineEdit* Edit1 = nullptr;
    QPushButton* ButtonFind = nullptr;
    QPushButton* ButtonCancel = nullptr;

signals:
    // The user asked for the next occurrence.
    void find();
};
