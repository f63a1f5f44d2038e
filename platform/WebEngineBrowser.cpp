#include "WebEngineBrowser.h"

#ifdef QJL_WEBENGINE

#include "Browser.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform {
namespace {

// A web view that fills the banner area. Loading is asynchronous: an unreachable server ends in the
// engine's own error page, and nothing waits for it.
class WebEngineBrowser final : public Browser {
public:
    explicit WebEngineBrowser(QWidget* parent) : Browser(parent), m_view(new QWebEngineView(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        // A banner, not a browser: no back, reload or inspect menu.
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
    }

    void Navigate(const QString& url) override {
        recordNavigation(url);
        m_view->load(QUrl(url));
    }

private:
    QWebEngineView* m_view;
};

} // namespace

void installWebBrowser() {
#ifdef Q_OS_UNIX
    // Chromium's sandbox cannot start as root, and without this the web view would end the program at once.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    // The engine's own pages (the error page of an unreachable banner) speak Chinese like the rest of the
    // program, whatever the system's language.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--lang"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + (flags.isEmpty() ? "" : " ") + "--lang=zh-CN");
    Browser::setFactory([](QWidget* parent) -> Browser* { return new WebEngineBrowser(parent); });
}

} // namespace platform

#else

namespace platform {

void installWebBrowser() {
    // Built without a web engine: Browser::create keeps handing out the blank view.
}

} // namespace platform

#endif
