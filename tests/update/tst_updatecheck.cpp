// The main window's update check and both windows' banners, driven through the real windows: one call
// about two seconds after each load of the main window, none after that, and the banner each load shows.

#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QTest>
#include <QTimer>

using platform::forms;

namespace {

const QString kHost = QStringLiteral(QJL_MAKER_HOST);

// The order in which update calls (with their arguments) and the test's own markers happened.
QStringList g_events;

QString call(quint32 handle, const QString& address) {
    return QStringLiteral("DoUpdate %1 %2").arg(handle).arg(address);
}
QString expectedCall(QWidget* window) {
    return call(static_cast<quint32>(window->winId()), kHost + QStringLiteral("/SiteBack/updateTxt/32.txt"));
}

// Notes name in the event record after ms milliseconds (a precise timer, so the order of markers and the
// window's own 2000 ms timer is certain).
void markAfter(int ms, const QString& name) {
    QTimer::singleShot(ms, Qt::PreciseTimer, qApp, [name] { g_events.append(name); });
}

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
        update::setUpdateCallObserverForTests(
            [](quint32 handle, const QString& address) { g_events.append(call(handle, address)); });
    }
    void init() {
        testsupport::resetProgramState();
        platform::Browser::clearNavigations();
        g_events.clear();
        m_diary = std::make_unique<testsupport::TempDiary>();
        CurrentUser = QStringLiteral("zhang");
    }
    void cleanup() {
        forms().resetForTests();
        m_diary.reset();
    }

    void updateIsCheckedOnceAboutTwoSecondsAfterLoad_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown main window") << true;
        QTest::newRow("main window loaded without showing") << false;
    }
    void updateIsCheckedOnceAboutTwoSecondsAfterLoad() {
        QFETCH(bool, shown);
        Form_View* view = shown ? forms().show<Form_View>() : forms().get<Form_View>();
        markAfter(1500, QStringLiteral("1.5 s"));
        markAfter(4100, QStringLiteral("4.1 s")); // past a second interval
        QVERIFY(g_events.isEmpty());              // not during the load itself

        QTRY_COMPARE_WITH_TIMEOUT(g_events.size(), 3, 10000);
        QCOMPARE(g_events, QStringList({QStringLiteral("1.5 s"), expectedCall(view), QStringLiteral("4.1 s")}));
        QCOMPARE(view->isVisible(), shown);
    }

    void eachReturnFromTheEditorChecksAgain_data() {
        QTest::addColumn<bool>("afterTheFirstCheck");
        QTest::newRow("left after the first check") << true;
        QTest::newRow("left before the first check") << false;
    }
    void eachReturnFromTheEditorChecksAgain() {
        QFETCH(bool, afterTheFirstCheck);
        Form_View* first = forms().show<Form_View>();
        QStringList expected;
        if (afterTheFirstCheck) {
            expected.append(expectedCall(first));
            QTRY_COMPARE_WITH_TIMEOUT(g_events, expected, 10000);
        }

        first->Command_Insert_Click();
        QVERIFY(forms().unload<Form_Write>());
        Form_View* second = forms().loaded<Form_View>();
        QVERIFY(second);
        markAfter(1500, QStringLiteral("1.5 s"));

        // Only the second load calls, after its own two seconds.
        expected << QStringLiteral("1.5 s") << expectedCall(second);
        QTRY_COMPARE_WITH_TIMEOUT(g_events.size(), expected.size(), 10000);
        QCOMPARE(g_events, expected);
        // Each load shows its window's banner once.
        const QString mainBanner = kHost + QStringLiteral("/ad/201072632_1.html");
        QCOMPARE(platform::Browser::navigations(),
                 QStringList({mainBanner, kHost + QStringLiteral("/ad/201072632_2.html"), mainBanner}));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
