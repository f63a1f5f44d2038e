// The updater library as the program meets it: loaded at run time from the program's folder, called with
// the address of a small HTTP server on 127.0.0.1 that this test runs.

#include "LocalHttpServer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibrary>
#include <QMessageBox>
#include <QMutex>
#include <QTcpServer>
#include <QTest>

#include <cstdint>

namespace {

using DoUpdateFunction = int (*)(std::int32_t, const char*);
using BeginUpdateFunction = int (*)();
using NoticeHandler = void (*)(const char*, const char*, void*);
using SetNoticeHandlerFunction = void (*)(NoticeHandler, void*);
using PendingUpdateChecksFunction = int (*)();

const QString kRunning = QStringLiteral(QJL_RUNNING_VERSION);
const QString kDownload = QStringLiteral("http://downloads.example/qingjianlu-setup.exe");
const QString kUpdatePath = QStringLiteral("/SiteBack/updateTxt/32.txt");

struct Notice {
    QString title;
    QString text;
};

// Notices arrive on the library's own thread.
QMutex g_noticeMutex;
QList<Notice> g_notices;

void collectNotice(const char* title, const char* text, void*) {
    const QMutexLocker lock(&g_noticeMutex);
    g_notices.append({QString::fromUtf8(title), QString::fromUtf8(text)});
}

QList<Notice> notices() {
    const QMutexLocker lock(&g_noticeMutex);
    return g_notices;
}

QMessageBox* visibleMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

QByteArray updateText(const QString& version, const QString& download = kDownload) {
    return (version + QStringLiteral("\r\n") + download + QStringLiteral("\r\n")).toUtf8();
}

} // namespace

// Every check started so far has finished (and handed over its notice, if it had one).
#define WAIT_UNTIL_QUIET() QTRY_COMPARE_WITH_TIMEOUT(PendingUpdateChecks(), 0, 30000)

class TestUpdateLibrary : public QObject {
    Q_OBJECT
private:
    QLibrary m_library;
    DoUpdateFunction DoUpdate = nullptr;
    BeginUpdateFunction BeginUpdate = nullptr;
    SetNoticeHandlerFunction SetNoticeHandler = nullptr;
    PendingUpdateChecksFunction PendingUpdateChecks = nullptr;
    QStringList m_events;

    // Calls DoUpdate and notes its return in the shared event record before the server can note anything.
    int callDoUpdate(const QByteArray& address, std::int32_t window = 0) {
        const int result = DoUpdate(window, address.constData());
        m_events.append(QStringLiteral("returned"));
        return result;
    }

private slots:
    void initTestCase() {
        // The library is looked up where the program looks for it: in the folder of the executable.
        m_library.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/update"));
        QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
        DoUpdate = reinterpret_cast<DoUpdateFunction>(m_library.resolve("DoUpdate"));
        BeginUpdate = reinterpret_cast<BeginUpdateFunction>(m_library.resolve("BeginUpdate"));
        SetNoticeHandler = reinterpret_cast<SetNoticeHandlerFunction>(m_library.resolve("SetNoticeHandler"));
        PendingUpdateChecks = reinterpret_cast<PendingUpdateChecksFunction>(m_library.resolve("PendingUpdateChecks"));
        QVERIFY(DoUpdate && BeginUpdate && SetNoticeHandler && PendingUpdateChecks);
    }
    void init() {
        SetNoticeHandler(collectNotice, nullptr);
        const QMutexLocker lock(&g_noticeMutex);
        g_notices.clear();
        m_events.clear();
    }
    void cleanup() { WAIT_UNTIL_QUIET(); }

    void answerDecidesWhetherANoticeComes_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("newVersion"); // empty: no notice
        QTest::addColumn<QString>("download");

