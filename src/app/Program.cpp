#include "app/Program.h"

#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Unit1.h"
#include "app/WindowStyle.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <iostream>

int RunProgram(int argc, char** argv, const std::function<void(QWidget* launcher)>& beforeShow) {
    if (const std::optional<int> status = CommandLine::Answer(argc, argv, std::cout))
        return *status;
    Platform::keepTerminationSignals();
    QApplication app(argc, argv);
    // The application name (message box titles fall back to it); a display
    // name would also be appended to every window caption.
    QApplication::setApplicationName(WindowStyle::text("キューブック／各PC用ツール"));
    // Qt's own texts (the file dialogs, the question before a file is
    // overwritten, the edit fields' menus) in Japanese, like the program's.
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    CreateForms();
    QObject::connect(forms().Form1, &TForm1::ProgramEnded, &app, [] { QCoreApplication::exit(0); });
    if (beforeShow)
        beforeShow(forms().Form1);
    forms().Form1->show();
    const int result = QApplication::exec();
    DestroyForms();
    return result;
}
