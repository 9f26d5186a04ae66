#pragma once
// The program's pictures, drawn in code: the application icon, the four
// button icons and the banner over the window's top.
#include <QPixmap>
#include <QSize>

namespace brindle {

QPixmap DrawAppIcon(int size);
QPixmap DrawOpenIcon(int size);     // a folder
QPixmap DrawCloseIcon(int size);    // a red disc with a cross
QPixmap DrawSettingIcon(int size);  // a gear
QPixmap DrawUpdateIcon(int size);   // an arrow into the device
QPixmap DrawBanner(QSize size);     // sky, road and the device on the dashboard

}  // namespace brindle
