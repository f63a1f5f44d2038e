// The main window's update check and both windows' banners, driven through the real windows: one call
// about two seconds after each load of the main window, none after that, and the banner each load shows.

#include "support/Windows.h"

#include <QTimer>

namespace {

const QString kHost = QStringLiteral(QJL_MAKER_HOST);
const QString kUpdateText = kHost + QStringLiteral("/SiteBack/updateTxt/32.txt");

// The order in which update calls (window handle and address) and the test's own markers happened.
QStringList g_events;

} // namespace

class TestUpdateCheck : public QObject, WindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() {
        startWindowTests();
        update::setUpdateCallObserverForTests(
            [](quint32 handle, const QString& address) { g_events << QString::number(handle) + ' ' + address; });
    }
    void init() {
        startWithDiary(QStringLiteral("zhang"));
        platform::Browser::clearNavigations();
        g_events.clear();
    }
    void cleanup() { dropDiary(); }

    void eachLoadChecksOnceAboutTwoSecondsLater_data() {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("toEditor"); // 0: stays; 1: leaves for the editor and back before its check; 2: after
        QTest::newRow("shown main window") << true << 0;
        QTest::newRow("main window loaded without showing") << false << 0;
        QTest::newRow("back from the editor before the first check") << true << 1;
        QTest::newRow("back from the editor after the first check") << true << 2;
    }
    void eachLoadChecksOnceAboutTwoSecondsLater() {
        QFETCH(bool, shown);
        QFETCH(int, toEditor);
        Form_View* view = shown ? forms().show<Form_View>() : forms().get<Form_View>();
        const auto expectedCall = [&view] { return QString::number(quint32(view->winId())) + ' ' + kUpdateText; };
        QStringList expected;
        if (toEditor == 2) {
            expected << expectedCall();
            QTRY_COMPARE_WITH_TIMEOUT(g_events, expected, 10000);
        }
        if (toEditor) {
            view->Command_Insert_Click();
            QVERIFY(forms().unload<Form_Write>());
            QVERIFY(view = forms().loaded<Form_View>());
        }
        // Markers on precise timers, so their order with the window's own 2000 ms timer is certain.
        QTimer::singleShot(1500, Qt::PreciseTimer, qApp, [] { g_events << QStringLiteral("1.5 s"); });
        QTimer::singleShot(4100, Qt::PreciseTimer, qApp, [] { g_events << QStringLiteral("4.1 s"); }); // 2nd interval
        QCOMPARE(g_events, expected); // not during the load itself

        // Only the last load calls, after its own two seconds.
        expected << QStringLiteral("1.5 s") << expectedCall() << QStringLiteral("4.1 s");
        QTRY_COMPARE_WITH_TIMEOUT(g_events.size(), expected.size(), 10000);
        QCOMPARE(g_events, expected);
        QCOMPARE(view->isVisible(), shown);
        // Each load shows its window's banner once.
        const QString banner = kHost + QStringLiteral("/ad/201072632_%1.html");
        QCOMPARE(platform::Browser::navigations(),
                 toEditor ? QStringList({banner.arg(1), banner.arg(2), banner.arg(1)}) : QStringList({banner.arg(1)}));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