        const QString newer = QStringLiteral("999.0.0");
        QTest::newRow("newer version") << LocalHttpServer::ok(updateText(newer)) << newer << kDownload;
        QTest::newRow("newer in a fourth part") << LocalHttpServer::ok(updateText(kRunning + QStringLiteral(".1")))
                                                << kRunning + QStringLiteral(".1") << kDownload;
        QTest::newRow("same version") << LocalHttpServer::ok(updateText(kRunning)) << QString() << QString();
        QTest::newRow("same version, trailing zero")
            << LocalHttpServer::ok(updateText(kRunning + QStringLiteral(".0"))) << QString() << QString();
        QTest::newRow("older version") << LocalHttpServer::ok(updateText(QStringLiteral("0.0.1"))) << QString()
                                       << QString();
        QTest::newRow("byte-order mark, LF lines, blanks")
            << LocalHttpServer::ok("\xEF\xBB\xBF  " + newer.toUtf8() + " \n\t" + kDownload.toUtf8() + "  \n") << newer
            << kDownload;
        const QString chineseDownload = QStringLiteral("http://downloads.example/青简录 安装.exe");
        QTest::newRow("download address in Chinese")
            << LocalHttpServer::ok(updateText(newer, chineseDownload)) << newer << chineseDownload;
        QTest::newRow("third line ignored")
            << LocalHttpServer::ok(updateText(newer) + "whatever\r\n") << newer << kDownload;

