#pragma once

#include <QIcon>
#include <QList>

namespace resources {

// The program's icon (green bamboo slips), built into the program in every size desktops use.
QIcon applicationIcon();
// The pixel sizes the icon is drawn in.
QList<int> applicationIconSizes();

} // namespace resources
