#pragma once

class QWidget;

// Shows the window application-modal and returns when it has been hidden
// (closed) again; the other windows take no input meanwhile, though their
// timers keep running.
void ShowModal(QWidget* window);
