// The real banner view (Qt WebEngine): it shows the page it is sent to, and the program's own page when
// that page cannot be shown.

#include "LocalHttpServer.h"

#include "platform/Browser.h"
#include "platform/WebEngineBrowser.h"

#include <QTcpServer>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

#include <unistd.h>

namespace {
const QString kOwnPage =
    QStringLiteral("<html><head><title>青简录</title></head><body>那年今日 &lt;b&gt;雨&lt;/b&gt;</body></html>");

QString pageText(QWebEngineView* view) {
    QString text;
    bool done = false;
    view->page()->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 60000))
        return QStringLiteral("(no answer)");
    return text;
}
} // namespace

class TestWebBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        platform::installWebBrowser();
        // The engine's sandbox cannot run as root: there it must be off, or no page would ever show.
        if (::geteuid() == 0)
            QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));
    }

    void showsThePageOrTheProgramsOwn_data() {
        QTest::addColumn<QByteArray>("answer"); // empty: nobody listens on the port
        QTest::addColumn<bool>("localHost");    // false: a host name that never resolves
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("the maker's page")
            << LocalHttpServer::ok("<html><head><meta charset=\"utf-8\"><title>banner</title></head>"
                                   "<body>广告</body></html>")
            << true << QStringLiteral("banner") << QStringLiteral("广告");
        QTest::newRow("404") << QByteArray("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found") << true
                             << QStringLiteral("青简录") << QStringLiteral("那年今日 <b>雨</b>");
        QTest::newRow("500, empty") << QByteArray("HTTP/1.0 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n")
                                    << true << QStringLiteral("青简录") << QStringLiteral("那年今日 <b>雨</b>");
        QTest::newRow("refused") << QByteArray() << true << QStringLiteral("青简录")
                                 << QStringLiteral("那年今日 <b>雨</b>");
        QTest::newRow("name not found") << QByteArray() << false << QStringLiteral("青简录")
                                        << QStringLiteral("那年今日 <b>雨</b>");
    }
    void showsThePageOrTheProgramsOwn() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, localHost);
        QFETCH(QString, title);
        QFETCH(QString, text);

        std::unique_ptr<LocalHttpServer> server;
        QString address = QStringLiteral("http://update.qingjianlu.invalid/ad/201072632_1.html");
        if (localHost && !answer.isEmpty()) {
            server = std::make_unique<LocalHttpServer>(answer);
            address = server->address(QStringLiteral("/ad/201072632_1.html"));
        } else if (localHost) {
            QTcpServer closed; // a port that was free a moment ago: the connection is refused
            closed.listen(QHostAddress::LocalHost, 0);
            address = QStringLiteral("http://127.0.0.1:%1/ad/201072632_1.html").arg(closed.serverPort());
        }
        QWidget window;
        window.resize(300, 400);
        window.show();
        platform::Browser* browser = platform::Browser::create(&window);
        browser->resize(300, 400);
        browser->setFallbackPage(kOwnPage);
        auto* view = browser->findChild<QWebEngineView*>();
        QVERIFY(view);

        browser->Navigate(address);

        QTRY_COMPARE_WITH_TIMEOUT(view->title(), title, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(pageText(view), text, 60000);
        // The view still names the address it was sent to, and the page was asked for once, nothing else.
        QCOMPARE(view->url(), QUrl(address));
        if (server) {
            QCOMPARE(server->requests.size(), 1);
            QVERIFY(server->requests[0].startsWith("GET /ad/201072632_1.html HTTP/1.1"));
        }
        // Figures that come in later replace the program's own page where it shows; the maker's page stays.
        browser->setFallbackPage(QStringLiteral("<html><head><title>青简录</title></head><body>字数 8</body></html>"));
        const QString later = title == QStringLiteral("青简录") ? QStringLiteral("字数 8") : text;
        QTRY_COMPARE_WITH_TIMEOUT(pageText(view), later, 60000);
        QCOMPARE(view->url(), QUrl(address));
    }
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
