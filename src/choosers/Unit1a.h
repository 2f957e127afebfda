#pragma once

#include <QWidget>

// The member pad chooser: edit the own pad or read another member's.
class TForm1a : public QWidget {
    Q_OBJECT
public:
    explicit TForm1a(QWidget* parent = nullptr);
};
