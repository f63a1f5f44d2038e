#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace platform {

void centreOnScreen(QWidget* window, QSize outerSize) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QPoint framePosition =
        screen->availableGeometry().center() - QPoint(outerSize.width() / 2, outerSize.height() / 2);
    // Once the window manager has framed the window, the platform window places the frame with the frame it
    // knows now; the widget's own copy of the frame may still be the one from before.
    QWindow* handle = window->windowHandle();
    if (handle && !handle->frameMargins().isNull())
        handle->setFramePosition(framePosition);
    else
        window->move(framePosition);
}

} // namespace platform
