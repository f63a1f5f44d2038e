// The updater library called with addresses on a small HTTP server on 127.0.0.1 that this test runs, both
// directly and as the program calls it, looking for it at run time in the program's folder.

#include "LocalHttpServer.h"
#include "platform/TextCodec.h"
#include "update/Updater.h"
#include "update/libupdate/UpdateLibrary.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

namespace {

const QByteArray kNewer = "999.0.0\r\nhttp://downloads.example/青简录 安装.exe\r\n";
const QString kNotice =
    QStringLiteral("青简录\n青简录有新版本 999.0.0 了。\n下载地址：http://downloads.example/青简录 安装.exe");

// Title, line break, text. Written on the checks' own threads, read only once every check has finished.
QStringList g_notices;

void collectNotice(const char* title, const char* text, void*) {
    g_notices.append(QString::fromUtf8(title) + QLatin1Char('\n') + QString::fromUtf8(text));
}

QMessageBox* visibleMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

} // namespace

// Every check started so far has finished (and handed over its notice, if it had one).
#define WAIT_UNTIL_QUIET() QTRY_COMPARE_WITH_TIMEOUT(PendingUpdateChecks(), 0, 30000)

class TestUpdateLibrary : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetNoticeHandler(collectNotice, nullptr);
        g_notices.clear();
    }
    void cleanup() { WAIT_UNTIL_QUIET(); }

    void answerDecidesWhetherANoticeComes_data() {
        QTest::addColumn<QString>("address");   // PORT: the server's port, CLOSED: a port nobody listens on
        QTest::addColumn<QByteArray>("answer"); // empty: the server never answers
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("notice");
        const QString text = QStringLiteral("http://127.0.0.1:PORT/SiteBack/updateTxt/32.txt");
        const QByteArray same = QByteArray(QJL_RUNNING_VERSION) + "\r\nhttp://x/\r\n";
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage += static_cast<char>(i * 7919 % 251);
        QTest::newRow("newer version") << text << LocalHttpServer::ok(kNewer) << 1 << true;
        QTest::newRow("same version") << text << LocalHttpServer::ok(same) << 1 << false;
        QTest::newRow("older version") << text << LocalHttpServer::ok("0.0.1\r\nhttp://x/\r\n") << 1 << false;
        QTest::newRow("garbage") << text << LocalHttpServer::ok(garbage) << 1 << false;
        QTest::newRow("not found") << text << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n" + kNewer) << 1 << false;
        QTest::newRow("oversized") << text << LocalHttpServer::ok(kNewer + QByteArray(200 * 1024, 'x')) << 1 << false;
        QTest::newRow("server never answers") << text << QByteArray() << 1 << false;
        QTest::newRow("closed port") << QString(text).replace(QStringLiteral("PORT"), QStringLiteral("CLOSED"))
                                     << LocalHttpServer::ok(kNewer) << 0 << false;
        QTest::newRow("unresolvable host")
            << QStringLiteral("http://update.qingjianlu.invalid/SiteBack/updateTxt/32.txt")
            << LocalHttpServer::ok(kNewer) << 0 << false;
        QTest::newRow("other scheme") << QString(text).replace(QStringLiteral("http"), QStringLiteral("ftp"))
                                      << LocalHttpServer::ok(kNewer) << 0 << false;
        QTest::newRow("not an address") << QStringLiteral("PORT 青简录") << LocalHttpServer::ok(kNewer) << 0 << false;
    }
    void answerDecidesWhetherANoticeComes() {
        QFETCH(QString, address);
        QFETCH(QByteArray, answer);
        QFETCH(bool, notice);
        LocalHttpServer server(answer);
        quint16 closedPort = 0;
        {
            const LocalHttpServer probe;
            closedPort = probe.port();
        }
        address.replace(QStringLiteral("CLOSED"), QString::number(closedPort));
        address.replace(QStringLiteral("PORT"), QString::number(server.port()));

        DoUpdate(0, address.toUtf8().constData());
        WAIT_UNTIL_QUIET(); // every check gives up on its own, the one never answered too

        QTEST(int(server.requests.size()), "requests");
        if (!server.requests.isEmpty())
            QVERIFY(server.requests[0].startsWith("GET /SiteBack/updateTxt/32.txt HTTP/1."));
        QCOMPARE(g_notices, notice ? QStringList{kNotice} : QStringList());
    }

    void callsWithoutAnAddressDoNothing() {
        DoUpdate(0, nullptr);
        DoUpdate(0, "");
        BeginUpdate();
        QCOMPARE(PendingUpdateChecks(), 0);
    }

    // The program's call: the address reaches the library in the ANSI code page (GB18030), not as UTF-8.
    void programHandsTheAddressOverInTheAnsiCodePage() {
        LocalHttpServer server(LocalHttpServer::ok(kNewer));
        const QString path = QStringLiteral("/更新/32.txt");

        update::CallDoUpdate(0, server.address(path));

        WAIT_UNTIL_QUIET();
        QCOMPARE(g_notices, QStringList{kNotice});
        const QByteArray expected = platform::TextCodec::toAnsi(path).toPercentEncoding("/.");
        QVERIFY2(server.requests[0].startsWith("GET " + expected + " HTTP/1."), server.requests[0].constData());
    }

    void withoutAHandlerTheNoticeIsANonModalBox() {
        SetNoticeHandler(nullptr, nullptr);
        QWidget window;
        window.show();
        LocalHttpServer server(LocalHttpServer::ok(kNewer));

        DoUpdate(static_cast<int32_t>(window.winId()), server.address(QStringLiteral("/u.txt")).toLatin1().constData());
        QTRY_VERIFY_WITH_TIMEOUT(visibleMessageBox(), 30000);
        QMessageBox* box = visibleMessageBox();
        QCOMPARE(box->windowTitle() + QLatin1Char('\n') + box->text(), kNotice);
        // The test thread runs freely while the notice is up, and the main window still takes input.
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QVERIFY(!QApplication::activeModalWidget());
        box->close();
    }
};

QTEST_MAIN(TestUpdateLibrary)
#include "tst_updatelibrary.moc"
