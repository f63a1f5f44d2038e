#include "WindowSizeLimit.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace platform {
namespace {
constexpr const char* kFilterName = "qjl_window_size_limit";

// The platform limits the client area, so the client minimum is the outer minimum less the frame. The frame
// is known only once the window manager has framed the window (on X11 after the first show, when the window
// is reparented and moved into its frame), and it may change later (another screen, another decoration), so
// the minimum is worked out again whenever the reported frame differs from the one it was made for.
class LimitFilter : public QObject {
public:
    LimitFilter(QWidget* window, QSize outer) : QObject(window), m_window(window), m_outer(outer) {
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
    }
    QSize previousMinimum() const { return m_previousMinimum; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window)
            return false;
        switch (event->type()) {
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
    QSize m_outer;
    QSize m_previousMinimum;
    QSize m_frame;
};

LimitFilter* findFilter(const QWidget* window) {
    return window->findChild<LimitFilter*>(QLatin1String(kFilterName), Qt::FindDirectChildrenOnly);
}
} // namespace

QSize WindowSizeLimit::frameExtent(const QWidget* window) {
    const QSize outer = window->frameGeometry().size();
    const QSize inner = window->geometry().size();
    return (outer - inner).expandedTo(QSize(0, 0));
}

void WindowSizeLimit::install(QWidget* window, QSize minimumOuterSize) {
    remove(window);
    auto* filter = new LimitFilter(window, minimumOuterSize);
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
