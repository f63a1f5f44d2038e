// The program's side of the update check and the banners: the addresses, and CallDoUpdate reaching the
// updater library beside the program.

#include "LocalHttpServer.h"
#include "platform/TextCodec.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QMutex>
#include <QTest>

namespace {

using NoticeHandler = void (*)(const char*, const char*, void*);
using SetNoticeHandlerFunction = void (*)(NoticeHandler, void*);
using PendingUpdateChecksFunction = int (*)();

QMutex g_noticeMutex;
QStringList g_notices;

void collectNotice(const char*, const char* text, void*) {
    const QMutexLocker lock(&g_noticeMutex);
    g_notices.append(QString::fromUtf8(text));
}

QStringList notices() {
    const QMutexLocker lock(&g_noticeMutex);
    return g_notices;
}

QList<QPair<quint32, QString>> g_observedCalls;
void observeCall(quint32 handle, const QString& address) {
    g_observedCalls.append({handle, address});
}

} // namespace

class TestUpdater : public QObject {
    Q_OBJECT
private:
    SetNoticeHandlerFunction SetNoticeHandler = nullptr;
    PendingUpdateChecksFunction PendingUpdateChecks = nullptr;

private slots:
    void initTestCase() {
        // The same library CallDoUpdate loads; the test reaches its notices through the library's handler.
        QLibrary library(QCoreApplication::applicationDirPath() + QStringLiteral("/update"));
        SetNoticeHandler = reinterpret_cast<SetNoticeHandlerFunction>(library.resolve("SetNoticeHandler"));
        PendingUpdateChecks = reinterpret_cast<PendingUpdateChecksFunction>(library.resolve("PendingUpdateChecks"));
        QVERIFY2(SetNoticeHandler && PendingUpdateChecks, qPrintable(library.errorString()));
        SetNoticeHandler(collectNotice, nullptr);
    }
    void init() {
        const QMutexLocker lock(&g_noticeMutex);
        g_notices.clear();
        g_observedCalls.clear();
    }
    void cleanup() {
        update::setUpdateCallObserverForTests(nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(PendingUpdateChecks(), 0, 30000);
    }

    void addressesAreOnTheMakersServer_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("path");
        QTest::newRow("main window banner")
            << update::bannerAddress(update::BannerPage::MainWindow) << QStringLiteral("/ad/201072632_1.html");
        QTest::newRow("editor banner") << update::bannerAddress(update::BannerPage::Editor)
                                       << QStringLiteral("/ad/201072632_2.html");
        QTest::newRow("update text") << update::updateTextAddress() << QStringLiteral("/SiteBack/updateTxt/32.txt");
    }
    void addressesAreOnTheMakersServer() {
        QFETCH(QString, address);
        QFETCH(QString, path);
        QCOMPARE(address, QStringLiteral(QJL_MAKER_HOST) + path);
        QVERIFY(address.startsWith(QLatin1String("http://")));
    }

    void callReachesTheLibraryBesideTheProgram() {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setAnswer(LocalHttpServer::ok("999.0.0\r\nhttp://downloads.example/setup.exe\r\n"));

        update::CallDoUpdate(0, server.address(QStringLiteral("/SiteBack/updateTxt/32.txt")));

        QTRY_COMPARE_WITH_TIMEOUT(notices().size(), 1, 30000);
        QVERIFY(notices()[0].contains(QStringLiteral("999.0.0")));
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(server.requests()[0].startsWith("GET /SiteBack/updateTxt/32.txt HTTP/1."));
    }

    void addressIsHandedOverInTheAnsiCodePage() {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setAnswer(LocalHttpServer::ok("0.1\r\nhttp://x/\r\n"));
        const QString path = QStringLiteral("/更新/32.txt");

        update::CallDoUpdate(0, server.address(path));

        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 30000);
        // The library sends the bytes it was given, percent-encoded: they must be GB18030, not UTF-8.
        const QByteArray expected = platform::TextCodec::toAnsi(path).toPercentEncoding("/.");
        QVERIFY2(server.requests()[0].startsWith("GET " + expected + " HTTP/1."), server.requests()[0].constData());
    }

    void observerSeesTheCallInsteadOfTheLibrary() {
        update::setUpdateCallObserverForTests(observeCall);

        update::CallDoUpdate(4242, update::updateTextAddress());

        QCOMPARE(g_observedCalls.size(), 1);
        QCOMPARE(g_observedCalls[0].first, 4242u);
        QCOMPARE(g_observedCalls[0].second, update::updateTextAddress());
        QCOMPARE(PendingUpdateChecks(), 0); // the library started no check
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
