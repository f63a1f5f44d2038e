// The main window's minimum size under a real window manager, which draws a frame of its own around the
// client area and tells the program its size only after the window is shown. Run by minsize-wm.sh on the
// xcb platform under Xvfb and openbox; anywhere else (CTest's headless runs) it skips itself.
#include "support/TestSupport.h"

#include "app/Globals.h"
#include "app/SizeLimit.h"
#include "platform/FormRegistry.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"
#include "startup/Startup.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

using platform::WindowSizeLimit;
using platform::Twips::fromPixels;
using platform::Twips::toPixels;

class TestMinSizeUnderWindowManager : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    Form_View* m_view = nullptr;

    QSize outer() const { return m_view->frameGeometry().size(); }
    // The tree ends 600 twips and the body 585 twips above the bottom of the whole window.
    void verifyLayoutFollowsOuterSize() const {
        const double h = fromPixels(outer().height(), m_view);
        QCOMPARE(m_view->TreeView_Diary->height(), toPixels(h - 600, m_view));
        const QRect body = m_view->RichTextBox_DiaryText->geometry();
        QVERIFY(qAbs(body.y() + body.height() - toPixels(h - 585, m_view)) <= 1);
    }
    void settle() {
        QTest::qWait(400);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server with a window manager (tests/release/minsize-wm.sh)");
        testsupport::enterTestMode();
        InitControlClasses();
        m_diary = std::make_unique<testsupport::TempDiary>();
        CurrentUser = QStringLiteral("张三");
        m_view = platform::forms().show<Form_View>();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
        QTRY_VERIFY2_WITH_TIMEOUT(!WindowSizeLimit::frameExtent(m_view).isEmpty(),
                                  "the window manager reported no frame", 5000);
        settle();
        const QSize frame = WindowSizeLimit::frameExtent(m_view);
        qInfo("frame %dx%d, client %dx%d, outer %dx%d after opening", frame.width(), frame.height(), m_view->width(),
              m_view->height(), outer().width(), outer().height());
    }
    void cleanupTestCase() {
        platform::forms().resetForTests();
        m_diary.reset();
    }

    // Designed smaller than the limit, the window opens at it, laid out for its real outer size.
    void opensAtTheLimitLaidOutForItsFrame() {
        QCOMPARE(outer(), app::kMainWindowMinimumSize);
        QCOMPARE(m_view->minimumSize(), app::kMainWindowMinimumSize - WindowSizeLimit::frameExtent(m_view));
        verifyLayoutFollowsOuterSize();
    }

    void cannotBeMadeSmallerThanTheLimit_data() {
        QTest::addColumn<bool>("throughWindowManager");
        QTest::addColumn<QSize>("asked");
        QTest::newRow("widget, both too small") << false << QSize(300, 200);
        QTest::newRow("window manager, both too small") << true << QSize(300, 200);
        QTest::newRow("window manager, too narrow") << true << QSize(500, 700);
        QTest::newRow("window manager, too low") << true << QSize(1200, 300);
    }
    void cannotBeMadeSmallerThanTheLimit() {
        QFETCH(bool, throughWindowManager);
        QFETCH(QSize, asked);
        m_view->resize(1200, 700);
        settle();
        if (throughWindowManager)
            m_view->windowHandle()->resize(asked); // a configure request the window manager must limit
        else
            m_view->resize(asked);
        settle();
        const QSize expected = asked.expandedTo(app::kMainWindowMinimumSize - WindowSizeLimit::frameExtent(m_view)) +
                               WindowSizeLimit::frameExtent(m_view);
        qInfo("asked client %dx%d: outer %dx%d", asked.width(), asked.height(), outer().width(), outer().height());
        QCOMPARE(outer(), expected);
        verifyLayoutFollowsOuterSize();
    }
};

QTEST_MAIN(TestMinSizeUnderWindowManager)
#include "tst_minsizewm.moc"
