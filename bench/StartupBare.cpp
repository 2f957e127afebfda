// A bare Qt window, started and ended as the launcher's start-up program.
// With the argument --with-text it holds one button with a Japanese caption,
// so that the window's start includes loading the fonts, as the launcher's does.

#include "ShownSignal.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(352, 222);
    if (argc > 1 && std::strcmp(argv[1], "--with-text") == 0)
        (new QPushButton(QString::fromUtf8("まいめも(&1)"), &window))->setGeometry(24, 32, 145, 49);
    new ShownSignal(&window);
    window.show();
    return QApplication::exec();
}
