// The program's own start, ending once the launcher is shown.

#include "ShownSignal.h"

#include "app/Program.h"

int main(int argc, char** argv) {
    return RunProgram(argc, argv, [](QWidget* launcher) { new ShownSignal(launcher); });
}
