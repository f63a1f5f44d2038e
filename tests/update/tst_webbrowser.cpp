// The real banner view (Qt WebEngine): it shows a page from a server, and an unreachable server neither
// blocks nor breaks the window.

#include "LocalHttpServer.h"
#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "platform/WebEngineBrowser.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

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
        testsupport::enterTestMode();
        platform::forms().setOnLastUnloaded([] {});
        InitControlClasses();
        update::setUpdateCallObserverForTests([](quint32, const QString&) {});
    }
    void init() {
        platform::Browser::clearNavigations();
        m_window = new QWidget;
        m_window->resize(640, 200);
        m_window->show();
    }
    void cleanup() {
        delete m_window;
        platform::forms().resetForTests();
        app::resetGlobals();
    }
    void cleanupTestCase() {
        platform::Browser::setFactory(nullptr);
        update::setUpdateCallObserverForTests(nullptr);
    }

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

    void bothWindowsWorkWithTheirBannersUnreachable() {
        testsupport::TempDiary diary;
        CurrentUser = QStringLiteral("zhang");
        Form_View* view = platform::forms().show<Form_View>();
        auto* mainBanner = view->WebBrowser_Ad->findChild<QWebEngineView*>();
        QVERIFY(mainBanner);
        QSignalSpy mainFinished(mainBanner, &QWebEngineView::loadFinished);
        QTRY_COMPARE_WITH_TIMEOUT(mainFinished.size(), 1, 60000);
        QVERIFY(view->isVisible());
        // With the default maker's host the page fails to load (the engine shows its error page); either
        // way the window has gone on working meanwhile.

        view->Command_Insert_Click();
        auto* editor = platform::forms().loaded<Form_Write>();
        QVERIFY(editor);
        auto* editorBanner = editor->WebBrowser_Ad->findChild<QWebEngineView*>();
        QVERIFY(editorBanner);
        QSignalSpy editorFinished(editorBanner, &QWebEngineView::loadFinished);
        QTRY_COMPARE_WITH_TIMEOUT(editorFinished.size(), 1, 60000);
        QVERIFY(platform::forms().unload<Form_Write>());
        QVERIFY(platform::forms().isLoaded<Form_View>());
        QCOMPARE(platform::Browser::navigations(),
                 QStringList({update::bannerAddress(update::BannerPage::MainWindow),
                              update::bannerAddress(update::BannerPage::Editor),
                              update::bannerAddress(update::BannerPage::MainWindow)}));
    }
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
