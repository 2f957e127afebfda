#include "memo/DialogStyle.h"

#include <QFont>
#include <QStringList>
#include <QWidget>

void MakeFixedDialog(QWidget* window, int clientWidth, int clientHeight) {
    window->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont font(QStringList{QString::fromUtf8("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"),
                           QStringLiteral("IPAGothic")});
    font.setPixelSize(13);
    window->setFont(font);
    window->setFixedSize(clientWidth, clientHeight);
}
