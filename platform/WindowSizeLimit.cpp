#include "WindowSizeLimit.h"

#include "WindowPlacement.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace platform {
namespace {
constexpr const char* kFilterName = "qjl_window_size_limit";

// Applies a window's rules and applies them again whenever the frame the window system reports differs from
// the one they were applied for. The platform limits the client area, so the client minimum is the outer
// minimum less the frame. The window manager may frame the window after its last move or resize, so the
// platform window's exposure is watched as well, and on X11 the window manager's own notices (see
// FrameNoticeFilter).
class LimitFilter : public QObject {
public:
    LimitFilter(QWidget* window, WindowSizeLimit::Rules rules)
        : QObject(window), m_window(window), m_rules(std::move(rules)) {
        setObjectName(QLatin1String(kFilterName));
        m_previousMinimum = window->minimumSize();
        liveFilters().append(this);
        apply();
    }
    ~LimitFilter() override { liveFilters().removeAll(this); }

    static QList<LimitFilter*>& liveFilters() {
        static QList<LimitFilter*> filters;
        return filters;
    }

    QSize countedFrame() const {
        if (m_frameReported)
            return m_frame;
        if (!m_rules.assumeStyleFrame)
            return {0, 0};
        const QStyle* style = m_window->style();
        const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, m_window);
        const int caption = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, m_window);
        return {2 * border, 2 * border + caption};
    }
    QSize previousMinimum() const { return m_previousMinimum; }

    // Runs once the events now queued have been handled (the platform has taken in what the window manager
    // said); several requests meanwhile make one check.
    void checkSoon() {
        if (m_checkQueued)
            return;
        m_checkQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_checkQueued = false;
                checkFrame();
            },
            Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window && watched != m_platformWindow)
            return false;
        if (watched == m_window && m_window->windowHandle() != m_platformWindow) {
            if (m_platformWindow)
                m_platformWindow->removeEventFilter(this);
            m_platformWindow = m_window->windowHandle();
            if (m_platformWindow)
                m_platformWindow->installEventFilter(this);
        }
        switch (event->type()) {
        case QEvent::Show:
            // Sent before the window is mapped: placed now, it opens where it belongs.
            if (watched == m_window && !event->spontaneous() && m_rules.centreWhenShown && !m_shown) {
                m_shown = true;
                centre();
                m_centreOnFrame = !m_frameReported;
            }
            checkFrame();
            break;
        case QEvent::Expose:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
        case QEvent::ActivationChange:
        case QEvent::ScreenChangeInternal:
        case QEvent::WinIdChange:
            checkFrame();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void checkFrame() {
        if (m_window && (WindowSizeLimit::frameExtent(m_window) != m_frame || minimumDue()))
            apply();
    }

    // A maximised, full-screen or minimised window cannot be dragged smaller, and a new minimum then would
    // have the window resized out of its state; its minimum is made for its frame once it is back to normal.
    bool normalState() const {
        return !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
    }
    // Restored, a window keeps its maximised frame until the window manager reports the normal one: only a
    // frame reported in the normal state makes the minimum.
    bool minimumDue() const {
        return !m_rules.minimumOuterSize.isEmpty() && normalState() && !m_frameFromOtherState &&
               m_minimumFor != m_frame;
    }

    void apply() {
        m_frame = WindowSizeLimit::frameExtent(m_window);
        m_frameReported = m_frameReported || !m_frame.isNull();
        if (m_frame != m_minimumFor)
            m_frameFromOtherState = !normalState();
        if (minimumDue())
            applyMinimum();
        if (m_centreOnFrame && m_frameReported) {
            m_centreOnFrame = false;
            if (normalState())
                centre();
        }
        if (m_rules.frameChanged)
            m_rules.frameChanged();
    }

    void applyMinimum() {
        m_minimumFor = m_frame;
        const QSize oldMinimum = m_window->minimumSize();
        const QSize minimum = (m_rules.minimumOuterSize - m_frame).expandedTo(QSize(0, 0));
        // A window the old minimum held (it opened smaller than the limit) shrinks to the new one, so that it
        // stands at exactly the limit's outer size rather than a frame larger.
        const bool heldAtLimit = m_window->size() == oldMinimum;
        m_window->setMinimumSize(minimum);
        if (heldAtLimit && minimum != oldMinimum)
            m_window->resize(minimum);
    }

    void centre() { centreOnScreen(m_window, m_window->size() + countedFrame()); }

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_platformWindow;
    WindowSizeLimit::Rules m_rules;
    QSize m_previousMinimum;
    QSize m_frame;
    QSize m_minimumFor{-1, -1}; // the frame the minimum was made for
    bool m_frameReported = false;
    bool m_frameFromOtherState = false;
    bool m_shown = false;
    bool m_centreOnFrame = false;
    bool m_checkQueued = false;
};

