#pragma once

struct Forms;

// Ties the windows to the launcher's unread counts once they all exist: the
// memo screens tell the counts which pads they show and up to which line,
// the choosers' lists show the counts of their pads, and every memo screen
// shows who wrote each line.
void AttachUnreadViews(Forms& forms);
