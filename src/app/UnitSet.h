#pragma once

#include <QWidget>

// The database settings and user check dialog.
class TFormSet : public QWidget {
    Q_OBJECT
public:
    explicit TFormSet(QWidget* parent = nullptr);
};
