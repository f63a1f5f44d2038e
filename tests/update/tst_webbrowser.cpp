// The real banner view (Qt WebEngine): it shows the page it is sent to.

#include "LocalHttpServer.h"

#include "platform/Browser.h"
#include "platform/WebEngineBrowser.h"

#include <QTest>
#include <QWebEngineView>

#include <unistd.h>

class TestWebBrowser : public QObject {
    Q_OBJECT
private slots:
    void showsThePageFromTheServer() {
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        platform::installWebBrowser();
        // The engine's sandbox cannot run as root: there it must be off, or no page would ever show.
        if (::geteuid() == 0)
            QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));
        LocalHttpServer server(
            LocalHttpServer::ok("<html><head><title>banner</title></head><body>青简录</body></html>"));
        QWidget window;
        window.show();
        platform::Browser* browser = platform::Browser::create(&window);
        auto* view = browser->findChild<QWebEngineView*>();
        QVERIFY(view);

        browser->Navigate(server.address(QStringLiteral("/ad/201072632_1.html")));

        QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("banner"), 60000);
        // The page itself was asked for (the engine may also ask for an icon).
        QVERIFY(server.requests[0].startsWith("GET /ad/201072632_1.html HTTP/1.1"));
    }
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
