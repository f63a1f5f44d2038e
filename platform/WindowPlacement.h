#pragma once

#include <QSize>

class QWidget;

namespace platform {

// Moves a window so that its outer size (frame included; its own size when not given) is centred on the
// available area of its screen.
void centreOnScreen(QWidget* window, QSize outerSize = {});

} // namespace platform
