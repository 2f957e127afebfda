#pragma once

#include "choosers/GroupChooser.h"

// The closed group chooser: the member's running closed groups to edit, the member's ended ones to read;
// other closed groups are not offered.
class TForm1c : public TGroupChooser {
    Q_OBJECT
public:
    explicit TForm1c(QWidget* parent = nullptr);
};