        QTest::newRow("not found") << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n" + updateText(newer)) << QString()
                                   << QString();
        QTest::newRow("no address line") << LocalHttpServer::ok(newer.toUtf8() + "\r\n") << QString() << QString();
        QTest::newRow("empty address line")
            << LocalHttpServer::ok(newer.toUtf8() + "\r\n\r\n") << QString() << QString();
        QTest::newRow("version with letters")
            << LocalHttpServer::ok(updateText(QStringLiteral("999.0beta"))) << QString() << QString();
        QTest::newRow("address with a control character")
            << LocalHttpServer::ok(updateText(newer, QStringLiteral("http://x/\x01y"))) << QString() << QString();
        QTest::newRow("address not UTF-8")
            << LocalHttpServer::ok(newer.toUtf8() + "\r\nhttp://x/\xB8\xFC\r\n") << QString() << QString();
        QTest::newRow("empty body") << LocalHttpServer::ok(QByteArray()) << QString() << QString();
        QTest::newRow("web page") << LocalHttpServer::ok("<html><body>999.0.0<br>\nhttp://x/</body></html>")
                                  << QString() << QString();
        QTest::newRow("oversized answer")
            << LocalHttpServer::ok(updateText(newer) + QByteArray(200 * 1024, 'x')) << QString() << QString();
    }
    void answerDecidesWhetherANoticeComes() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, newVersion);
        QFETCH(QString, download);
        LocalHttpServer server;
        server.events = &m_events;
        QVERIFY(server.listen());
        server.setAnswer(answer);

        QCOMPARE(callDoUpdate(server.address(kUpdatePath).toLatin1()), 1);
        WAIT_UNTIL_QUIET();

        // The server answered only after the call had returned, and the answer still counted.
        QCOMPARE(m_events,
                 QStringList({QStringLiteral("returned"), QStringLiteral("request"), QStringLiteral("answered")}));
        const QList<Notice> shown = notices();
        if (newVersion.isEmpty()) {
            QVERIFY(shown.isEmpty());
        } else {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].title, QStringLiteral("青简录"));
            QVERIFY2(shown[0].text.contains(newVersion), qPrintable(shown[0].text));
            QVERIFY2(shown[0].text.contains(download), qPrintable(shown[0].text));
        }
    }

    void asksForTheHandedAddressWithAPlainGet() {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setAnswer(LocalHttpServer::ok(updateText(kRunning)));
        callDoUpdate(server.address(kUpdatePath + QStringLiteral("?v=1")).toLatin1());
        WAIT_UNTIL_QUIET();
        QCOMPARE(server.requests().size(), 1);
        const QList<QByteArray> lines = server.requests()[0].split('\n');
        QVERIFY(lines[0].startsWith("GET /SiteBack/updateTxt/32.txt?v=1 HTTP/1."));
        QVERIFY(lines.contains("Host: 127.0.0.1:" + QByteArray::number(server.port()) + '\r'));
    }

    void closedPortGivesNothing() {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        QCOMPARE(callDoUpdate(QStringLiteral("http://127.0.0.1:%1/SiteBack/updateTxt/32.txt").arg(port).toLatin1()), 1);
        WAIT_UNTIL_QUIET();
        QVERIFY(notices().isEmpty());
    }

    void silentServerIsGivenUpWithoutANotice() {
        LocalHttpServer server;
        server.events = &m_events;
        QVERIFY(server.listen());
        server.setMode(LocalHttpServer::Mode::Hold);

        callDoUpdate(server.address(kUpdatePath).toLatin1());
        QTRY_COMPARE(server.requests().size(), 1);
        // The call came back while its request was still unanswered, and the check goes on in the background.
        QCOMPARE(PendingUpdateChecks(), 1);
        QCOMPARE(m_events.first(), QStringLiteral("returned"));

        // The library gives up on its own; the server never answered.
        WAIT_UNTIL_QUIET();
        QTRY_COMPARE(server.clientsLeft(), 1);
        QCOMPARE(server.answered(), 0);
        QVERIFY(notices().isEmpty());
    }

    void unusableAddressStartsNoRequest_data() {
        QTest::addColumn<QString>("address"); // %1: the server's port
        QTest::newRow("other scheme") << QStringLiteral("ftp://127.0.0.1:%1/SiteBack/updateTxt/32.txt");
        QTest::newRow("no host") << QStringLiteral("http://:%1/SiteBack/updateTxt/32.txt");
        QTest::newRow("port out of range") << QStringLiteral("http://127.0.0.1:%1999/SiteBack/updateTxt/32.txt");
        QTest::newRow("user in address") << QStringLiteral("http://me@127.0.0.1:%1/SiteBack/updateTxt/32.txt");
        QTest::newRow("not an address") << QStringLiteral("%1 青简录");
    }
    void unusableAddressStartsNoRequest() {
        QFETCH(QString, address);
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setAnswer(LocalHttpServer::ok(updateText(QStringLiteral("999.0"))));
        callDoUpdate(address.arg(server.port()).toUtf8());
        WAIT_UNTIL_QUIET();
        QVERIFY(server.requests().isEmpty());
        QVERIFY(notices().isEmpty());
    }

    void unresolvableHostGivesNothing() {
        QCOMPARE(callDoUpdate("http://update.qingjianlu.invalid/SiteBack/updateTxt/32.txt"), 1);
        WAIT_UNTIL_QUIET();
        QVERIFY(notices().isEmpty());
    }

    void missingAddressStartsNoCheck() {
        QCOMPARE(DoUpdate(0, nullptr), 0);
        QCOMPARE(DoUpdate(0, ""), 0);
        QCOMPARE(PendingUpdateChecks(), 0);
    }

    void beginUpdateDoesNothing() {
        QCOMPARE(BeginUpdate(), 0);
        QCOMPARE(PendingUpdateChecks(), 0);
        QVERIFY(notices().isEmpty());
    }

    void withoutAHandlerTheNoticeIsANonModalBox() {
        SetNoticeHandler(nullptr, nullptr);
        QWidget window;
        window.resize(600, 400);
        window.show();
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setAnswer(LocalHttpServer::ok(updateText(QStringLiteral("999.1"))));

        callDoUpdate(server.address(kUpdatePath).toLatin1(), static_cast<std::int32_t>(window.winId()));
        QTRY_VERIFY_WITH_TIMEOUT(visibleMessageBox(), 30000);
        QMessageBox* box = visibleMessageBox();
        QCOMPARE(box->windowTitle(), QStringLiteral("青简录"));
        QVERIFY(box->text().contains(QStringLiteral("999.1")));
        QVERIFY(box->text().contains(kDownload));
        QVERIFY(!box->isModal());
        QCOMPARE(box->windowModality(), Qt::NonModal);
        // The test thread runs freely while the notice is up, and the main window still takes input.
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        box->close();
        QTRY_VERIFY(!visibleMessageBox());
    }
};

QTEST_MAIN(TestUpdateLibrary)
#include "tst_updatelibrary.moc"
