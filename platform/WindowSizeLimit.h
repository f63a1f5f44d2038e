#pragma once

#include <QSize>

class QWidget;

namespace platform {

// Keeps a top-level window from being made smaller than a given outer size (frame and caption included)
// while the limit is installed. Larger sizes, maximising and minimising are unaffected.
class WindowSizeLimit {
public:
    static void install(QWidget* window, QSize minimumOuterSize);
    static void remove(QWidget* window);
    static bool isInstalled(const QWidget* window);
    // The frame the platform draws around the client area (zero where it reports none yet).
    static QSize frameExtent(const QWidget* window);
};

} // namespace platform
