#pragma once

#include <QWidget>

// The open group chooser.
class TForm1b : public QWidget {
    Q_OBJECT
public:
    explicit TForm1b(QWidget* parent = nullptr);
};
