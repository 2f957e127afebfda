#pragma once

class QWidget;

// Window regions: the rounded window outline and the oval buttons.
namespace WindowShape {

// Visible region = rounded rectangle over the whole widget, corners drawn by a
// 50 x 50 ellipse.
void setRoundedRegion(QWidget* window, int ellipseWidth = 50, int ellipseHeight = 50);

// Visible region = the ellipse in the rectangle (2, 2)-(width - 2, height - 2).
void setOvalRegion(QWidget* button);

} // namespace WindowShape
