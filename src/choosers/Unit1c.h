#pragma once

#include <QWidget>

// The closed group chooser.
class TForm1c : public QWidget {
    Q_OBJECT
public:
    explicit TForm1c(QWidget* parent = nullptr);
};
