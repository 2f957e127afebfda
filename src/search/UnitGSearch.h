#pragma once

#include <QWidget>

// The global search across every pad the member may read.
class TFormGSearch : public QWidget {
    Q_OBJECT
public:
    explicit TFormGSearch(QWidget* parent = nullptr);
};
