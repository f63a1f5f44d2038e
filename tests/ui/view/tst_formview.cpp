#include "support/TestSupport.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "db/DiaryDatabase.h"
#include "platform/Browser.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowSizeLimit.h"
#include "startup/Startup.h"
#include "ui/find/FormFind.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/view/ViewLayout.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTest>

using platform::forms;
using platform::MessageBox;

namespace {
const QString kUser = QStringLiteral("zhang");

// One row of the tree's node table: "index:parent:text:key", a key shown as "-" when the node has none,
// and "+" appended when the node is expanded.
QStringList nodeTable(const DiaryTreeView* tree) {
    QStringList rows;
    for (int i = 1; i <= tree->nodeCount(); ++i) {
        const DiaryNode* n = tree->node(i);
        rows << QStringLiteral("%1:%2:%3:%4%5")
                    .arg(n->index)
                    .arg(n->parent)
                    .arg(n->text, n->hasKey ? n->key : QStringLiteral("-"),
                         n->expanded ? QStringLiteral("+") : QString());
    }
    return rows;
}

// The tree as the view shows it, through its model: children indented by two blanks.
void outline(const QAbstractItemModel* model, const QModelIndex& parent, const QString& indent, QStringList& rows) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        rows << indent + index.data().toString();
        outline(model, index, indent + QStringLiteral("  "), rows);
    }
}
QStringList outline(const DiaryTreeView* tree) {
    QStringList rows;
    outline(tree->model(), {}, QString(), rows);
    return rows;
}

struct Entry {
    QString user;
    QString title;
    QString date;
};

QStringList paneTexts(const Form_View* view) {
    return {view->Text_Title->text(), view->Label_DateWeek->text(), view->Label_Weather->text(),
            view->RichTextBox_DiaryText->toPlainText()};
}

quint32 g_updateHandle = 0;
QStringList g_updateAddresses;
void observeUpdate(quint32 handle, const QString& address) {
    g_updateHandle = handle;
    g_updateAddresses << address;
}
} // namespace

Q_DECLARE_METATYPE(QList<Entry>)

