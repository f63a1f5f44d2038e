#include "WindowSizeLimit.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace platform {
namespace {
constexpr const char* kFilterName = "qjl_window_size_limit";

// The platform limits the client area, so the client minimum is the outer minimum less the frame. The frame
// is known only once the window manager has framed the window (on X11 after the first show, when the window
// is reparented and moved into its frame), and it may change later (another screen, another decoration), so
// the minimum is worked out again whenever the reported frame differs from the one it was made for. The
// window manager may frame the window after its last move or resize, so the platform window's exposure is
// watched as well.
class LimitFilter : public QObject {
public:
    LimitFilter(QWidget* window, QSize outer, std::function<void()> frameChanged)
        : QObject(window), m_window(window), m_outer(outer), m_frameChanged(std::move(frameChanged)) {
        setObjectName(QLatin1String(kFilterName));
        m_previousMinimum = window->minimumSize();
        apply();
    }
    void apply() {
        m_frame = WindowSizeLimit::frameExtent(m_window);
        const QSize oldMinimum = m_window->minimumSize();
        const QSize minimum = (m_outer - m_frame).expandedTo(QSize(0, 0));
        // A window the old minimum held (it opened smaller than the limit) shrinks to the new one, so that it
        // stands at exactly the limit's outer size rather than a frame larger.
        const bool heldAtLimit =
            m_window->size() == oldMinimum && !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
        m_window->setMinimumSize(minimum);
        if (heldAtLimit && minimum != oldMinimum)
            m_window->resize(minimum);
        if (m_frameChanged)
            m_frameChanged();
    }
    QSize previousMinimum() const { return m_previousMinimum; }

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
        case QEvent::Expose:
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
        case QEvent::ActivationChange:
        case QEvent::ScreenChangeInternal:
        case QEvent::WinIdChange:
            if (WindowSizeLimit::frameExtent(m_window) != m_frame)
                apply();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QPointer<QWindow> m_platformWindow;
    QSize m_outer;
    std::function<void()> m_frameChanged;
    QSize m_previousMinimum;
    QSize m_frame;
};

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

void WindowSizeLimit::install(QWidget* window, QSize minimumOuterSize, std::function<void()> frameChanged) {
    remove(window);
    auto* filter = new LimitFilter(window, minimumOuterSize, std::move(frameChanged));
    window->installEventFilter(filter);
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
