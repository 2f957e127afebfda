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
    // The application name (message box titles fall back to it); a display
    // name would also be appended to every window caption.
    QApplication::setApplicationName(WindowStyle::text("キューブック／各PC用ツール"));
    CreateForms();
    QObject::connect(forms().Form1, &TForm1::ProgramEnded, &app, [] { QCoreApplication::exit(0); });
    forms().Form1->show();
    const int result = QApplication::exec();
    DestroyForms();
    return result;
}
