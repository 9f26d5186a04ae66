#pragma once
// The program's pictures, drawn in code: the application icon, the four
// button icons and the banner over the window's top. Sizes are logical
// pixels; ratio is the screen's device pixel ratio, so a picture is drawn
// for the pixels it will cover (sharp at 150 % and 200 %).
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace brindle {

QPixmap DrawAppIcon(int size, qreal ratio = 1.0);
QPixmap DrawOpenIcon(int size, qreal ratio = 1.0);     // a folder
QPixmap DrawCloseIcon(int size, qreal ratio = 1.0);    // a red disc with a cross
QPixmap DrawSettingIcon(int size, qreal ratio = 1.0);  // a gear
QPixmap DrawUpdateIcon(int size, qreal ratio = 1.0);   // an arrow into the device
QPixmap DrawBanner(QSize size, qreal ratio = 1.0);     // sky, road and the device on the dashboard

// The application icon at the sizes desktops ask for.
QIcon AppIconSet();

}  // namespace brindle
