// The updater library called as the program calls it, looking for it at run time in the program's folder, with
// addresses on a small HTTP server on 127.0.0.1 that this test runs.

#include "LocalHttpServer.h"
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
        QTest::addColumn<bool>("notice");
        const QString text = QStringLiteral("http://127.0.0.1:PORT/更新/32.txt");
        const auto ok = &LocalHttpServer::ok;
        QTest::newRow("newer version") << text << ok(kNewer) << true;
        QTest::newRow("same version") << text << ok(QJL_RUNNING_VERSION "\r\nhttp://x/\r\n") << false;
        QTest::newRow("binary garbage") << text << ok(QByteArray("\0\xff\r\n\x01", 5).repeated(800)) << false;
        QTest::newRow("not found") << text << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n" + kNewer) << false;
        QTest::newRow("oversized") << text << ok(kNewer + QByteArray(200 * 1024, 'x')) << false;
        QTest::newRow("server never answers") << text << QByteArray() << false;
        QTest::newRow("closed port") << QStringLiteral("http://127.0.0.1:CLOSED/a.txt") << ok(kNewer) << false;
        QTest::newRow("unresolvable host")
            << QStringLiteral("http://update.qingjianlu.invalid/") << ok(kNewer) << false;
        QTest::newRow("not an address") << QStringLiteral("PORT 青简录") << ok(kNewer) << false;
    }
    void answerDecidesWhetherANoticeComes() {
        QFETCH(QString, address);
        QFETCH(QByteArray, answer);
        QFETCH(bool, notice);
        const bool toServer = address.contains(QStringLiteral(":PORT/"));
        LocalHttpServer server(answer);
        const quint16 closedPort = LocalHttpServer().port(); // listened on, and closed again
        address.replace(QStringLiteral("CLOSED"), QString::number(closedPort));
        address.replace(QStringLiteral("PORT"), QString::number(server.port()));

        update::CallDoUpdate(0, address); // hands the address over in the ANSI code page (GB18030)
        WAIT_UNTIL_QUIET();               // every check gives up on its own, the one never answered too

        QCOMPARE(server.requests.size(), qsizetype(toServer));
        if (toServer)
            QVERIFY(server.requests[0].startsWith("GET /%B8%FC%D0%C2/32.txt HTTP/1."));
        QCOMPARE(g_notices, notice ? QStringList{kNotice} : QStringList());
    }

    void callsWithoutAnAddressDoNothing() {
        BeginUpdate();
        DoUpdate(0, nullptr);
        QCOMPARE(PendingUpdateChecks(), 0);
    }

    void withoutAHandlerTheNoticeIsANonModalBox() {
        SetNoticeHandler(nullptr, nullptr);
        QWidget window;
        window.show();
        LocalHttpServer server(LocalHttpServer::ok(kNewer));

        update::CallDoUpdate(window.winId(), server.address(QStringLiteral("/u.txt")));
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(box = qobject_cast<QMessageBox*>(QApplication::activeWindow()), 30000);
        QCOMPARE(box->windowTitle() + QLatin1Char('\n') + box->text(), kNotice);
        // The test thread runs freely while the notice is up, and the main window still takes input.
        QVERIFY(!QApplication::activeModalWidget());
        box->close();
    }
};

QTEST_MAIN(TestUpdateLibrary)
#include "tst_updatelibrary.moc"
