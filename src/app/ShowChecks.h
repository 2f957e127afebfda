#pragma once

class QWidget;

// The checks with which every memo screen and chooser starts when it is
// shown, in this order: the database settings are complete, the window's own
// member test passes, the connection is made. The first that fails shows its
// message box over window (a failed connection also clears DatabaseLocation,
// so that every window asks for the settings again); true when all passed.
// With keepOpenConnection a connection that is still open is used as it is
// instead of being made anew.
bool ConnectOnShow(QWidget* window, bool (*memberTest)(), bool keepOpenConnection = false);
