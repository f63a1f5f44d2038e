#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace platform {

void centreOnScreen(QWidget* window, QSize outerSize) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    if (outerSize.isEmpty())
        outerSize = window->size();
    window->move(screen->availableGeometry().center() - QPoint(outerSize.width() / 2, outerSize.height() / 2));
}

} // namespace platform
