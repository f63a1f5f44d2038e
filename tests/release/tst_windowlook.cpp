// What every user sees first: each window carries the program's icon, keeps its designed proportions at the
// screen's DPI, and shows every caption and every line of text whole inside its control. CTest runs this at
// 100 %, and at 150 % and 200 % both as a device pixel ratio and as a larger logical DPI.
//
// With QJL_SCREENSHOT_DIR set it also saves each window as <window>_<scale>.png for the documentation
// (tests/release/screenshots.sh runs it under Xvfb at 100 %, 150 % and 200 %).

#include "TextFit.h"
#include "support/TestSupport.h"

#include "app/Globals.h"
#include "app/Passwords.h"
#include "app/SqlText.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "resources/ApplicationIcon.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultList.h"
#include "ui/login/FormLogin.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <cmath>

using platform::forms;

namespace {
const QString kUser = QStringLiteral("小林");
const QString kPassword = QStringLiteral("qingjian");

enum class Scene { Login, Registration, Main, Editor, Search };

// The scale in percent that screenshots are named by: the device pixel ratio times the share of the
// logical DPI over 96.
int scalePercent(const QWidget* window) {
    const QScreen* screen = window->screen();
    return int(std::lround(window->devicePixelRatioF() * screen->logicalDotsPerInch() / 96.0 * 100));
}
} // namespace

Q_DECLARE_METATYPE(Scene)

class TestWindowLook : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

    // Two accounts and five entries, written through one connection: opening the encrypted file for each
    // would make every test slow.
    void addSampleDiary() {
        auto db = m_diary->open();
        db->Execute(sql::insertUser(kUser, app::hashPassword(kPassword)));
        db->Execute(sql::insertUser(QStringLiteral("阿青"), app::hashPassword(QStringLiteral("x"))));
        const auto entry = [&](const char16_t* title, const char16_t* date, const char16_t* week,
                               const char16_t* weather, const QString& text) {
            db->Execute(sql::insertDiary(kUser, QString::fromUtf16(title), QString::fromUtf16(date),
                                         QString::fromUtf16(week), QString::fromUtf16(weather), text));
        };
        entry(u"开学第一天", u"2009-09-01", u"星期二", u"晴朗",
              QStringLiteral("今天是开学的第一天，天气很好。\r\n早上七点起床，吃过早饭就去学校了。\r\n"
                             "新同学们都很友善，下午还一起去图书馆借了书。"));
        entry(u"读书笔记", u"2009-09-01", u"星期二", u"多云", QStringLiteral("《诗经》读到了《蒹葭》。"));
        entry(u"秋雨", u"2009-09-05", u"星期六", u"小雨", QStringLiteral("下了一整天的雨，在家听雨写字。"));
        entry(u"雨后登山", u"2009-09-06", u"星期日", u"阵雨", QStringLiteral("雨停了就去爬山，山上云很低。"));
        entry(u"周末大扫除", u"2009-09-08", u"星期二", u"大雨", QStringLiteral("窗外大雨，屋里收拾得干干净净。"));
    }

    static void waitUntilShown(QWidget* window) {
        if (!QTest::qWaitForWindowExposed(window))
            qWarning("window not exposed");
        // Let pending layout and paint events run so the window is complete.
        QTest::qWait(50);
    }

    // The window of a scene, reached the way a user reaches it: signed in through the login window, an
    // entry clicked in the tree, the editor and the search window opened with the main window's buttons.
    QWidget* open(Scene scene) {
        auto* login = forms().show<Form_Login>();
        waitUntilShown(login);
        if (scene == Scene::Registration) {
            login->Command_Register->click();
            login->Text_RegUserName->setText(QStringLiteral("新用户"));
            login->Text_RegPassWord->setText(QStringLiteral("abc"));
            login->Text_RegPassWordC->setText(QStringLiteral("abc"));
            return login;
        }
        login->Combo_UserName->setEditText(kUser);
        login->Text_PassWord->setText(kPassword);
        if (scene == Scene::Login)
            return login;

        login->Command_Login->click();
        auto* view = forms().loaded<Form_View>();
        if (!view)
            return nullptr;
        waitUntilShown(view);
        showFirstEntry(view);
        if (scene == Scene::Main)
            return view;
        if (scene == Scene::Editor) {
            view->Command_Updata->click();
            auto* editor = forms().loaded<Form_Write>();
            if (editor)
                waitUntilShown(editor);
            return editor;
        }
        view->Command_Find->click();
        auto* find = forms().loaded<Form_Find>();
        if (!find)
            return nullptr;
        waitUntilShown(find);
        find->Combo_KeyWords->setCurrentIndex(3); // the weather choice
        find->Text_KeyWords->setText(QStringLiteral("雨"));
        find->Command_Find->click();
        const QRect row = find->ListView_Result->visualRect(find->ListView_Result->model()->index(1, 1));
        QTest::mouseClick(find->ListView_Result->viewport(), Qt::LeftButton, {}, row.center());
        return find;
    }

    // Opens the first date node and clicks its first entry, as a user does, so the pane shows it.
    static void showFirstEntry(Form_View* view) {
        DiaryTreeView* tree = view->TreeView_Diary;
        for (int i = 1; i <= tree->nodeCount(); ++i) {
            const DiaryNode* n = tree->node(i);
            if (!n->hasKey || !n->key.contains(QStringLiteral("id = ")))
                continue;
            tree->setExpanded(tree->nodes()->indexOfNode(n->parent), true);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->nodeRect(i).center());
            return;
        }
    }

    static void addScenes() {
        QTest::addColumn<Scene>("scene");
        QTest::newRow("login") << Scene::Login;
        QTest::newRow("registration") << Scene::Registration;
        QTest::newRow("main") << Scene::Main;
        QTest::newRow("editor") << Scene::Editor;
        QTest::newRow("search") << Scene::Search;
    }

