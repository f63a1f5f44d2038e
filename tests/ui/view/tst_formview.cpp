// The main window: the tree's shape, what clicks and the menu nodes do, the pop-up menu, load and unload,
// and how the layout follows the window's size.

#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/Browser.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/WindowSizeLimit.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTest>

using platform::forms;
using platform::MessageBox;
using testsupport::paneTexts;

namespace {
const QString kUser = QStringLiteral("zhang");

// The node table, one "index:parent:text:key" per node ("-": no key), "+" after an expanded node.
QStringList nodeTable(const DiaryTreeView* tree) {
    QStringList rows;
    for (int i = 1; i <= tree->nodeCount(); ++i) {
        const DiaryNode* n = tree->node(i);
        rows << QStringLiteral("%1:%2:%3:%4").arg(n->index).arg(n->parent).arg(n->text, n->hasKey ? n->key : "-") +
                    (tree->isExpanded(tree->nodes()->indexOfNode(i)) ? "+" : "");
    }
    return rows;
}

// The tree as the view's model shows it: children indented by two blanks.
void outline(const QAbstractItemModel* model, const QModelIndex& parent, const QString& indent, QStringList& rows) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        rows << indent + model->index(row, 0, parent).data().toString();
        outline(model, model->index(row, 0, parent), indent + QStringLiteral("  "), rows);
    }
}

QStringList g_updateAddresses;
void observeUpdate(quint32, const QString& address) {
    g_updateAddresses << address;
}
} // namespace

class TestFormView : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    int m_dialogsBefore = 0;

    int dialogsShown() const { return platform::FileDialog::shownCount() - m_dialogsBefore; }
    Form_View* openView() {
        CurrentUser = kUser;
        Form_View* view = forms().show<Form_View>();
        if (!QTest::qWaitForWindowExposed(view))
            qWarning("main window not exposed");
        return view;
    }
    // A real mouse click on the node's label, its date node opened first.
    static void click(Form_View* view, int index, Qt::MouseButton button = Qt::LeftButton) {
        DiaryTreeView* tree = view->TreeView_Diary;
        if (const int parent = tree->node(index)->parent)
            tree->setExpanded(tree->nodes()->indexOfNode(parent), true);
        QTest::mouseClick(tree->viewport(), button, {}, tree->nodeRect(index).center());
    }
    void addTwoDates() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"), QStringLiteral("星期二"),
                          QStringLiteral("晴"), QStringLiteral("第一行\r\n第二行"));
        m_diary->addEntry(kUser, QStringLiteral("二"), QStringLiteral("2009-09-07"));
    }

