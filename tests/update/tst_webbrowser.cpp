// The real banner view (Qt WebEngine): it shows a page from a server, and an unreachable server neither
// blocks nor breaks the window.

#include "LocalHttpServer.h"
#include "platform/Browser.h"
#include "platform/WebEngineBrowser.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <unistd.h>

class TestWebBrowser : public QObject {
    Q_OBJECT
private:
    QWidget* m_window = nullptr;

    platform::Browser* openBanner() {
        auto* browser = platform::Browser::create(m_window);
        browser->setObjectName(QStringLiteral("WebBrowser_Ad"));
        browser->setGeometry(0, 0, 617, 65);
        return browser;
    }

private slots:
    void initTestCase() {
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        platform::installWebBrowser();
    }
    void init() {
        platform::Browser::clearNavigations();
        m_window = new QWidget;
        m_window->resize(640, 200);
        m_window->show();
    }
    void cleanup() { delete m_window; }
    void cleanupTestCase() { platform::Browser::setFactory(nullptr); }

    void sandboxIsOffWhenRunningAsRoot() {
        if (::geteuid() != 0)
            QSKIP("not running as root");
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));
    }

    void showsThePageFromTheServer() {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setAnswer("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
                         "<html><head><title>banner</title></head><body>青简录</body></html>");
        platform::Browser* browser = openBanner();
        auto* view = browser->findChild<QWebEngineView*>();
        QVERIFY(view);
        const QString address = server.address(QStringLiteral("/ad/201072632_1.html"));

        browser->Navigate(address);

        QCOMPARE(platform::Browser::navigations(), QStringList{address});
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("banner"), 60000);
        // The page itself was asked for (the engine may also ask for an icon).
        QVERIFY(server.requests()[0].startsWith("GET /ad/201072632_1.html HTTP/1.1"));
    }

    void unreachableServerEndsWithoutBlocking() {
        platform::Browser* browser = openBanner();
        auto* view = browser->findChild<QWebEngineView*>();
        QVERIFY(view);
        QSignalSpy finished(view, &QWebEngineView::loadFinished);
        const QString address = QStringLiteral("http://update.qingjianlu.invalid/ad/201072632_2.html");

        browser->Navigate(address);
        // Navigate only starts the load; the window keeps handling events while the engine gives up.
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished[0][0].toBool(), false);
        QCOMPARE(platform::Browser::navigations(), QStringList{address});
        QVERIFY(m_window->isVisible());
    }
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
