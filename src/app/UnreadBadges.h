#pragma once

#include "app/ReadablePads.h"

#include <QObject>

class QLabel;
class QPushButton;
class QWidget;
class UnreadCounts;

// The unread counts beside the launcher's buttons: other members' pads beside
// the member pad chooser's, open and closed group pads beside theirs, the
// all-members pad beside its own. Each is a small label at the button's upper
// right corner, outside its oval, hidden while the count is 0; when the
// counts cannot be read it shows "?" and says why in its tool tip.
class UnreadBadges : public QObject {
    Q_OBJECT
public:
    UnreadBadges(QWidget* launcher, UnreadCounts* counts);

    // The badge beside the button for the pads of kind, placed for that button.
    void Place(PadKind kind, const QPushButton* button);
    QLabel* Badge(PadKind kind) const;

private:
    void Update();

    UnreadCounts* Counts;
    QLabel* Labels[4] = {};
};
