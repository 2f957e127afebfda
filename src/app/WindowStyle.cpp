#include "app/WindowStyle.h"

#include "text/Codec.h"

#include <QFontDatabase>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

namespace WindowStyle {

QString text(const char* utf8) {
    return Codec::toQString(Codec::sj(utf8));
}

QFont gothicFont(int pixelSize) {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : {text("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP")})
            if (installed.contains(candidate))
                return candidate;
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

void setFixedFrame(QWidget* window, int clientWidth, int clientHeight) {
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window->setFixedSize(clientWidth, clientHeight);
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void pressOnEnter(QPushButton* button) {
    button->setAutoDefault(true);
}

} // namespace WindowStyle
