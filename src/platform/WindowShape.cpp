#include "platform/WindowShape.h"

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace WindowShape {

void setRoundedRegion(QWidget* window, int ellipseWidth, int ellipseHeight) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, window->width(), window->height()), ellipseWidth / 2.0,
                        ellipseHeight / 2.0);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void setOvalRegion(QWidget* button) {
    const QRect box(2, 2, button->width() - 4, button->height() - 4);
    button->setMask(QRegion(box, QRegion::Ellipse));
}

} // namespace WindowShape
