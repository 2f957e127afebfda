#pragma once

#include "choosers/GroupChooser.h"

// The open group chooser: the groups the member takes part in while they run to edit, every other open group
// to read.
class TForm1b : public TGroupChooser {
    Q_OBJECT
public:
    explicit TForm1b(QWidget* parent = nullptr);
};
