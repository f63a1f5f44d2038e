// The main window's minimum size under a real window manager, which draws a frame of its own around the
// client area and tells the program its size only after the window is shown. Run by minsize-wm.sh on the
// xcb platform under Xvfb and openbox; anywhere else (CTest's headless runs) it skips itself.
#include "support/Windows.h"

#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"

#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

namespace twips = platform::Twips;

class TestMinSizeUnderWindowManager : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    static constexpr QSize kLimit{1024, 486}; // the whole window, frame included
    Form_View* m_view = nullptr;

    QSize frame() const { return platform::WindowSizeLimit::frameExtent(m_view); }
    // The window has this outer size and is laid out for it: the tree ends 600 twips and the body 585 twips
    // above the bottom of the whole window.
    void verifyOuterSizeAndLayout(const QSize& outer) const {
        QCOMPARE(m_view->frameGeometry().size(), outer);
        const double h = twips::fromPixels(outer.height(), m_view);
        QCOMPARE(m_view->TreeView_Diary->height(), twips::toPixels(h - 600, m_view));
        QVERIFY(qAbs(m_view->RichTextBox_DiaryText->geometry().bottom() + 1 - twips::toPixels(h - 585, m_view)) <= 1);
    }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server with a window manager (tests/release/minsize-wm.sh)");
        startWindowTests();
        startWithDiary(QStringLiteral("张三"));
        m_view = platform::forms().show<Form_View>();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
        QTRY_VERIFY2_WITH_TIMEOUT(!frame().isEmpty(), "the window manager reported no frame", 5000);
        QTest::qWait(400); // the window manager has answered
    }
    void cleanupTestCase() { dropDiary(); }

    // Designed smaller than the limit, the window opens at it, laid out for its real outer size.
    void opensAtTheLimitLaidOutForItsFrame() {
        QCOMPARE(m_view->minimumSize(), kLimit - frame());
        verifyOuterSizeAndLayout(kLimit);
    }

    // Each a configure request the window manager must limit.
    void cannotBeMadeSmallerThanTheLimit_data() {
        QTest::addColumn<QSize>("asked");
        QTest::newRow("both too small") << QSize(300, 200);
        QTest::newRow("too narrow") << QSize(500, 700);
        QTest::newRow("too low") << QSize(1200, 300);
    }
    void cannotBeMadeSmallerThanTheLimit() {
        QFETCH(QSize, asked);
        m_view->resize(1200, 700);
        QTest::qWait(400); // the window manager has answered
        m_view->windowHandle()->resize(asked);
        QTest::qWait(400); // the window manager has answered
        verifyOuterSizeAndLayout(asked.expandedTo(kLimit - frame()) + frame());
    }

    // A message box with a short text is still wide enough for the window manager to show its title whole
    // beside the title bar's icon and buttons (each about as wide as the bar is high), and its text keeps
    // clear of the edges.
    void messageBoxShowsItsTitleWhole() {
        platform::MessageBox::setTestMode(false);
        platform::MessageBox::Request notice;
        notice.text = QStringLiteral("好。");
        platform::MessageBox::showModeless(notice);
        platform::MessageBox::setTestMode(true);
        QMessageBox* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
                box = b;
        QVERIFY(box && QTest::qWaitForWindowExposed(box));
        QTRY_VERIFY_WITH_TIMEOUT(box->geometry().top() > box->frameGeometry().top(), 5000);
        QTest::qWait(400); // the window manager has answered
        const int titleBar = box->geometry().top() - box->frameGeometry().top();
        QFont bold = box->font();
        bold.setBold(true);
        const int title = QFontMetrics(bold).horizontalAdvance(platform::MessageBox::applicationTitle());
        QVERIFY2(box->width() >= title + 5 * titleBar,
                 qPrintable(
                     QStringLiteral("%1 px wide, title %2 px, bar %3 px").arg(box->width()).arg(title).arg(titleBar)));
        const QRect text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->geometry();
        QVERIFY(text.left() >= 8 && text.right() <= box->width() - 8);
        box->close();
    }
};

QTEST_MAIN(TestMinSizeUnderWindowManager)
#include "tst_minsizewm.moc"