private slots:
    void initTestCase() {
        startWindowTests();
        update::setUpdateCallObserverForTests(&observeUpdate);
    }
    void init() {
        startWithDiary();
        platform::Browser::clearNavigations();
        g_updateAddresses.clear();
        m_dialogsBefore = platform::FileDialog::shownCount();
    }
    void cleanup() { dropDiary(); }

    void treeGroupsEntriesUnderTheirDates_data() {
        QTest::addColumn<QStringList>("entries"); // "user|title|date"
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("no entries: the four menu nodes")
            << QStringList{}
            << QStringList{"1:0:【暂无任何日记】:-", "2:0:您可以选择：:-", "3:0:1.新建日记:-", "4:0:2.导入文本:-"}
            << QStringList{"【暂无任何日记】", "您可以选择：", "1.新建日记", "2.导入文本"};
        QTest::newRow("dates A B A: A holds the first and third, only the first node open")
            << QStringList{"zhang|一|A", "zhang|二|B", "zhang|三|A"}
            << QStringList{"1:0:A:A+", "2:1:一:id = 1", "3:0:B:B", "4:3:二:id = 2", "5:1:三:id = 3"}
            << QStringList{"A", "  一", "  三", "B", "  二"};
        QTest::newRow("other accounts' entries never appear")
            << QStringList{"li|别人的|A", "zhang|我的|B", "wang|也是别人的|B"}
            << QStringList{"1:0:B:B+", "2:1:我的:id = 2"} << QStringList{"B", "  我的"};
        QTest::newRow("a key the tree already has is refused, the rest still shown")
            << QStringList{"zhang|一|id = 1", "zhang|二|A"}
            << QStringList{"1:0:id = 1:id = 1+", "2:0:A:A", "3:2:二:id = 2"} << QStringList{"id = 1", "A", "  二"};
        QTest::newRow("dates group by exact text")
            << QStringList{"zhang|x|2009-9-8", "zhang|y|2009-09-08"}
            << QStringList{"1:0:2009-9-8:2009-9-8+", "2:1:x:id = 1", "3:0:2009-09-08:2009-09-08", "4:3:y:id = 2"}
            << QStringList{"2009-9-8", "  x", "2009-09-08", "  y"};
        QTest::newRow("empty dates gather under a labelled node whose key is no entry key")
            << QStringList{"zhang|有日期|A", "zhang|无日期|"}
            << QStringList{"1:0:A:A+", "2:1:有日期:id = 1", "3:0:（无日期）:", "4:3:无日期:id = 2"}
            << QStringList{"A", "  有日期", "（无日期）", "  无日期"};
        QTest::newRow("titles are text: an apostrophe and a key-looking title")
            << QStringList{"zhang|it's|A", "zhang|id = 99|A"}
            << QStringList{"1:0:A:A+", "2:1:it's:id = 1", "3:1:id = 99:id = 2"}
            << QStringList{"A", "  it's", "  id = 99"};
    }
    void treeGroupsEntriesUnderTheirDates() {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, nodes);
        QFETCH(QStringList, shown);
        for (const QString& e : entries)
            m_diary->addEntry(e.section('|', 0, 0), e.section('|', 1, 1), e.section('|', 2, 2));
        Form_View* view = openView();
        QAbstractItemModelTester tester(view->TreeView_Diary->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int pass = 0; pass < 2; ++pass, view->fv_RefreshTree()) {
            QCOMPARE(nodeTable(view->TreeView_Diary), nodes);
            QStringList rows;
            outline(view->TreeView_Diary->model(), {}, QString(), rows);
            QCOMPARE(rows, shown);
            QVERIFY(!view->TreeView_Diary->selectedNode());
            QCOMPARE(paneTexts(view), QStringList(4));
        }
    }

    void refreshRebuildsTheTreeOnANewConnectionAndKeepsThePane() {
        addTwoDates();
        Form_View* view = openView();
        const QStringList before = nodeTable(view->TreeView_Diary);
        click(view, 2);
        const QStringList pane = paneTexts(view);
        const auto oldDb = DiaryDb;
        view->PopMenu_Tree_Refresh->trigger();
        QCOMPARE(nodeTable(view->TreeView_Diary), before);
        QCOMPARE(paneTexts(view), pane);
        QVERIFY(DiaryDb && DiaryDb != oldDb);
        // The file gone: the tree is built on the connection still open, without a word.
        QVERIFY(QFile::rename(m_diary->databasePath(), m_diary->databasePath() + QStringLiteral(".moved")));
        const auto openDb = DiaryDb;
        view->fv_RefreshTree();
        QCOMPARE(DiaryDb, openDb);
        QCOMPARE(nodeTable(view->TreeView_Diary), before);
        QVERIFY(MessageBox::shown().empty());
    }

    void withoutAnyConnectionTheTreeShowsTheMenuNodes() {
        QVERIFY(QFile::remove(m_diary->databasePath()));
        Form_View* view = openView();
        QVERIFY(!DiaryDb);
        QCOMPARE(testsupport::nodeTexts(view),
                 (QStringList{"【暂无任何日记】", "您可以选择：", "1.新建日记", "2.导入文本"}));
        QVERIFY(MessageBox::shown().empty());
    }

    void leftClickOnAnEntryFillsThePaneAndOnADateEmptiesIt() {
        addTwoDates();
        Form_View* view = openView();
        click(view, 2);
        QCOMPARE(paneTexts(view), (QStringList{"一", "日期：2009-09-08 星期二", "晴", "第一行\n第二行"}));
        QCOMPARE(view->TreeView_Diary->selectedNode()->key, sql::entryKey(1));
        // The keyboard moves on from there, showing each entry it reaches.
        QTest::keyClick(view->TreeView_Diary, Qt::Key_Down);
        QCOMPARE(view->TreeView_Diary->selectedNode()->index, 3);
        QCOMPARE(paneTexts(view), QStringList(4));
        click(view, 4);
        QCOMPARE(paneTexts(view), (QStringList{"二", "日期：2009-09-07 ", "", ""}));
        click(view, 1);
        QCOMPARE(paneTexts(view), QStringList(4));
    }

    void otherButtonsChangeNeitherPaneNorSelection_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("menuShown");
        QTest::newRow("right") << Qt::RightButton << true;
        QTest::newRow("middle") << Qt::MiddleButton << false;
    }
    void otherButtonsChangeNeitherPaneNorSelection() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, menuShown);
        addTwoDates();
        Form_View* view = openView();
        click(view, 2);
        const QStringList pane = paneTexts(view);
        for (int node : {1, 3, 4}) {
            click(view, node, button);
            QCOMPARE(view->TreeView_Diary->selectedNode()->index, 2);
            QCOMPARE(paneTexts(view), pane);
            QCOMPARE(view->PopMenu_Tree->isVisible(), menuShown);
            view->PopMenu_Tree->hide();
        }
        // Below the last node too.
        QWidget* viewport = view->TreeView_Diary->viewport();
        QTest::mouseClick(viewport, button, {}, QPoint(viewport->width() / 2, viewport->height() - 5));
        QCOMPARE(view->PopMenu_Tree->isVisible(), menuShown);
        view->PopMenu_Tree->hide();
    }

    void entryGoneSinceTheRefreshIsReportedAndThePaneKept() {
        addTwoDates();
        Form_View* view = openView();
        click(view, 4);
        const QStringList pane = paneTexts(view);
        m_diary->open()->Execute(sql::deleteDiaryWhere(sql::entryKey(1)));
        click(view, 2);
        QCOMPARE(paneTexts(view), pane);
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(MessageBox::shownTexts().first().contains(QString::number(dao::errNoCurrentRecord)));
    }

    void menuNodesActOnlyWhereTheyStand() {
        Form_View* view = openView();
        for (int node : {1, 2}) {
            view->Text_Title->setText(QStringLiteral("x"));
            click(view, node);
            QCOMPARE(paneTexts(view), QStringList(4));
        }
        platform::FileDialog::setNextFileName(QString()); // the user cancels
        click(view, 4);
        QCOMPARE(dialogsShown(), 1);
        QVERIFY(!platform::FileDialog::lastRequest().save);
        QVERIFY(forms().isLoaded<Form_View>());
        click(view, 3);
        QCOMPARE(forms().loaded<Form_Write>()->mode(), Form_Write::Mode::New);
        QVERIFY(forms().loaded<Form_Write>()->isVisible() && !forms().isLoaded<Form_View>());
    }

    void popupMenuItemsInOrder() {
        Form_View* view = openView();
        QStringList items;
        for (const QAction* action : view->PopMenu_Tree->actions())
            items << action->objectName() + '=' + (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(items, (QStringList{"PopMenu_Tree_Refresh=刷新", "Break0=-", "PopMenu_Tree_Write=写新日记",
                                     "PopMenu_Tree_Delete=删除日记", "Break1=-", "PopMenu_Tree_Change=修改日记",
                                     "PopMenu_Tree_Find=查询日记", "Break2=-", "PopMenu_Tree_Output=导出日记",
                                     "PopMenu_Tree_Input=导入日记"}));
        QCOMPARE(view->PopMenu_Tree->title(), QStringLiteral("节点菜单"));
    }

    void menuItemsAndButtonsRunTheSameCommand_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("effect");
        for (const auto& [button, item, effect] :
             {std::tuple{"Command_Insert", "PopMenu_Tree_Write", "editor"},
              std::tuple{"Command_Find", "PopMenu_Tree_Find", "search"},
              std::tuple{"Command_Updata", "PopMenu_Tree_Change", "请选中一篇日记"},
              std::tuple{"Command_Delete", "PopMenu_Tree_Delete", "请选中日记，而不是日期或菜单"},
              std::tuple{"Command_Output", "PopMenu_Tree_Output", "save dialog"},
              std::tuple{"Command_Input", "PopMenu_Tree_Input", "open dialog"}}) {
            QTest::newRow(button) << QString::fromLatin1(button) << QString::fromUtf8(effect);
            QTest::newRow(item) << QString::fromLatin1(item) << QString::fromUtf8(effect);
        }
    }
    void menuItemsAndButtonsRunTheSameCommand() {
        QFETCH(QString, control);
        QFETCH(QString, effect);
        addTwoDates();
        Form_View* view = openView();
        click(view, 1); // a date node is selected
        platform::FileDialog::setNextFileName(QString());
        if (auto* button = view->findChild<QPushButton*>(control))
            button->click();
        else
            view->findChild<QAction*>(control)->trigger();
        if (effect == QLatin1String("editor") || effect == QLatin1String("search")) {
            QWidget* next = effect == QLatin1String("editor") ? static_cast<QWidget*>(forms().loaded<Form_Write>())
                                                              : forms().loaded<Form_Find>();
            QVERIFY(next && next->isVisible() && !forms().isLoaded<Form_View>());
        } else if (effect.endsWith(QLatin1String("dialog"))) {
            QCOMPARE(dialogsShown(), 1);
            QCOMPARE(platform::FileDialog::lastRequest().save, effect == QLatin1String("save dialog"));
        } else {
            QCOMPARE(MessageBox::shownTexts(), QStringList{effect});
        }
    }

    void loadNamesTheAccountShowsTheBannerAndCallsForUpdatesOnce() {
        for (int load = 0; load < 2; ++load) {
            CurrentUser = QStringLiteral("张三");
            Form_View* view = forms().show<Form_View>();
            QCOMPARE(view->windowTitle(), QStringLiteral("青简录 - 日记查看 - 当前帐号：【张三】"));
            QVERIFY(platform::WindowSizeLimit::isInstalled(view));
            QVERIFY(view->Timer_Update->isActive() && view->Timer_Update->isSingleShot());
            view->Timer_Update_Timer();
            QVERIFY(!view->Timer_Update->isActive());
            QVERIFY(forms().unload(view));
            QVERIFY(!platform::WindowSizeLimit::isInstalled(view));
        }
        const QString banner = update::bannerAddress(update::BannerPage::MainWindow);
        QCOMPARE(platform::Browser::navigations(), (QStringList{banner, banner}));
        QCOMPARE(g_updateAddresses, (QStringList{update::updateTextAddress(), update::updateTextAddress()}));
    }

    void layoutGivesGrowthToTreeAndPaneOnly() {
        Form_View* view = openView();
        view->resize(1, 1); // the size limit holds the smallest size
        for (QWidget* child : view->findChildren<QWidget*>())
            if (child->parentWidget() == view && child->isVisibleTo(view))
                QVERIFY2(view->rect().contains(child->geometry()) && !child->geometry().isEmpty(),
                         qPrintable(child->objectName()));
        const auto geometry = [&](QWidget* w) { return w->geometry(); };
        const QRect tree = geometry(view->TreeView_Diary), body = geometry(view->RichTextBox_DiaryText);
        const QRect title = geometry(view->Text_Title), banner = geometry(view->WebBrowser_Ad);
        const QRect find = geometry(view->Command_Find);
        view->resize(view->width() + 100, view->height() + 50);
        QCOMPARE(geometry(view->TreeView_Diary), tree.adjusted(0, 0, 0, 50));
        QCOMPARE(geometry(view->RichTextBox_DiaryText), body.adjusted(0, 0, 100, 50));
        QCOMPARE(geometry(view->Text_Title), title.adjusted(0, 0, 100, 0));
        QCOMPARE(geometry(view->WebBrowser_Ad), banner.adjusted(100, 0, 100, 50));
        QCOMPARE(geometry(view->Command_Find), find);
        // Minimised, the layout is kept as it was.
        view->setWindowState(Qt::WindowMinimized);
        view->resize(view->width() + 200, view->height());
        QCOMPARE(geometry(view->Text_Title), title.adjusted(0, 0, 100, 0));
    }
};

QTEST_MAIN(TestFormView)
#include "tst_formview.moc"