private slots:
    void initTestCase() {
        // A run at another DPI must really have it, or it would test nothing new.
        if (qEnvironmentVariableIsSet("QJL_EXPECTED_DPI"))
            QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(),
                     qEnvironmentVariableIntValue("QJL_EXPECTED_DPI"));
        testsupport::enterTestMode();
        InitControlClasses();
    }
    void init() {
        testsupport::resetProgramState();
        m_diary = std::make_unique<testsupport::TempDiary>();
        addSampleDiary();
    }
    void cleanup() {
        forms().resetForTests();
        m_diary.reset();
    }

    void theInterfaceUsesAChineseFontAtNinePoints() {
        const QFont font = QApplication::font();
        QCOMPARE(font.pointSize(), 9);
        // The chosen family really draws Chinese: no ideograph of the captions falls back to another font.
        const QFontMetrics metrics(font);
        for (QChar c : QStringLiteral("青简录用户登陆你的姓名口令打开日记注册帐号：【】"))
            QVERIFY2(metrics.inFont(c), qPrintable(QStringLiteral("%1 has no %2").arg(font.family(), c)));
    }

    void everyWindowCarriesTheProgramIcon_data() { addScenes(); }
    void everyWindowCarriesTheProgramIcon() {
        QFETCH(Scene, scene);
        QWidget* window = open(scene);
        QVERIFY(window);
        const QIcon icon = window->windowIcon();
        QVERIFY(!icon.isNull());
        for (int size : resources::applicationIconSizes()) {
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
            // Each size is its own drawing, not another size scaled.
            const auto premultiplied = QImage::Format_ARGB32_Premultiplied;
            const QImage drawn =
                QImage(QStringLiteral(":/icons/qingjianlu-%1.png").arg(size)).convertToFormat(premultiplied);
            QCOMPARE(icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(premultiplied), drawn);
        }
    }

    void windowsKeepTheirDesignedProportions_data() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QSize>("designedTwips");
        // The main window is left out: its smallest size, in pixels, is larger than its design at 96 dpi.
        QTest::newRow("login") << Scene::Login << QSize(5535, 2625);
        QTest::newRow("editor") << Scene::Editor << QSize(9255, 6735);
        QTest::newRow("search") << Scene::Search << QSize(10575, 5970);
    }
    void windowsKeepTheirDesignedProportions() {
        QFETCH(Scene, scene);
        QFETCH(QSize, designedTwips);
        QWidget* window = open(scene);
        QVERIFY(window);
        // A twip is 1/1440 inch at the screen's logical DPI, whatever the scale.
        const double dpi = window->screen()->logicalDotsPerInch();
        const QSize expected(int(std::lround(designedTwips.width() * dpi / 1440)),
                             int(std::lround(designedTwips.height() * dpi / 1440)));
        QVERIFY2(qAbs(window->width() - expected.width()) <= 1 && qAbs(window->height() - expected.height()) <= 1,
                 qPrintable(QStringLiteral("%1x%2, expected %3x%4 at %5 dpi")
                                .arg(window->width())
                                .arg(window->height())
                                .arg(expected.width())
                                .arg(expected.height())
                                .arg(dpi)));
    }

    // A label grown for its caption stays centred on its designed line, level with the box beside it.
    void grownLabelsKeepTheirDesignedMiddle_data() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("designedTop");
        QTest::newRow("login name") << Scene::Login << QStringLiteral("Label_UserName") << 520;
        QTest::newRow("login password") << Scene::Login << QStringLiteral("Label_PassWord") << 1120;
        QTest::newRow("register confirm") << Scene::Registration << QStringLiteral("Label_RegPassWordC") << 1365;
        QTest::newRow("main title") << Scene::Main << QStringLiteral("Label_Title") << 1245;
        QTest::newRow("main weather") << Scene::Main << QStringLiteral("Label_WeatherL") << 1635;
    }
    void grownLabelsKeepTheirDesignedMiddle() {
        QFETCH(Scene, scene);
        QFETCH(QString, name);
        QFETCH(int, designedTop);
        QWidget* window = open(scene);
        QVERIFY(window);
        auto* label = window->findChild<QLabel*>(name);
        QVERIFY(label);
        const int designedHeight = 180;
        const double middle = platform::Twips::toPixels(designedTop + designedHeight / 2.0, label);
        const QRect placed = label->geometry();
        QVERIFY2(placed.height() >= platform::Twips::toPixels(designedHeight, label), "shrunk");
        QVERIFY2(qAbs((placed.top() + placed.height() / 2.0) - middle) <= 1.0,
                 qPrintable(QStringLiteral("top %1 height %2, designed middle %3")
                                .arg(placed.top())
                                .arg(placed.height())
                                .arg(middle)));
    }

    void everyTextFitsItsControl_data() { addScenes(); }
    void everyTextFitsItsControl() {
        QFETCH(Scene, scene);
        QWidget* window = open(scene);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        const QStringList clipped = textfit::clippedTexts(window);
        QVERIFY2(clipped.isEmpty(), qPrintable(QLatin1Char('\n') + clipped.join(QLatin1Char('\n'))));
    }

    // Not a check: the pictures in docs/screenshots, when asked for.
    void saveScreenshots_data() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QString>("name");
        QTest::newRow("login") << Scene::Login << QStringLiteral("login");
        QTest::newRow("main") << Scene::Main << QStringLiteral("main");
        QTest::newRow("editor") << Scene::Editor << QStringLiteral("editor");
        QTest::newRow("search") << Scene::Search << QStringLiteral("search");
    }
    void saveScreenshots() {
        const QString folder = qEnvironmentVariable("QJL_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("QJL_SCREENSHOT_DIR not set");
        QFETCH(Scene, scene);
        QFETCH(QString, name);
        QWidget* window = open(scene);
        QVERIFY(window);
        if (auto* focus = QApplication::focusWidget())
            focus->clearFocus(); // no blinking text cursor caught half-way
        QTest::qWait(100);
        QDir().mkpath(folder);
        const QString file = QStringLiteral("%1_%2.png").arg(name).arg(scalePercent(window));
        QVERIFY(window->grab().save(QDir(folder).filePath(file)));
    }
};

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
