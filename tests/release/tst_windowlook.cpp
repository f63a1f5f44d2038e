// What every user sees first: each window carries the program's icon in every size, drawn for that size, and
// shows every caption and line of text whole inside its control. CTest runs this at 100 %, and at 150 % and
// 200 % both as a device pixel ratio and as a larger logical DPI. With QJL_SCREENSHOT_DIR and
// QJL_SCREENSHOT_SCALE set (screenshots.sh) it also saves each window as <window>_<scale>.png.

#include "support/Windows.h"

#include "app/Passwords.h"
#include "platform/Twips.h"
#include "platform/WebEngineBrowser.h"
#include "resources/ApplicationIcon.h"

#include <QScreen>
#include <QStyleOptionButton>

namespace {
// Each line of text a control shows that does not fit whole where the control draws it, and each label
// whose text runs to the window's edge. A line edit scrolls
// sideways, so there only the height must fit.
QStringList clippedTexts(const QWidget* window) {
    QStringList clipped;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        QRect room;
        QStringList texts;
        auto* edit = qobject_cast<const QLineEdit*>(w);
        if (auto* label = qobject_cast<const QLabel*>(w); label && !label->wordWrap()) {
            room = label->contentsRect();
            texts << label->text();
        } else if (auto* button = qobject_cast<const QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            texts << button->text().remove('&');
        } else if (edit) {
            room = edit->contentsRect().marginsRemoved(edit->textMargins()).adjusted(0, 1, 0, -1);
            texts << QStringLiteral("日记正文") << edit->displayText(); // what a user types, what is shown
        } else if (auto* combo = qobject_cast<const QComboBox*>(w); combo && !combo->isEditable()) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i); // every choice shows here once picked
        }
        const QFontMetricsF metrics(w->font());
        for (const QString& text : texts)
            if (!text.isEmpty() && (metrics.tightBoundingRect(text).height() > room.height() + 0.5 ||
                                    (!edit && metrics.horizontalAdvance(text) > room.width() + 0.5)))
                clipped << QStringLiteral("%1 \"%2\" in %3x%4")
                               .arg(w->objectName(), text)
                               .arg(room.width())
                               .arg(room.height());
        // A label's text keeps the windows' side margin (120 twips, 8 pixels at 100 %) from the window's edges.
        if (qobject_cast<const QLabel*>(w) && !texts.isEmpty() && !texts.first().isEmpty()) {
            const int left = w->mapTo(window, room.topLeft()).x();
            const int margin = platform::Twips::toPixels(120, window) - 1;
            if (left < margin || left + metrics.horizontalAdvance(texts.first()) > window->width() - margin)
                clipped << QStringLiteral("%1 \"%2\" at the window's edge").arg(w->objectName(), texts.first());
        }
    }
    return clipped;
}
} // namespace

class TestWindowLook : public QObject, WindowFixture {
    Q_OBJECT
private:
    // The window of a scene, reached the way a user reaches it: signed in through the login window, an entry
    // clicked, the editor and the search window opened with the main window's buttons.
    QWidget* open(const QString& scene) {
        auto* login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText(QStringLiteral("zhang"));
        login->Text_PassWord->setText(QStringLiteral("qingjian"));
        if (scene == QLatin1String("registration"))
            login->Command_Register->click();
        if (scene == QLatin1String("login") || scene == QLatin1String("registration"))
            return login;
        login->Command_Login->click();
        auto* view = forms().loaded<Form_View>();
        view->TreeView_Diary->setExpanded(view->TreeView_Diary->nodes()->indexOfNode(1), true);
        leftClickNode(view, 2);
        if (scene == QLatin1String("main"))
            return view;
        if (scene == QLatin1String("editor")) {
            view->Command_Updata->click();
            return forms().loaded<Form_Write>();
        }
        view->Command_Find->click();
        auto* find = forms().loaded<Form_Find>();
        find->Combo_KeyWords->setCurrentIndex(3); // the weather
        find->Text_KeyWords->setText(QStringLiteral("雨"));
        find->Command_Find->click();
        return find;
    }

private slots:
    void initTestCase() {
        // A run at another DPI must really have it, or it would test nothing new.
        if (qEnvironmentVariableIsSet("QJL_EXPECTED_DPI"))
            QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(),
                     qEnvironmentVariableIntValue("QJL_EXPECTED_DPI"));
        startWindowTests();
        // The chosen font really draws Chinese: no ideograph of the captions falls back to another font.
        for (QChar c : QStringLiteral("青简录用户登陆你的姓名口令打开日记注册帐号：【】"))
            QVERIFY2(QFontMetrics(QApplication::font()).inFont(c), qPrintable(c));
    }
    void init() {
        startWithDiary();
        // Screenshots show the real banners: the maker's server is not reached, so the program's own pages.
        if (qEnvironmentVariableIsSet("QJL_SCREENSHOT_DIR"))
            platform::installWebBrowser();
        m_diary->addUser(QStringLiteral("zhang"), app::hashPassword(QStringLiteral("qingjian")));
        addSampleDiary(*m_diary->open());
        // A year ago today, for the main window's banner.
        m_diary->addEntry(QStringLiteral("zhang"), QStringLiteral("中秋前的一场秋雨，凉了整条街"),
                          QStringLiteral("2008-09-08"), QStringLiteral("星期一"), QStringLiteral("小雨"),
                          QStringLiteral("雨。"));
    }
    void cleanup() { dropDiary(); }

    void everyWindowCarriesTheIconAndShowsEveryTextWhole_data() {
        QTest::addColumn<QString>("scene");
        for (const char* scene : {"login", "registration", "main", "editor", "search"})
            QTest::newRow(scene) << QString::fromLatin1(scene);
    }
    void everyWindowCarriesTheIconAndShowsEveryTextWhole() {
        QFETCH(QString, scene);
        QWidget* window = open(scene);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        const auto format = QImage::Format_ARGB32_Premultiplied;
        for (int size : resources::applicationIconSizes()) // each size its own drawing, not another size scaled
            QCOMPARE(window->windowIcon().pixmap(QSize(size, size), 1.0).toImage().convertToFormat(format),
                     QImage(QStringLiteral(":/icons/qingjianlu-%1.png").arg(size)).convertToFormat(format));
        const QStringList clipped = clippedTexts(window);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));

        if (const QString folder = qEnvironmentVariable("QJL_SCREENSHOT_DIR"); !folder.isEmpty()) {
            if (QObject* banner = window->findChild<QObject*>(QStringLiteral("WebBrowser_Ad"))) {
                for (QObject* view : banner->findChildren<QObject*>())
                    if (view->metaObject()->indexOfProperty("title") >= 0)
                        QTRY_COMPARE_WITH_TIMEOUT(view->property("title").toString(), QStringLiteral("青简录"), 60000);
                QTest::qWait(1000); // drawn
            }
            QVERIFY(window->grab().save(
                QStringLiteral("%1/%2_%3.png").arg(folder, scene, qEnvironmentVariable("QJL_SCREENSHOT_SCALE"))));
        }
    }
};

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
