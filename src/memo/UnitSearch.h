#pragma once

#include <QDialog>

// The find dialog, one instance shared by every memo screen.
class TFormSearch : public QDialog {
    Q_OBJECT
public:
    explicit TFormSearch(QWidget* parent = nullptr);
};
