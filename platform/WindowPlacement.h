#pragma once

#include <QSize>

class QWidget;

namespace platform {

// Moves a window so that a rectangle of its outer size (frame and caption included) is centred on the
// available area of its screen; the window's position is that of its frame.
void centreOnScreen(QWidget* window, QSize outerSize);

} // namespace platform
