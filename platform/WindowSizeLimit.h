#pragma once

#include <QSize>

#include <functional>

class QWidget;

namespace platform {

// The one place that knows a top-level window's outer size (frame and caption included) as the window system
// reports it, and applies the window's rules that depend on it: a minimum outer size, centring on the screen
// when the window is first shown, and a layout that follows the outer size. The frame is known only once the
// window manager has framed the window (on X11 after the first show), and it changes later (maximised,
// restored, another screen or decoration), so every rule is applied again whenever the reported frame
// changes. Where the platform never reports a frame (offscreen) the rules run once, with the assumed frame.
class WindowSizeLimit {
public:
    struct Rules {
        // The window cannot be made smaller than this, frame included (empty: no limit). Larger sizes,
        // maximising and minimising are unaffected.
        QSize minimumOuterSize;
        // Centred on the available area of its screen by its outer size when first shown, and once more when
        // the window manager's frame arrives after that.
        bool centreWhenShown = false;
        // Until the window system reports a frame, count the one the style would draw (a border on every side
        // and a caption on top) rather than none.
        bool assumeStyleFrame = false;
        // Called whenever the reported frame changes, for a window whose layout follows its outer size.
        std::function<void()> frameChanged;
    };

    static void install(QWidget* window, Rules rules);
    // The main window's size limit: a minimum outer size, and its layout told of every new frame.
    static void install(QWidget* window, QSize minimumOuterSize, std::function<void()> frameChanged = {});
    // A window without a size limit: centred when shown, frameChanged told of every new frame.
    static void centreWhenShown(QWidget* window, std::function<void()> frameChanged = {});
    static void remove(QWidget* window);
    static bool isInstalled(const QWidget* window);

    // The frame the platform draws around the client area (zero where it reports none yet).
    static QSize frameExtent(const QWidget* window);
    // The frame counted in the window's outer size: the reported one once the window system has reported a
    // frame for the window (even a zero one, as a maximised window may have), else the one the rules assume.
    static QSize countedFrame(const QWidget* window);
    // The window's outer size: its client size and the counted frame.
    static QSize outerSize(const QWidget* window);
};

} // namespace platform
