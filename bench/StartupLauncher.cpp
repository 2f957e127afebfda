// The program's start as src/app/main.cpp does it, ending once the launcher is shown.

#include "ShownSignal.h"

#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Unit1.h"
#include "app/WindowStyle.h"
#include "platform/Platform.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    if (const std::optional<int> status = CommandLine::Answer(argc, argv, std::cout))
        return *status;
    Platform::keepTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(WindowStyle::text("キューブック／各PC用ツール"));
    CreateForms();
    new ShownSignal(forms().Form1);
    forms().Form1->show();
    return QApplication::exec();
}
