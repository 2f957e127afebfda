#pragma once

#include <functional>

class QWidget;

// The program from its command line to its end: answers --help and
// --version, otherwise creates the windows, shows the launcher and runs until
// the launcher closes. beforeShow, when given, sees the launcher just before
// it is shown (the start-up benchmark watches it).
int RunProgram(int argc, char** argv, const std::function<void(QWidget* launcher)>& beforeShow = {});