// On X11 the window manager announces a new frame in a property of the client window (_NET_FRAME_EXTENTS),
// which the platform notes without an event of its own; a maximised window may get it after its last
// resize. Every property, configure, reparent and map notice therefore has the windows check their frame.
class FrameNoticeFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override {
        (void)result;
        if (eventType != "xcb_generic_event_t" || !message)
            return false;
        // The first byte of every X event is its type (the top bit marks one sent by another client).
        constexpr unsigned char kMapNotify = 19, kReparentNotify = 21, kConfigureNotify = 22, kPropertyNotify = 28;
        const unsigned char type = *static_cast<const unsigned char*>(message) & 0x7F;
        if (type == kPropertyNotify || type == kConfigureNotify || type == kReparentNotify || type == kMapNotify)
            for (LimitFilter* filter : LimitFilter::liveFilters())
                filter->checkSoon();
        return false;
    }
};

void watchWindowManagerNotices() {
    static FrameNoticeFilter* filter = nullptr;
    if (filter || !QCoreApplication::instance())
        return;
    filter = new FrameNoticeFilter;
    QCoreApplication::instance()->installNativeEventFilter(filter);
}

LimitFilter* findFilter(const QWidget* window) {
    return window->findChild<LimitFilter*>(QLatin1String(kFilterName), Qt::FindDirectChildrenOnly);
}
} // namespace

QSize WindowSizeLimit::frameExtent(const QWidget* window) {
    // Asked of the platform window where there is one: the widget's own copy of the frame is renewed only on
    // a move or resize, which on X11 may all come before the window manager has framed the window.
    if (const QWindow* handle = window->windowHandle()) {
        const QMargins margins = handle->frameMargins();
        return QSize(margins.left() + margins.right(), margins.top() + margins.bottom()).expandedTo(QSize(0, 0));
    }
    const QSize outer = window->frameGeometry().size();
    const QSize inner = window->geometry().size();
    return (outer - inner).expandedTo(QSize(0, 0));
}

QSize WindowSizeLimit::countedFrame(const QWidget* window) {
    if (const LimitFilter* filter = findFilter(window))
        return filter->countedFrame();
    return frameExtent(window);
}

QSize WindowSizeLimit::outerSize(const QWidget* window) {
    return window->size() + countedFrame(window);
}

void WindowSizeLimit::install(QWidget* window, Rules rules) {
    remove(window);
    watchWindowManagerNotices();
    auto* filter = new LimitFilter(window, std::move(rules));
    window->installEventFilter(filter);
}

void WindowSizeLimit::install(QWidget* window, QSize minimumOuterSize, std::function<void()> frameChanged) {
    Rules rules;
    rules.minimumOuterSize = minimumOuterSize;
    rules.frameChanged = std::move(frameChanged);
    install(window, std::move(rules));
}

void WindowSizeLimit::centreWhenShown(QWidget* window, std::function<void()> frameChanged) {
    Rules rules;
    rules.centreWhenShown = true;
    rules.frameChanged = std::move(frameChanged);
    install(window, std::move(rules));
}

void WindowSizeLimit::remove(QWidget* window) {
    if (LimitFilter* filter = findFilter(window)) {
        window->removeEventFilter(filter);
        window->setMinimumSize(filter->previousMinimum());
        delete filter;
    }
}

bool WindowSizeLimit::isInstalled(const QWidget* window) {
    return findFilter(window) != nullptr;
}

} // namespace platform
