#include "WebEngineBrowser.h"

#ifdef QJL_WEBENGINE

#include "Browser.h"

#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform {
namespace {

// How long the maker's server may take before the program's own page is shown instead.
constexpr int kAnswerTimeoutMs = 10000;

// A web view that fills the banner area. Loading is asynchronous and nothing waits for it. When the
// requested page cannot be shown, the program's own page takes its place at once, without a second request:
// it is loaded as data under the requested address, so the view still names that address.
class WebEngineBrowser final : public Browser {
public:
    explicit WebEngineBrowser(QWidget* parent) : Browser(parent), m_view(new QWebEngineView(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        // A banner, not a browser: no back, reload or inspect menu, no error page naming the server, and no
        // request for a site icon that nobody sees.
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
        m_view->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        m_view->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        connect(m_view->page(), &QWebEnginePage::loadingChanged, this,
                [this](const QWebEngineLoadingInfo& info) { loadingChanged(info); });
        m_timeout.setSingleShot(true);
        m_timeout.setInterval(kAnswerTimeoutMs);
        connect(&m_timeout, &QTimer::timeout, this, [this] { showFallback(); });
    }

    void Navigate(const QString& url) override {
        recordNavigation(url);
        m_requested = QUrl(url);
        m_settled = false;
        m_showingFallback = false;
        m_timeout.start();
        m_view->load(m_requested);
    }

private:
    void fallbackPageChanged() override {
        if (m_showingFallback)
            m_view->setHtml(fallbackPage(), m_requested);
    }

    void loadingChanged(const QWebEngineLoadingInfo& info) {
        if (m_settled || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return; // the fallback's own loading, or not finished yet
        // A page that arrived carries its HTTP status (200); a status of 400 and up is the server's refusal.
        const bool httpError =
            info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain && info.errorCode() >= 400;
        const bool shown =
            info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage() && !httpError;
        if (shown) {
            m_settled = true;
            m_timeout.stop();
        } else {
            showFallback();
        }
    }

    void showFallback() {
        if (m_settled)
            return;
        m_settled = true;
        m_timeout.stop();
        m_view->stop();
        // The local page runs no script; it is data, never fetched, and names the requested address as its own.
        m_view->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        m_showingFallback = true;
        m_view->setHtml(fallbackPage(), m_requested);
    }

    QWebEngineView* m_view;
    QUrl m_requested;
    QTimer m_timeout;
    bool m_settled = true;
    bool m_showingFallback = false;
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