class TestFormView : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

    Form_View* openView(const QString& user = kUser) {
        CurrentUser = user;
        Form_View* view = forms().show<Form_View>();
        if (!QTest::qWaitForWindowExposed(view))
            qWarning("main window not exposed");
        return view;
    }
    // Makes a node visible (its date node open) and returns the centre of its label.
    QPoint nodeCentre(Form_View* view, int index) {
        DiaryTreeView* tree = view->TreeView_Diary;
        const DiaryNode* n = tree->node(index);
        if (n && n->parent)
            tree->setExpanded(tree->nodes()->indexOfNode(n->parent), true);
        return tree->nodeRect(index).center();
    }
    void click(Form_View* view, int index, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(view->TreeView_Diary->viewport(), button, {}, nodeCentre(view, index));
    }
    void closeMenu(Form_View* view) { view->PopMenu_Tree->hide(); }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
        update::setUpdateCallObserverForTests(&observeUpdate);
    }
    void init() {
        testsupport::resetProgramState();
        platform::Browser::clearNavigations();
        g_updateAddresses.clear();
        m_diary = std::make_unique<testsupport::TempDiary>();
    }
    void cleanup() {
        forms().resetForTests();
        m_diary.reset();
    }

    // ---- the tree -------------------------------------------------------------------------------------

    void treeGroupsEntriesUnderTheirDates_data() {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QStringList>("shown");
        const QString a = QStringLiteral("2009-09-08");
        const QString b = QStringLiteral("2009-09-07");

        QTest::newRow("no entries: the four menu nodes, no keys, none open")
            << QList<Entry>{}
            << QStringList{QStringLiteral("1:0:【暂无任何日记】:-"), QStringLiteral("2:0:您可以选择：:-"),
                           QStringLiteral("3:0:1.新建日记:-"), QStringLiteral("4:0:2.导入文本:-")}
            << QStringList{QStringLiteral("【暂无任何日记】"), QStringLiteral("您可以选择："),
                           QStringLiteral("1.新建日记"), QStringLiteral("2.导入文本")};
        QTest::newRow("same date twice: one date node, entries in result order")
            << QList<Entry>{{kUser, QStringLiteral("早"), a}, {kUser, QStringLiteral("晚"), a}}
            << QStringList{QStringLiteral("1:0:%1:%1+").arg(a), QStringLiteral("2:1:早:id = 1"),
                           QStringLiteral("3:1:晚:id = 2")}
            << QStringList{a, QStringLiteral("  早"), QStringLiteral("  晚")};
        QTest::newRow("dates A B A: A holds the first and third entries, only A open")
            << QList<Entry>{{kUser, QStringLiteral("一"), a},
                            {kUser, QStringLiteral("二"), b},
                            {kUser, QStringLiteral("三"), a}}
            << QStringList{QStringLiteral("1:0:%1:%1+").arg(a), QStringLiteral("2:1:一:id = 1"),
                           QStringLiteral("3:0:%1:%1").arg(b), QStringLiteral("4:3:二:id = 2"),
                           QStringLiteral("5:1:三:id = 3")}
            << QStringList{a, QStringLiteral("  一"), QStringLiteral("  三"), b, QStringLiteral("  二")};
        QTest::newRow("other accounts' entries never appear")
            << QList<Entry>{{QStringLiteral("li"), QStringLiteral("别人的"), a},
                            {kUser, QStringLiteral("我的"), b},
                            {QStringLiteral("wang"), QStringLiteral("也是别人的"), b}}
            << QStringList{QStringLiteral("1:0:%1:%1+").arg(b), QStringLiteral("2:1:我的:id = 2")}
            << QStringList{b, QStringLiteral("  我的")};
        QTest::newRow("a key the tree already has is refused and the rest still shown")
            << QList<Entry>{{kUser, QStringLiteral("一"), QStringLiteral("id = 1")}, {kUser, QStringLiteral("二"), a}}
            << QStringList{QStringLiteral("1:0:id = 1:id = 1+"), QStringLiteral("2:0:%1:%1").arg(a),
                           QStringLiteral("3:2:二:id = 2")}
            << QStringList{QStringLiteral("id = 1"), a, QStringLiteral("  二")};
        QTest::newRow("dates group by exact text")
            << QList<Entry>{{kUser, QStringLiteral("x"), QStringLiteral("2009-9-8")}, {kUser, QStringLiteral("y"), a}}
            << QStringList{QStringLiteral("1:0:2009-9-8:2009-9-8+"), QStringLiteral("2:1:x:id = 1"),
                           QStringLiteral("3:0:%1:%1").arg(a), QStringLiteral("4:3:y:id = 2")}
            << QStringList{QStringLiteral("2009-9-8"), QStringLiteral("  x"), a, QStringLiteral("  y")};
        QTest::newRow("empty dates gather under a labelled node whose key is no entry key")
            << QList<Entry>{{kUser, QStringLiteral("有日期"), a},
                            {kUser, QStringLiteral("无日期一"), QString()},
                            {kUser, QStringLiteral("无日期二"), QString()}}
            << QStringList{QStringLiteral("1:0:%1:%1+").arg(a), QStringLiteral("2:1:有日期:id = 1"),
                           QStringLiteral("3:0:（无日期）:"), QStringLiteral("4:3:无日期一:id = 2"),
                           QStringLiteral("5:3:无日期二:id = 3")}
            << QStringList{a, QStringLiteral("  有日期"), QStringLiteral("（无日期）"), QStringLiteral("  无日期一"),
                           QStringLiteral("  无日期二")};
        QTest::newRow("titles are text: an apostrophe and a key-looking title stay as they are")
            << QList<Entry>{{kUser, QStringLiteral("it's"), a}, {kUser, QStringLiteral("id = 99"), a}}
            << QStringList{QStringLiteral("1:0:%1:%1+").arg(a), QStringLiteral("2:1:it's:id = 1"),
                           QStringLiteral("3:1:id = 99:id = 2")}
            << QStringList{a, QStringLiteral("  it's"), QStringLiteral("  id = 99")};
    }
    void treeGroupsEntriesUnderTheirDates() {
        QFETCH(QList<Entry>, entries);
        QFETCH(QStringList, nodes);
        QFETCH(QStringList, shown);
        for (const Entry& e : entries)
            m_diary->addEntry(e.user, e.title, e.date);
        Form_View* view = openView();
        QCOMPARE(nodeTable(view->TreeView_Diary), nodes);
        QCOMPARE(outline(view->TreeView_Diary), shown);
        // The model stays consistent through a rebuild, as the view sees it.
        QAbstractItemModelTester tester(view->TreeView_Diary->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        view->fv_RefreshTree();
        QCOMPARE(nodeTable(view->TreeView_Diary), nodes);
        QVERIFY(!view->TreeView_Diary->selectedNode());
        // Only the first node is open on screen too.
        const QModelIndex first = view->TreeView_Diary->nodes()->indexOfNode(1);
        QCOMPARE(view->TreeView_Diary->isExpanded(first), !entries.isEmpty() && nodes.first().endsWith('+'));
        for (int i = 2; i <= view->TreeView_Diary->nodeCount(); ++i)
            QVERIFY(!view->TreeView_Diary->isExpanded(view->TreeView_Diary->nodes()->indexOfNode(i)));
    }

    void refreshRebuildsTheSameTreeAndKeepsThePane() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"), QStringLiteral("星期二"));
        m_diary->addEntry(kUser, QStringLiteral("二"), QStringLiteral("2009-09-07"));
        Form_View* view = openView();
        const QStringList before = nodeTable(view->TreeView_Diary);
        click(view, 2);
        const QStringList pane = paneTexts(view);
        QCOMPARE(pane.first(), QStringLiteral("一"));
        const auto oldDb = DiaryDb;

        view->fv_RefreshTree();
        view->PopMenu_Tree_Refresh->trigger();

        QCOMPARE(nodeTable(view->TreeView_Diary), before);
        QCOMPARE(outline(view->TreeView_Diary).size(), before.size());
        QCOMPARE(paneTexts(view), pane);
        QVERIFY(!view->TreeView_Diary->selectedNode());
        QVERIFY(DiaryDb && DiaryDb != oldDb);
        // The refresh leaves its own result in ViewRecords: all of the user's entries.
        QVERIFY(view->ViewRecords);
        view->ViewRecords->MoveLast();
        QCOMPARE(view->ViewRecords->RecordCount(), 2);
        QVERIFY(MessageBox::shown().empty());
    }

    void refreshGoesOnWithThePreviousConnectionWhenTheFileCannotBeOpened() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        const auto oldDb = DiaryDb;
        // The open connection keeps its file; a new one finds none where the file was.
        QVERIFY(QFile::rename(m_diary->databasePath(), m_diary->databasePath() + QStringLiteral(".moved")));
        view->fv_RefreshTree();
        QCOMPARE(DiaryDb, oldDb);
        QCOMPARE(outline(view->TreeView_Diary), (QStringList{QStringLiteral("2009-09-08"), QStringLiteral("  一")}));
        QVERIFY(MessageBox::shown().empty());
    }

    void treeWithoutAnyConnectionShowsTheMenuNodes() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        QVERIFY(QFile::remove(m_diary->databasePath()));
        Form_View* view = openView();
        QVERIFY(!DiaryDb);
        QCOMPARE(view->TreeView_Diary->nodeCount(), 4);
        QCOMPARE(view->TreeView_Diary->node(3)->text, QStringLiteral("1.新建日记"));
        QVERIFY(MessageBox::shown().empty());
    }

    // ---- clicks ---------------------------------------------------------------------------------------

    void leftClickOnEntryFillsThePaneAndOnItsDateEmptiesIt() {
        const qint64 id =
            m_diary->addEntry(kUser, QStringLiteral("晴天"), QStringLiteral("2009-09-08"), QStringLiteral("星期二"),
                              QStringLiteral("晴"), QStringLiteral("第一行\r\n第二行"));
        Form_View* view = openView();
        QCOMPARE(view->LastTreeButton, 0);
        click(view, 2);
        QCOMPARE(view->LastTreeButton, 1);
        QCOMPARE(paneTexts(view), (QStringList{QStringLiteral("晴天"), QStringLiteral("日期：2009-09-08 星期二"),
                                               QStringLiteral("晴"), QStringLiteral("第一行\n第二行")}));
        QCOMPARE(view->TreeView_Diary->selectedNode()->key, sql::entryKey(id));
        // The shown entry's one-record result replaced the tree's.
        view->ViewRecords->MoveLast();
        QCOMPARE(view->ViewRecords->RecordCount(), 1);

        click(view, 1);
        QCOMPARE(paneTexts(view), QStringList(4));
        QCOMPARE(view->TreeView_Diary->selectedNode()->index, 1);
    }

    void entryWithoutWeatherShowsAnEmptyWeatherBox() {
        m_diary->addEntry(kUser, QStringLiteral("阴"), QStringLiteral("2009-09-08"), QStringLiteral("星期二"));
        Form_View* view = openView();
        click(view, 2);
        QCOMPARE(view->Label_Weather->text(), QString());
        QCOMPARE(view->Label_DateWeek->text(), QStringLiteral("日期：2009-09-08 星期二"));
    }

    void otherButtonsChangeNeitherPaneNorSelection_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("menuShown");
        QTest::newRow("right") << Qt::RightButton << 2 << true;
        QTest::newRow("middle") << Qt::MiddleButton << 4 << false;
    }
    void otherButtonsChangeNeitherPaneNorSelection() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, code);
        QFETCH(bool, menuShown);
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        m_diary->addEntry(kUser, QStringLiteral("二"), QStringLiteral("2009-09-07"));
        Form_View* view = openView();
        click(view, 2);
        const QStringList pane = paneTexts(view);

        for (int node : {1, 3, 4}) {
            click(view, node, button);
            QCOMPARE(view->LastTreeButton, code);
            QCOMPARE(view->TreeView_Diary->selectedNode()->index, 2);
            QCOMPARE(paneTexts(view), pane);
            QCOMPARE(view->PopMenu_Tree->isVisible(), menuShown);
            closeMenu(view);
        }
        QVERIFY(MessageBox::shown().empty());
    }

    void rightReleaseAnywhereOverTheTreeShowsTheMenu() {
        Form_View* view = openView();
        QWidget* viewport = view->TreeView_Diary->viewport();
        // Below the last node: no node under the pointer.
        const QPoint empty(viewport->width() / 2, viewport->height() - 5);
        QVERIFY(!view->TreeView_Diary->indexAt(empty).isValid());
        QTest::mouseClick(viewport, Qt::RightButton, {}, empty);
        QVERIFY(view->PopMenu_Tree->isVisible());
        QVERIFY(!view->TreeView_Diary->selectedNode());
        closeMenu(view);
    }

    void nodeClickWithoutLeftPressDoesNothing() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        view->Text_Title->setText(QStringLiteral("留着"));
        QCOMPARE(view->LastTreeButton, 0);
        view->TreeView_Diary_NodeClick(2);
        view->TreeView_Diary_NodeClick(1);
        QCOMPARE(paneTexts(view), (QStringList{QStringLiteral("留着"), QString(), QString(), QString()}));
    }

    void keyboardSelectionAfterLeftClickShowsTheEntry() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        m_diary->addEntry(kUser, QStringLiteral("二"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        click(view, 2);
        QTest::keyClick(view->TreeView_Diary, Qt::Key_Down);
        QCOMPARE(view->TreeView_Diary->selectedNode()->index, 3);
        QCOMPARE(view->Text_Title->text(), QStringLiteral("二"));
    }

    void entryGoneSinceTheRefreshIsReportedAndThePaneKept() {
        const qint64 id = m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        m_diary->addEntry(kUser, QStringLiteral("二"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        click(view, 3);
        const QStringList pane = paneTexts(view);
        m_diary->open()->Execute(sql::deleteDiaryWhere(sql::entryKey(id)));
        click(view, 2);
        QCOMPARE(paneTexts(view), pane);
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(MessageBox::shownTexts().first().contains(QString::number(dao::errNoCurrentRecord)));
    }

    // ---- the menu nodes -------------------------------------------------------------------------------

    void newEntryMenuNodeOpensTheEditorAndClosesTheWindow() {
        Form_View* view = openView();
        click(view, 3);
        QVERIFY(forms().isLoaded<Form_Write>());
        QVERIFY(forms().loaded<Form_Write>()->isVisible());
        QCOMPARE(forms().loaded<Form_Write>()->mode(), Form_Write::Mode::New);
        QVERIFY(!forms().isLoaded<Form_View>());
        QVERIFY(!view->isVisible());
    }

    void importMenuNodeAsksForATextFile() {
        Form_View* view = openView();
        const int dialogs = platform::FileDialog::shownCount();
        platform::FileDialog::setNextFileName(QString()); // the user cancels
        click(view, 4);
        QCOMPARE(platform::FileDialog::shownCount(), dialogs + 1);
        QVERIFY(!platform::FileDialog::lastRequest().save);
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(!forms().isLoaded<Form_Write>());
    }

    void otherMenuNodesEmptyThePane() {
        Form_View* view = openView();
        for (int node : {1, 2}) {
            view->Text_Title->setText(QStringLiteral("x"));
            view->RichTextBox_DiaryText->setPlainText(QStringLiteral("y"));
            click(view, node);
            QCOMPARE(paneTexts(view), QStringList(4));
        }
        QVERIFY(forms().isLoaded<Form_View>());
    }

    void menuTextsElsewhereAreEntries() {
        // "2.导入文本" as node 2 and "1.新建日记" as node 4: ordinary entries there.
        m_diary->addEntry(kUser, QStringLiteral("2.导入文本"), QStringLiteral("2009-09-08"));
        m_diary->addEntry(kUser, QStringLiteral("x"), QStringLiteral("2009-09-07"));
        m_diary->addEntry(kUser, QStringLiteral("1.新建日记"), QStringLiteral("2009-09-07"));
        Form_View* view = openView();
        QCOMPARE(view->TreeView_Diary->node(2)->text, QStringLiteral("2.导入文本"));
        QCOMPARE(view->TreeView_Diary->node(5)->text, QStringLiteral("1.新建日记"));
        const int dialogs = platform::FileDialog::shownCount();
        click(view, 2);
        QCOMPARE(view->Text_Title->text(), QStringLiteral("2.导入文本"));
        click(view, 5);
        QCOMPARE(view->Text_Title->text(), QStringLiteral("1.新建日记"));
        QCOMPARE(platform::FileDialog::shownCount(), dialogs);
        QVERIFY(!forms().isLoaded<Form_Write>());
    }

    // ---- pop-up menu and buttons ----------------------------------------------------------------------

    void popupMenuItemsInOrder() {
        Form_View* view = openView();
        QStringList items;
        for (const QAction* action : view->PopMenu_Tree->actions())
            items << action->objectName() + QLatin1Char('=') +
                         (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(items, (QStringList{QStringLiteral("PopMenu_Tree_Refresh=刷新"), QStringLiteral("Break0=-"),
                                     QStringLiteral("PopMenu_Tree_Write=写新日记"),
                                     QStringLiteral("PopMenu_Tree_Delete=删除日记"), QStringLiteral("Break1=-"),
                                     QStringLiteral("PopMenu_Tree_Change=修改日记"),
                                     QStringLiteral("PopMenu_Tree_Find=查询日记"), QStringLiteral("Break2=-"),
                                     QStringLiteral("PopMenu_Tree_Output=导出日记"),
                                     QStringLiteral("PopMenu_Tree_Input=导入日记")}));
        QCOMPARE(view->PopMenu_Tree->title(), QStringLiteral("节点菜单"));
    }

    void menuItemsAndButtonsRunTheSameCommand_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("effect");
        for (const auto& [button, item, effect] :
             {std::tuple{"Command_Insert", "PopMenu_Tree_Write", "editor"},
              std::tuple{"Command_Find", "PopMenu_Tree_Find", "search"},
              std::tuple{"Command_Updata", "PopMenu_Tree_Change", "select one entry"},
              std::tuple{"Command_Delete", "PopMenu_Tree_Delete", "not a date"},
              std::tuple{"Command_Output", "PopMenu_Tree_Output", "save dialog"},
              std::tuple{"Command_Input", "PopMenu_Tree_Input", "open dialog"}}) {
            QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(effect);
            QTest::newRow(item) << QString::fromLatin1(item) << QString::fromLatin1(effect);
        }
    }
    void menuItemsAndButtonsRunTheSameCommand() {
        QFETCH(QString, control);
        QFETCH(QString, effect);
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        click(view, 1); // a date node is selected
        const int dialogs = platform::FileDialog::shownCount();
        platform::FileDialog::setNextFileName(QString());

        if (auto* button = view->findChild<QPushButton*>(control))
            button->click();
        else
            view->findChild<QAction*>(control)->trigger();

        if (effect == QLatin1String("editor")) {
            QVERIFY(forms().loaded<Form_Write>() && forms().loaded<Form_Write>()->isVisible());
            QVERIFY(!forms().isLoaded<Form_View>());
        } else if (effect == QLatin1String("search")) {
            QVERIFY(forms().loaded<Form_Find>() && forms().loaded<Form_Find>()->isVisible());
            QVERIFY(!forms().isLoaded<Form_View>());
        } else if (effect == QLatin1String("select one entry")) {
            QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("请选中一篇日记")});
        } else if (effect == QLatin1String("not a date")) {
            QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("请选中日记，而不是日期或菜单")});
        } else {
            QCOMPARE(platform::FileDialog::shownCount(), dialogs + 1);
            QCOMPARE(platform::FileDialog::lastRequest().save, effect == QLatin1String("save dialog"));
        }
    }

    // ---- load, unload, caption, banner, timer ---------------------------------------------------------

    void captionNamesTheAccountOnceHoweverOftenLoaded() {
        const QString expected = QStringLiteral("青简录 - 日记查看 - 当前帐号：【张三】");
        for (int load = 0; load < 3; ++load) {
            Form_View* view = openView(QStringLiteral("张三"));
            QCOMPARE(view->windowTitle(), expected);
            QVERIFY(forms().unload(view));
        }
    }

    void loadNavigatesTheBannerAndArmsTheUpdateTimer() {
        Form_View* view = openView();
        QCOMPARE(platform::Browser::navigations(), QStringList{update::bannerAddress(update::BannerPage::MainWindow)});
        QVERIFY(platform::Browser::navigations().first().endsWith(QLatin1String("/ad/201072632_1.html")));
        QVERIFY(view->Timer_Update->isActive());
        QCOMPARE(view->Timer_Update->interval(), 2000);
        QVERIFY(view->Timer_Update->isSingleShot());

        view->Timer_Update_Timer();
        QVERIFY(!view->Timer_Update->isActive());
        QCOMPARE(g_updateAddresses, QStringList{update::updateTextAddress()});
        QCOMPARE(g_updateHandle, static_cast<quint32>(view->winId()));
    }

    void loadInstallsTheSizeLimitAndUnloadRemovesIt() {
        Form_View* view = openView();
        QVERIFY(platform::WindowSizeLimit::isInstalled(view));
        bool cancel = false;
        view->Form_Unload(cancel);
        QVERIFY(!cancel);
        QVERIFY(!platform::WindowSizeLimit::isInstalled(view));
    }

    void loadedWindowStartsWithAnEmptyPaneAndNothingSelected() {
        m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        QCOMPARE(paneTexts(view), QStringList(4));
        QVERIFY(!view->TreeView_Diary->selectedNode());
        for (QLineEdit* box : {view->Text_Title, view->Label_Weather, view->Label_DateWeek})
            QVERIFY(box->isReadOnly());
        QVERIFY(view->RichTextBox_DiaryText->isReadOnly());
        QCOMPARE(view->RichTextBox_DiaryText->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    // ---- layout ---------------------------------------------------------------------------------------

    void controlsFollowTheTabOrder() {
        Form_View* view = openView();
        const QStringList designed{
            QStringLiteral("TreeView_Diary"), QStringLiteral("Command_Find"),   QStringLiteral("Command_Updata"),
            QStringLiteral("Command_Input"),  QStringLiteral("Command_Output"), QStringLiteral("Command_Delete"),
            QStringLiteral("Command_Insert"), QStringLiteral("Text_Title"),     QStringLiteral("RichTextBox_DiaryText"),
            QStringLiteral("Label_DateWeek"), QStringLiteral("Label_Weather")};
        QStringList chain;
        QWidget* w = view->TreeView_Diary;
        do {
            if (designed.contains(w->objectName()) && !chain.contains(w->objectName()))
                chain << w->objectName();
            w = w->nextInFocusChain();
        } while (w != view->TreeView_Diary);
        QCOMPARE(chain, designed);
    }

    void resizeLinesUpTheReadingAreaWithTheBanner() {
        Form_View* view = openView();
        view->resize(1200, 700);
        const auto right = [](const QWidget* w) { return w->geometry().right(); };
        // Right ends line up (to the pixel: fractional twips round at the edges).
        QVERIFY(qAbs(right(view->Label_DateWeek) - right(view->Text_Title)) <= 1);
        QVERIFY(qAbs(right(view->RichTextBox_DiaryText) - right(view->Text_Title)) <= 1);
        QVERIFY(qAbs(right(view->Line_Spilt) - right(view->Text_Title)) <= 1);
        // 100 twips between the reading area and the banner, which keeps its width.
        const int gap = view->WebBrowser_Ad->x() - (right(view->Text_Title) + 1);
        QVERIFY(qAbs(gap - platform::Twips::toPixels(100, view)) <= 1);
        QVERIFY(qAbs(view->WebBrowser_Ad->width() - platform::Twips::toPixels(2460, view)) <= 1);
        // The tree stretches to 600 twips short of the outer height; the body 15 twips beyond the tree.
        QVERIFY(qAbs(view->RichTextBox_DiaryText->geometry().bottom() - view->TreeView_Diary->geometry().bottom() -
                     platform::Twips::toPixels(15, view)) <= 1);
        // The buttons never move.
        QCOMPARE(view->Command_Insert->geometry(), platform::Twips::rect(2640, 120, 1935, 335, view));
        QCOMPARE(view->Command_Input->geometry(), platform::Twips::rect(6960, 600, 1935, 335, view));
        QCOMPARE(view->Line_Spilt->y(), platform::Twips::toPixels(1080, view));
        QCOMPARE(view->Line_Spilt->x(), platform::Twips::toPixels(2640, view));
        QCOMPARE(view->Line_Spilt->height(), 1);
    }

    void wideningMovesOnlyTheStretchingControls() {
        Form_View* view = openView();
        view->resize(1100, 600);
        const QRect title = view->Text_Title->geometry();
        const QRect banner = view->WebBrowser_Ad->geometry();
        const QRect tree = view->TreeView_Diary->geometry();
        const QRect find = view->Command_Find->geometry();
        view->resize(1100 + 100, 600);
        QCOMPARE(view->Text_Title->width(), title.width() + 100);
        QCOMPARE(view->WebBrowser_Ad->x(), banner.x() + 100);
        QCOMPARE(view->TreeView_Diary->geometry(), tree);
        QCOMPARE(view->Command_Find->geometry(), find);
        view->resize(1100 + 100, 600 + 50);
        QCOMPARE(view->TreeView_Diary->height(), tree.height() + 50);
        QCOMPARE(view->WebBrowser_Ad->height(), banner.height() + 50);
        QCOMPARE(view->Text_Title->geometry().top(), title.top());
    }

    void minimisedWindowKeepsItsLayout() {
        Form_View* view = openView();
        view->resize(1100, 600);
        const QRect tree = view->TreeView_Diary->geometry();
        const QRect body = view->RichTextBox_DiaryText->geometry();
        view->setWindowState(Qt::WindowMinimized);
        view->resize(1300, 800);
        QCOMPARE(view->TreeView_Diary->geometry(), tree);
        QCOMPARE(view->RichTextBox_DiaryText->geometry(), body);
        view->setWindowState(Qt::WindowNoState);
        view->Form_Resize();
        QCOMPARE(view->TreeView_Diary->height(), tree.height() + 200);
        QCOMPARE(view->RichTextBox_DiaryText->width(), body.width() + 200);
    }
};

QTEST_MAIN(TestFormView)
#include "tst_formview.moc"
