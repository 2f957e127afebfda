#pragma once

class QWidget;

// A fixed-size window with only the system menu and the minimise button, in
// the screens' Japanese font, sized by its client area.
void MakeFixedDialog(QWidget* window, int clientWidth, int clientHeight);
