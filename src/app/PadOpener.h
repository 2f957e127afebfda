#pragma once

#include "app/ReadablePads.h"

// Opens a readable pad the way its chooser does: another member's pad in the
// member pad viewer; a group pad after a fresh read of the group's row, in
// its editable screen while the member may edit it, else in its viewer; the
// all-members pad as the launcher opens it. While a modal window is open
// nothing else may be opened: that window comes to the front instead.
void OpenReadablePad(const ReadablePad& pad);
