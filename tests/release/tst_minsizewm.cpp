// The windows under a real window manager, which draws a frame of its own around the client area and tells
// the program its size only after the window is shown (and again when it is maximised or restored): every
// window centred by its outer size, the main window's minimum size, and the layouts that follow the outer
// size. Run by minsize-wm.sh on the xcb platform under Xvfb and openbox; anywhere else (CTest's headless
// runs) it skips itself.
#include "support/Windows.h"

#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"

#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

namespace twips = platform::Twips;

namespace {
// The window's outer rectangle as the window system has it now, frame and caption included.
QRect outer(const QWidget* window) {
    return window->windowHandle()->frameGeometry();
}
// Until the window manager has framed the window and answered whatever was asked of it.
bool settled(QWidget* window) {
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    const bool framed = QTest::qWaitFor([window] { return !platform::WindowSizeLimit::frameExtent(window).isNull(); });
    QTest::qWait(400);
    return framed;
}
bool near(int a, int b) {
    return qAbs(a - b) <= 1;
}
} // namespace

class TestMinSizeUnderWindowManager : public QObject, WindowFixture {
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
        QVERIFY2(settled(m_view), "the window manager reported no frame");
    }
    void cleanupTestCase() { dropDiary(); }

    // Each window, first shown, stands in the middle of the screen's available area, frame and caption
    // included (the main window as the start of this test opened it).
    void windowsCentredByTheirOuterSize_data() {
        QTest::addColumn<QString>("window");
        for (const char* window : {"Form_View", "Form_Login", "Form_Write", "Form_Find"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }
    void windowsCentredByTheirOuterSize() {
        QFETCH(QString, window);
        QWidget* shown = m_view;
        if (window == QLatin1String("Form_Login"))
            shown = forms().show<Form_Login>();
        else if (window == QLatin1String("Form_Write"))
            shown = forms().show<Form_Write>();
        else if (window == QLatin1String("Form_Find"))
            shown = forms().show<Form_Find>();
        QVERIFY(settled(shown));
        const QRect rect = outer(shown);
        const QPoint offCentre = rect.center() - shown->screen()->availableGeometry().center();
        if (shown != m_view)
            forms().unload(static_cast<platform::Form*>(shown));
        QVERIFY2(qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2,
                 qPrintable(QStringLiteral("%1 px right, %2 px low").arg(offCentre.x()).arg(offCentre.y())));
    }

    // The search list and the main window's controls follow the outer size at open, maximised and restored.
    void layoutsFollowTheOuterSize_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<Qt::WindowState>("state"); // NoState: at open, or restored after the row before
        QTest::addColumn<bool>("closedAfter");
        for (const char* window : {"Form_Find", "Form_View"}) {
            const QString name = QString::fromLatin1(window);
            QTest::addRow("%s at open", window) << name << Qt::WindowNoState << false;
            QTest::addRow("%s maximised", window) << name << Qt::WindowMaximized << false;
            QTest::addRow("%s restored", window) << name << Qt::WindowNoState << true;
        }
    }
    void layoutsFollowTheOuterSize() {
        QFETCH(QString, window);
        QFETCH(Qt::WindowState, state);
        QFETCH(bool, closedAfter);
        QWidget* shown =
            window == QLatin1String("Form_Find") ? static_cast<QWidget*>(forms().show<Form_Find>()) : m_view;
        if (state == Qt::WindowMaximized)
            shown->showMaximized();
        else if (shown->isMaximized())
            shown->showNormal();
        QVERIFY(settled(shown));
        QCOMPARE(shown->isMaximized(), state == Qt::WindowMaximized);
        const QRect rect = outer(shown);
        const double w = twips::fromPixels(rect.width(), shown), h = twips::fromPixels(rect.height(), shown);
        if (auto* find = qobject_cast<Form_Find*>(shown)) {
            // Taller than the client can hold where the formula asks it: the window clips it.
            const QRect list = find->ListView_Result->geometry();
            QVERIFY(near(list.width(), twips::toPixels(w - 100, find)));
            QVERIFY(near(list.height(), twips::toPixels(h - (find->isMaximized() ? 830 : 810), find)));
            if (closedAfter)
                forms().unload(find);
            return;
        }
        // The tree ends 600 twips above the bottom, the banner's right edge 200 twips left of the right edge and
        // its bottom 630 above the bottom; title, date and body end 100 twips left of the banner.
        const int right = m_view->WebBrowser_Ad->geometry().left() - twips::toPixels(100, m_view);
        QVERIFY(near(m_view->TreeView_Diary->height(), twips::toPixels(h - 600, m_view)));
        QVERIFY(near(m_view->WebBrowser_Ad->geometry().right() + 1, twips::toPixels(w - 200, m_view)));
        QVERIFY(near(m_view->WebBrowser_Ad->geometry().bottom() + 1, twips::toPixels(h - 630, m_view)));
        for (const QWidget* control :
             {static_cast<QWidget*>(m_view->Text_Title), static_cast<QWidget*>(m_view->Label_DateWeek),
              static_cast<QWidget*>(m_view->RichTextBox_DiaryText)})
            QVERIFY2(near(control->geometry().right() + 1, right), qPrintable(control->objectName()));
    }

    // Designed smaller than the limit, the window opens at it, laid out for its real outer size; then each a
    // configure request the window manager must limit.
    void cannotBeMadeSmallerThanTheLimit_data() {
        QTest::addColumn<QSize>("asked"); // invalid: as opened
        QTest::newRow("at open") << QSize();
        QTest::newRow("both too small") << QSize(300, 200);
        QTest::newRow("too narrow") << QSize(500, 700);
        QTest::newRow("too low") << QSize(1200, 300);
    }
    void cannotBeMadeSmallerThanTheLimit() {
        QFETCH(QSize, asked);
        QCOMPARE(m_view->minimumSize(), kLimit - frame());
        if (asked.isValid()) {
            m_view->resize(1200, 700);
            QTest::qWait(400); // the window manager has answered
            m_view->windowHandle()->resize(asked);
            QTest::qWait(400); // the window manager has answered
        }
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
