#include "WindowSizeLimit.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace platform {
namespace {
constexpr const char* kFilterName = "qjl_window_size_limit";

// Recomputes the client minimum whenever the frame may have changed (first show, moves between screens).
class LimitFilter : public QObject {
public:
    LimitFilter(QWidget* window, QSize outer) : QObject(window), m_window(window), m_outer(outer) {
        setObjectName(QLatin1String(kFilterName));
        m_previousMinimum = window->minimumSize();
        apply();
    }
    void apply() {
        const QSize frame = WindowSizeLimit::frameExtent(m_window);
        m_window->setMinimumSize((m_outer - frame).expandedTo(QSize(0, 0)));
    }
    QSize previousMinimum() const { return m_previousMinimum; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal ||
                                    event->type() == QEvent::WinIdChange))
            apply();
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QSize m_outer;
    QSize m_previousMinimum;
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
