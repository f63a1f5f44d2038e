// The main window's update check and both windows' banners, driven through the real windows: one call
// about two seconds after each load of the main window, none after that, and the banner each load shows.

#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QTest>
#include <QTimer>

using platform::forms;

namespace {

struct UpdateCall {
    quint32 handle;
    QString address;
};
QList<UpdateCall> g_calls;
// The order in which update calls and the test's own markers happened.
QStringList g_events;

void observeUpdateCall(quint32 handle, const QString& address) {
    g_calls.append({handle, address});
    g_events.append(QStringLiteral("DoUpdate"));
}

// Notes name in the event record after ms milliseconds (a precise timer, so the order of markers and the
// window's own 2000 ms timer is certain).
void markAfter(int ms, const QString& name) {
    QTimer::singleShot(ms, Qt::PreciseTimer, qApp, [name] { g_events.append(name); });
}

const QString kMainBanner = QStringLiteral("/ad/201072632_1.html");
const QString kEditorBanner = QStringLiteral("/ad/201072632_2.html");

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

    Form_View* openView() {
        CurrentUser = QStringLiteral("zhang");
        return forms().show<Form_View>();
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
        update::setUpdateCallObserverForTests(observeUpdateCall);
    }
    void init() {
        testsupport::resetProgramState();
        platform::Browser::clearNavigations();
        g_calls.clear();
        g_events.clear();
        m_diary = std::make_unique<testsupport::TempDiary>();
    }
    void cleanup() {
        forms().resetForTests();
        m_diary.reset();
    }
    void cleanupTestCase() { update::setUpdateCallObserverForTests(nullptr); }

    void updateIsCheckedOnceAboutTwoSecondsAfterLoad_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown main window") << true;
        QTest::newRow("main window loaded without showing") << false;
    }
    void updateIsCheckedOnceAboutTwoSecondsAfterLoad() {
        QFETCH(bool, shown);
        CurrentUser = QStringLiteral("zhang");
        Form_View* view = shown ? forms().show<Form_View>() : forms().get<Form_View>();
        markAfter(1500, QStringLiteral("1.5 s"));
        markAfter(4100, QStringLiteral("4.1 s")); // past a second interval
        QVERIFY(g_calls.isEmpty());               // not during the load itself

        QTRY_COMPARE_WITH_TIMEOUT(g_calls.size(), 1, 10000);
        QCOMPARE(g_calls[0].handle, static_cast<quint32>(view->winId()));
        QCOMPARE(g_calls[0].address, update::updateTextAddress());
        QCOMPARE(view->isVisible(), shown);

        // Nothing more while the window stays open: the timer is off, and a further interval brings no call.
        QVERIFY(!view->Timer_Update->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(g_events.size(), 3, 10000);
        QCOMPARE(g_events, QStringList({QStringLiteral("1.5 s"), QStringLiteral("DoUpdate"), QStringLiteral("4.1 s")}));
        QVERIFY(forms().isLoaded<Form_View>());
    }

    void returningFromTheEditorChecksAgain() {
        Form_View* first = openView();
        QTRY_COMPARE_WITH_TIMEOUT(g_calls.size(), 1, 10000);
        const quint32 firstHandle = static_cast<quint32>(first->winId());

        first->Command_Insert_Click();
        QVERIFY(forms().isLoaded<Form_Write>());
        QVERIFY(!forms().isLoaded<Form_View>());
        QVERIFY(forms().unload<Form_Write>());
        Form_View* second = forms().loaded<Form_View>();
        QVERIFY(second);
        markAfter(1500, QStringLiteral("1.5 s"));
        QCOMPARE(g_calls.size(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(g_calls.size(), 2, 10000);
        QCOMPARE(g_events.last(), QStringLiteral("DoUpdate"));
        QCOMPARE(g_events.size(), 3); // the second call came after the 1.5 s marker of the second load
        QCOMPARE(g_calls[0].handle, firstHandle);
        QCOMPARE(g_calls[1].handle, static_cast<quint32>(second->winId()));
        QCOMPARE(g_calls[1].address, update::updateTextAddress());
    }

    void leavingBeforeTheTickChecksOnlyForTheNewLoad() {
        Form_View* first = openView();
        first->Command_Insert_Click();
        QVERIFY(forms().unload<Form_Write>());
        Form_View* second = forms().loaded<Form_View>();
        QVERIFY(second);

        // The first load's timer went with its window: the only call is the second load's.
        QTRY_COMPARE_WITH_TIMEOUT(g_calls.size(), 1, 10000);
        QCOMPARE(g_calls[0].handle, static_cast<quint32>(second->winId()));
    }

    void eachLoadShowsItsWindowsBannerOnce() {
        Form_View* view = openView();
        view->Command_Insert_Click();
        QVERIFY(forms().unload<Form_Write>());

        const QStringList navigations = platform::Browser::navigations();
        QCOMPARE(navigations, QStringList({update::bannerAddress(update::BannerPage::MainWindow),
                                           update::bannerAddress(update::BannerPage::Editor),
                                           update::bannerAddress(update::BannerPage::MainWindow)}));
        QVERIFY(navigations[0].endsWith(kMainBanner));
        QVERIFY(navigations[1].endsWith(kEditorBanner));
        QCOMPARE(forms().loaded<Form_View>()->WebBrowser_Ad->objectName(), QStringLiteral("WebBrowser_Ad"));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
