#pragma once

#include <QSize>

#include <functional>

class QWidget;

namespace platform {

// Keeps a top-level window from being made smaller than a given outer size (frame and caption included)
// while the limit is installed. Larger sizes, maximising and minimising are unaffected.
class WindowSizeLimit {
public:
    // frameChanged, when given, is called whenever the frame the window system reports changes (the limit
    // has then been made again for it), for a window whose layout depends on its outer size.
    static void install(QWidget* window, QSize minimumOuterSize, std::function<void()> frameChanged = {});
    static void remove(QWidget* window);
    static bool isInstalled(const QWidget* window);
    // The frame the platform draws around the client area (zero where it reports none yet).
    static QSize frameExtent(const QWidget* window);
};

} // namespace platform
