// The main window: the tree's shape, what clicks and the menu nodes do, the menu items beside the buttons,
// load and unload.

#include "../OnShow.h"
#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "platform/WindowSizeLimit.h"
#include "startup/Startup.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTest>

#include <utility>

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
} // namespace

class TestFormView : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    int m_dialogsBefore = 0;

    // What a command did: the windows on show, the file dialog it opened ("save", "open"), the boxes shown.
    QStringList outcome() {
        QStringList what = uitests::windowsOnShow();
        if (platform::FileDialog::shownCount() != std::exchange(m_dialogsBefore, platform::FileDialog::shownCount()))
            what << (platform::FileDialog::lastRequest().save ? "save" : "open");
        what += MessageBox::shownTexts();
        MessageBox::clearShown();
        return what;
    }
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
        m_diary->addEntry(kUser, "一", "2009-09-08", "星期二", "晴", "第一行\r\n第二行");
        m_diary->addEntry(kUser, "二", "2009-09-07");
    }

private slots:
    void initTestCase() {
        startWindowTests();
        update::setUpdateCallObserverForTests(testsupport::ignoreUpdateCall);
    }
    void init() {
        startWithDiary();
        m_dialogsBefore = platform::FileDialog::shownCount();
    }
    void cleanup() { dropDiary(); }

    void treeGroupsEntriesUnderTheirDates_data() {
        QTest::addColumn<QStringList>("entries"); // "user|title|date"
        QTest::addColumn<QStringList>("nodes");
        QTest::newRow("no entries: the four menu nodes")
            << QStringList{}
            << QStringList{"1:0:【暂无任何日记】:-", "2:0:您可以选择：:-", "3:0:1.新建日记:-", "4:0:2.导入文本:-"};
        QTest::newRow("dates A B A, other accounts left out: only the first date open")
            << QStringList{"zhang|一|A", "li|别人的|A", "zhang|it's|B", "zhang|三|A"}
            << QStringList{"1:0:A:A+", "2:1:一:id = 1", "3:0:B:B", "4:3:it's:id = 3", "5:1:三:id = 4"};
        QTest::newRow("a key the tree already has is refused, the rest still shown; titles are text")
            << QStringList{"zhang|一|id = 1", "zhang|id = 99|A"}
            << QStringList{"1:0:id = 1:id = 1+", "2:0:A:A", "3:2:id = 99:id = 2"};
        QTest::newRow("dates by exact text, empty dates under a label that is no entry key")
            << QStringList{"zhang|x|2009-9-8", "zhang|y|2009-09-08", "zhang|z|"}
            << QStringList{"1:0:2009-9-8:2009-9-8+", "2:1:x:id = 1",    "3:0:2009-09-08:2009-09-08",
                           "4:3:y:id = 2",           "5:0:（无日期）:", "6:5:z:id = 3"};
    }
    void treeGroupsEntriesUnderTheirDates() {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, nodes);
        for (const QString& e : entries)
            m_diary->addEntry(e.section('|', 0, 0), e.section('|', 1, 1), e.section('|', 2, 2));
        Form_View* view = openView();
        QAbstractItemModelTester tester(view->TreeView_Diary->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int pass = 0; pass < 2; ++pass, view->fv_RefreshTree()) {
            QCOMPARE(nodeTable(view->TreeView_Diary), nodes);
            QVERIFY(!view->TreeView_Diary->selectedNode());
            QCOMPARE(paneTexts(view), QStringList(4));
        }
    }

    void refreshRebuildsTheTreeOnANewConnectionAndKeepsThePane() {
        addTwoDates();
        Form_View* view = openView();
        click(view, 2);
        const QStringList before = nodeTable(view->TreeView_Diary) + paneTexts(view);
        const auto oldDb = DiaryDb;
        view->PopMenu_Tree_Refresh->trigger();
        QCOMPARE(nodeTable(view->TreeView_Diary) + paneTexts(view), before);
        QVERIFY(DiaryDb && DiaryDb != oldDb);
        // The file gone: the tree is built on the connection still open, without a word.
        QVERIFY(QFile::rename(m_diary->databasePath(), m_diary->databasePath() + QStringLiteral(".moved")));
        const auto openDb = DiaryDb;
        view->fv_RefreshTree();
        QVERIFY(DiaryDb == openDb && MessageBox::shown().empty());
        QCOMPARE(nodeTable(view->TreeView_Diary) + paneTexts(view), before);
    }

    void withoutAnyConnectionTheTreeShowsTheMenuNodes() {
        QVERIFY(QFile::remove(m_diary->databasePath()));
        Form_View* view = openView();
        QVERIFY(!DiaryDb && MessageBox::shown().empty());
        QCOMPARE(testsupport::nodeTexts(view).size(), 4);
    }

    void leftClickOnAnEntryFillsThePaneAndOnADateEmptiesIt() {
        addTwoDates();
        Form_View* view = openView();
        click(view, 2);
        QCOMPARE(paneTexts(view), (QStringList{"一", "日期：2009-09-08 星期二", "晴", "第一行\n第二行"}));
        // The keyboard moves on from there, showing each entry it reaches.
        QTest::keyClick(view->TreeView_Diary, Qt::Key_Down);
        QCOMPARE(view->TreeView_Diary->selectedNode()->index, 3);
        QCOMPARE(paneTexts(view), QStringList(4));
        click(view, 4);
        QCOMPARE(paneTexts(view), (QStringList{"二", "日期：2009-09-07 ", "", ""}));
        // Other buttons change neither selection nor pane; the right one, on a node or below the last, opens
        // the menu.
        QWidget* viewport = view->TreeView_Diary->viewport();
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            click(view, 1, button);
            QTest::mouseClick(viewport, button, {}, QPoint(viewport->width() / 2, viewport->height() - 5));
            QCOMPARE(view->TreeView_Diary->selectedNode()->index, 4);
            QCOMPARE(paneTexts(view).first(), QStringLiteral("二"));
            QCOMPARE(view->PopMenu_Tree->isVisible(), button == Qt::RightButton);
            view->PopMenu_Tree->hide();
        }
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
        QVERIFY(MessageBox::shownTexts().first().startsWith(QStringLiteral("运行时错误 '3021'")));
    }

    void menuNodesActOnlyWhereTheyStand() {
        Form_View* view = openView();
        for (int node : {1, 2}) {
            view->Text_Title->setText(QStringLiteral("x"));
            click(view, node);
            QCOMPARE(paneTexts(view), QStringList(4));
        }
        QCOMPARE(outcome(), QStringList{"Form_View"});
        platform::FileDialog::setNextFileName(QString()); // the user cancels
        click(view, 4);
        QCOMPARE(outcome(), (QStringList{"Form_View", "open"}));
        click(view, 3);
        QCOMPARE(outcome(), QStringList{"Form_Write"});
        QCOMPARE(forms().loaded<Form_Write>()->mode(), Form_Write::Mode::New);
    }

    void menuItemsAndButtonsRunTheSameCommand_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("outcome"); // with a date node selected
        for (const auto& [button, item, outcome] :
             {std::tuple{"Command_Insert", "PopMenu_Tree_Write", QStringList{"Form_Write"}},
              std::tuple{"Command_Find", "PopMenu_Tree_Find", QStringList{"Form_Find"}},
              std::tuple{"Command_Updata", "PopMenu_Tree_Change", QStringList{"Form_View", "请选中一篇日记"}},
              std::tuple{"Command_Delete", "PopMenu_Tree_Delete",
                         QStringList{"Form_View", "请选中日记，而不是日期或菜单"}},
              std::tuple{"Command_Output", "PopMenu_Tree_Output", QStringList{"Form_View", "save"}},
              std::tuple{"Command_Input", "PopMenu_Tree_Input", QStringList{"Form_View", "open"}}})
            for (const char* control : {button, item})
                QTest::newRow(control) << QString::fromLatin1(control) << outcome;
    }
    void menuItemsAndButtonsRunTheSameCommand() {
        QFETCH(QString, control);
        QFETCH(QStringList, outcome);
        addTwoDates();
        Form_View* view = openView();
        click(view, 1);
        platform::FileDialog::setNextFileName(QString());
        if (auto* button = view->findChild<QPushButton*>(control))
            button->click();
        else
            view->findChild<QAction*>(control)->trigger();
        QCOMPARE(this->outcome(), outcome);
    }

    void loadNamesTheAccountAndUnloadLetsGoOfTheSizeLimit() {
        CurrentUser = QStringLiteral("张三");
        Form_View* view = forms().show<Form_View>();
        QCOMPARE(view->windowTitle(), QStringLiteral("青简录 - 日记查看 - 当前帐号：【张三】"));
        QVERIFY(platform::WindowSizeLimit::isInstalled(view));
        QVERIFY(forms().unload(view));
        QVERIFY(!platform::WindowSizeLimit::isInstalled(view));
    }
};

QTEST_MAIN(TestFormView)
#include "tst_formview.moc"
