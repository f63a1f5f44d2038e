// The main window: the tree's shape, what clicks and the menu nodes do, the menu items beside the buttons,
// the entry commands (new, delete, change) and what each refuses, the export and import of an entry as a text
// file, and the hand-over to the editor (shown before the main window goes, so the program never runs out of
// windows). The text file's bytes are the entry text file module's own tests.

#include "support/Windows.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>

#include <optional>
#include <utility>

#include <sys/stat.h>

namespace {
const QString kUser = QStringLiteral("zhang");
const QString kAskDelete = QStringLiteral("确认要删除选中的日记吗？");
const QString kSelectOne = QStringLiteral("请选中一篇日记");
const QString kTextFilter = QStringLiteral("*.txt(文本文件) | *.txt");
int g_lastUnloads = 0;

// What is done with a date node selected.
enum class Verb { Click, Change, Delete, Export };
// What is selected when a command is refused; the entry is asked about and the question answered No, or the
// entry table is gone when Yes is answered.
enum class Selected { Nothing, MenuNodeOfEmptyAccount, EntryAnsweredNo, EntryTableGone };

// The editor when it is the one window on show, in this mode, and no unload ever left no window loaded.
Form_Write* editorAlone(Form_Write::Mode mode) {
    Form_Write* editor = forms().loaded<Form_Write>();
    const bool alone = windowsOnShow() == QStringList{"Form_Write"} && g_lastUnloads == 0;
    return alone && editor->mode() == mode ? editor : nullptr;
}
// An entry stored before the window opens.
struct Entry {
    QString user, title, date;
};
// A node of the tree: its key, if it has one, and whether it is expanded.
struct Node {
    int index = 0, parent = 0;
    QString text;
    std::optional<QString> key = std::nullopt;
    bool open = false;
    bool operator==(const Node&) const = default;
};
char* toString(const Node& n) {
    return QTest::toString(
        QStringLiteral("%1:%2:%3:%4%5")
            .arg(n.index)
            .arg(n.parent)
            .arg(n.text, n.key.value_or(QStringLiteral("(no key)")), n.open ? QStringLiteral(" open") : QString()));
}
} // namespace

Q_DECLARE_METATYPE(Verb)
Q_DECLARE_METATYPE(Selected)
Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(Node)

class TestFormView : public QObject, WindowFixture {
    Q_OBJECT
private:
    int m_dialogsBefore = 0;
    QList<qint64> m_ids; // of openWithEntries()

    // Three entries on two dates, 2009-09-08 holding the first two (nodes 2, 3, 5), and one of another account;
    // then the main window, with the node clicked (0: none).
    Form_View* openWithEntries(int clicked = 0) {
        m_ids = {m_diary->addEntry(kUser, "一", "2009-09-08", "星期二", "晴", "第一行\r\n第二行"),
                 m_diary->addEntry(kUser, "二", "2009-09-08", "星期二", "多云", "正文二"),
                 m_diary->addEntry(kUser, "三", "2009-09-07")};
        m_diary->addEntry(QStringLiteral("li"), QStringLiteral("别人的"), QStringLiteral("2009-09-08"));
        Form_View* view = openView();
        if (clicked)
            click(view, clicked);
        return view;
    }
    // What a command did: the windows on show, the file dialog it opened ("save", "open"), the boxes shown.
    QStringList outcome() {
        QStringList what = windowsOnShow();
        if (FileDialog::shownCount() != std::exchange(m_dialogsBefore, FileDialog::shownCount()))
            what << (FileDialog::lastRequest().save ? "save" : "open");
        what += MessageBox::shownTexts();
        MessageBox::clearShown();
        return what;
    }
    Form_View* openView() {
        Form_View* view = forms().show<Form_View>();
        return QTest::qWaitForWindowExposed(view) ? view : nullptr;
    }
    // A real mouse click on the node's label, its date node opened first.
    static void click(Form_View* view, int index, Qt::MouseButton button = Qt::LeftButton) {
        DiaryTreeView* tree = view->TreeView_Diary;
        if (const int parent = tree->node(index)->parent)
            tree->setExpanded(tree->nodes()->indexOfNode(parent), true);
        QTest::mouseClick(tree->viewport(), button, {}, tree->nodeRect(index).center());
    }

private slots:
    void initTestCase() {
        startWindowTests();
        forms().setOnLastUnloaded([] { ++g_lastUnloads; });
    }
    void init() {
        startWithDiary(kUser);
        g_lastUnloads = 0;
        m_dialogsBefore = FileDialog::shownCount();
    }
    void cleanup() { dropDiary(); }

    void treeGroupsEntriesUnderTheirDates_data() {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QList<Node>>("nodes");
        QTest::newRow("no entries: the four menu nodes")
            << QList<Entry>{}
            << QList<Node>{
                   {1, 0, "【暂无任何日记】"}, {2, 0, "您可以选择："}, {3, 0, "1.新建日记"}, {4, 0, "2.导入文本"}};
        QTest::newRow("dates A B A, other accounts left out: only the first date open")
            << QList<Entry>{{"zhang", "一", "A"}, {"li", "别人的", "A"}, {"zhang", "it's", "B"}, {"zhang", "三", "A"}}
            << QList<Node>{{1, 0, "A", "A", true},
                           {2, 1, "一", "id = 1"},
                           {3, 0, "B", "B"},
                           {4, 3, "it's", "id = 3"},
                           {5, 1, "三", "id = 4"}};
        QTest::newRow("a key the tree already has is refused, the rest still shown; titles are text")
            << QList<Entry>{{"zhang", "一", "id = 1"}, {"zhang", "id = 99", "A"}}
            << QList<Node>{{1, 0, "id = 1", "id = 1", true}, {2, 0, "A", "A"}, {3, 2, "id = 99", "id = 2"}};
        QTest::newRow("dates by exact text, empty dates under a label that is no entry key")
            << QList<Entry>{{"zhang", "x", "2009-9-8"}, {"zhang", "y", "2009-09-08"}, {"zhang", "z", ""}}
            << QList<Node>{{1, 0, "2009-9-8", "2009-9-8", true},
                           {2, 1, "x", "id = 1"},
                           {3, 0, "2009-09-08", "2009-09-08"},
                           {4, 3, "y", "id = 2"},
                           {5, 0, "（无日期）", ""},
                           {6, 5, "z", "id = 3"}};
    }
    void treeGroupsEntriesUnderTheirDates() {
        QFETCH(QList<Entry>, entries);
        QFETCH(QList<Node>, nodes);
        for (const Entry& e : entries)
            m_diary->addEntry(e.user, e.title, e.date);
        Form_View* view = openView();
        DiaryTreeView* tree = view->TreeView_Diary;
        QAbstractItemModelTester tester(tree->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int pass = 0; pass < 2; ++pass, view->fv_RefreshTree()) {
            QList<Node> shown;
            for (int i = 1; i <= tree->nodeCount(); ++i) {
                const DiaryNode* n = tree->node(i);
                shown << Node{n->index, n->parent, n->text, n->hasKey ? std::optional(n->key) : std::nullopt,
                              tree->isExpanded(tree->nodes()->indexOfNode(i))};
            }
            QCOMPARE(shown, nodes);
            QVERIFY(!tree->selectedNode());
            QCOMPARE(paneTexts(view), QStringList(4));
        }
    }

    void paneFollowsClicksAndOutlastsGoneEntriesAndRefreshes() {
        Form_View* view = openWithEntries(2);
        QCOMPARE(paneTexts(view), (QStringList{"一", "日期：2009-09-08 星期二", "晴", "第一行\n第二行"}));
        // The keyboard moves on from there, showing each node it reaches.
        QTest::keyClick(view->TreeView_Diary, Qt::Key_Down);
        QCOMPARE(paneTexts(view).first(), QStringLiteral("二"));
        QTest::keyClick(view->TreeView_Diary, Qt::Key_Down);
        QCOMPARE(paneTexts(view), QStringList(4));
        click(view, 5);
        QCOMPARE(paneTexts(view), (QStringList{"三", "日期：2009-09-07 ", "", ""}));
        // A click or a double click on the empty space below the nodes leaves the node chosen last selected and
        // shown, and the commands still act on it.
        QWidget* space = view->TreeView_Diary->viewport();
        const QPoint below(10, space->height() - 5);
        QVERIFY(!view->TreeView_Diary->indexAt(below).isValid());
        QTest::mouseClick(space, Qt::LeftButton, {}, below);
        QCOMPARE(view->TreeView_Diary->selectedIndex(), 5);
        QTest::mouseDClick(space, Qt::LeftButton, {}, below);
        QCOMPARE(view->TreeView_Diary->selectedIndex(), 5);
        QCOMPARE(paneTexts(view).first(), QStringLiteral("三"));
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        view->Command_Delete->click();
        QCOMPARE(outcome(), (QStringList{"Form_View", kAskDelete}));
        // The right button opens the menu and changes neither selection nor pane.
        click(view, 2, Qt::RightButton);
        QVERIFY(view->PopMenu_Tree->isVisible() && view->TreeView_Diary->selectedNode()->index == 5);
        QCOMPARE(paneTexts(view).first(), QStringLiteral("三"));
        // An entry gone since the tree was built is reported by its number, and the pane kept.
        view->PopMenu_Tree->hide();
        const QStringList pane = paneTexts(view);
        m_diary->open()->Execute(sql::deleteDiaryWhere(sql::entryKey(m_ids[0])));
        click(view, 2);
        QCOMPARE(paneTexts(view), pane);
        QVERIFY(MessageBox::shownTexts().size() == 1 && MessageBox::shownTexts()[0].startsWith("运行时错误 '3021'"));
        // A refresh from the menu rebuilds the tree on a new connection and keeps the pane.
        const auto oldDb = DiaryDb;
        view->PopMenu_Tree_Refresh->trigger();
        const QStringList after = QStringList{"2009-09-08", "二", "2009-09-07", "三"} + pane;
        QCOMPARE(nodeTexts(view) + paneTexts(view), after);
        QVERIFY(DiaryDb && DiaryDb != oldDb);
        // A query that fails (the table out of reach) keeps the last tree, not the shown entry's one record.
        click(view, 4);
        QCOMPARE(rawSql(m_diary->databasePath(), "ALTER TABLE diary RENAME TO away"), QStringList());
        view->PopMenu_Tree_Refresh->trigger();
        QCOMPARE(nodeTexts(view), after.mid(0, 4));
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QCOMPARE(rawSql(m_diary->databasePath(), "ALTER TABLE away RENAME TO diary"), QStringList());
        // The file gone: the tree is built on the connection still open, without a word.
        QVERIFY(QFile::rename(m_diary->databasePath(), m_diary->databasePath() + QStringLiteral(".moved")));
        const auto openDb = DiaryDb;
        view->fv_RefreshTree();
        QVERIFY(DiaryDb == openDb && MessageBox::shownTexts().size() == 1);
        QCOMPARE(nodeTexts(view) + paneTexts(view), after);
    }

    void menuNodesItemsAndButtonsRunTheirCommands_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("outcome"); // with a date node selected; a menu node clicked on its own
        // Each menu node by its index, then each button with its menu item.
        const auto row = [](const QStringList& controls, const QStringList& outcome) {
            for (const QString& control : controls)
                QTest::newRow(qPrintable(control)) << control << outcome;
        };
        row({"1", "2"}, {"Form_View"});
        row({"3", "Command_Insert", "PopMenu_Tree_Write"}, {"Form_Write"});
        row({"4", "Command_Input", "PopMenu_Tree_Input"}, {"Form_View", "open"});
        row({"Command_Find", "PopMenu_Tree_Find"}, {"Form_Find"});
        row({"Command_Updata", "PopMenu_Tree_Change"}, {"Form_View", kSelectOne});
        row({"Command_Delete", "PopMenu_Tree_Delete"}, {"Form_View", "请选中日记，而不是日期或菜单"});
        row({"Command_Output", "PopMenu_Tree_Output"}, {"Form_View", "save"});
    }
    void menuNodesItemsAndButtonsRunTheirCommands() {
        QFETCH(QString, control);
        Form_View* view = control.size() > 1 ? openWithEntries() : openView();
        view->Text_Title->setText(QStringLiteral("x"));
        click(view, control.size() > 1 ? 1 : control.toInt());
        if (control.toInt() < 3) // the date node and the first two menu nodes empty the pane
            QCOMPARE(paneTexts(view), QStringList(4));
        if (control.size() == 1)
            QVERIFY(control != QLatin1String("3") || editorAlone(Form_Write::Mode::New));
        else if (auto* button = view->findChild<QPushButton*>(control))
            button->click();
        else
            view->findChild<QAction*>(control)->trigger();
        QTEST(outcome(), "outcome");
    }

    void refusedCommandChangesNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Selected>("selected");
        QTest::addColumn<QStringList>("shown");
        const QString del = QStringLiteral("Command_Delete"), change = QStringLiteral("Command_Updata");
        const QString noEntry = QStringLiteral("请选中日记，而不是日期或菜单"), none = QStringLiteral("未选中任何日记");
        using enum Selected;
        QTest::newRow("delete a menu node") << del << MenuNodeOfEmptyAccount << QStringList{noEntry};
        QTest::newRow("change a menu node") << change << MenuNodeOfEmptyAccount << QStringList{kSelectOne};
        QTest::newRow("change nothing") << change << Nothing << QStringList{kSelectOne};
        QTest::newRow("delete answered No") << del << EntryAnsweredNo << QStringList{kAskDelete};
        QTest::newRow("delete nothing") << del << Nothing << QStringList{none, "91"};
        QTest::newRow("delete, the table gone") << del << EntryTableGone << QStringList{kAskDelete, none, "3078"};
    }
    void refusedCommandChangesNothing() {
        QFETCH(QString, command);
        QFETCH(Selected, selected);
        if (selected == Selected::MenuNodeOfEmptyAccount)
            CurrentUser = QStringLiteral("王五");
        Form_View* view = openWithEntries();
        if (selected == Selected::MenuNodeOfEmptyAccount)
            view->TreeView_Diary->selectNode(3);
        else if (selected != Selected::Nothing)
            click(view, 2);
        const QStringList before = paneTexts(view) + nodeTexts(view);
        if (selected == Selected::EntryAnsweredNo)
            MessageBox::setNextAnswer(MessageBox::Answer::No);
        if (selected == Selected::EntryTableGone)
            QCOMPARE(rawSql(m_diary->databasePath(), "DROP TABLE diary"), QStringList());
        view->findChild<QPushButton*>(command)->click();
        QTEST(MessageBox::shownTexts(), "shown");
        QCOMPARE(paneTexts(view) + nodeTexts(view), before);
        QVERIFY(windowsOnShow() == QStringList{"Form_View"} && EditCondition.isEmpty());
        if (selected != Selected::EntryTableGone)
            QCOMPARE(storedIds(*m_diary->open()).size(), 4);
    }

    void deleteOnYesRemovesTheEntryAndEmptiesThePane() {
        Form_View* view = openWithEntries(3);
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), (QStringList{kAskDelete, "删除成功！"}));
        QVERIFY(!storedIds(*m_diary->open()).contains(m_ids[1]));
        QCOMPARE(nodeTexts(view) + paneTexts(view),
                 (QStringList{"2009-09-08", "一", "2009-09-07", "三", "", "", "", ""}));
    }

    // Change opens the selected entry (not the one shown), then new a blank editor whatever is selected; each
    // saved entry shows in the main window's rebuilt tree.
    void editorOpensForTheCommandAndItsSaveShowsInTheTree() {
        Form_View* view = openWithEntries(2);
        for (const bool change : {true, false}) {
            view->TreeView_Diary->selectNode(5);
            (change ? view->Command_Updata : view->Command_Insert)->click();
            QCOMPARE(EditCondition, change ? sql::entryKey(m_ids[2]) : QString());
            Form_Write* editor = editorAlone(change ? Form_Write::Mode::Change : Form_Write::Mode::New);
            QVERIFY(editor && editor->Text_DiaryTitle->text() == (change ? "三" : ""));
            editor->Text_DiaryTitle->setText(QStringLiteral("今天"));
            editor->RichTextBox_DiaryText->setPlainText(QStringLiteral("写点什么"));
            editor->Command_Insert->click();
            QVERIFY(windowsOnShow() == QStringList{"Form_View"} && g_lastUnloads == 0 && EditCondition.isEmpty());
            view = forms().loaded<Form_View>();
            const QList<qint64> ids = storedIds(*m_diary->open());
            const qint64 saved = change ? m_ids[2] : ids.last();
            QCOMPARE(view->TreeView_Diary->node(nodeWithKey(view, sql::entryKey(saved)))->text, "今天");
            QCOMPARE(ids.size(), change ? 4 : 5);
        }
    }

    // The body's line breaks reach the file as stored: CR LF as CR LF, a lone LF as LF.
    void exportWritesTheBodysOwnLineBreaks_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("written"); // after "内容："
        QTest::newRow("CR LF") << QStringLiteral("A\r\nB") << QByteArray("A\r\nB\r\n");
        QTest::newRow("lone LF") << QStringLiteral("A\nB") << QByteArray("A\nB\r\n");
        QTest::newRow("both, and a lone LF last") << QStringLiteral("A\n\r\nB\n") << QByteArray("A\n\r\nB\n\r\n");
    }
    void exportWritesTheBodysOwnLineBreaks() {
        QFETCH(QString, body);
        m_diary->addEntry(kUser, "一", "2009-09-08", "星期二", "晴", body);
        Form_View* view = openView();
        click(view, 2);
        const QString name = m_diary->filePath(QStringLiteral("entry.txt"));
        FileDialog::setNextFileName(name);
        view->Command_Output->click();
        const QByteArray bytes = contentsOf(name);
        QTEST(bytes.mid(bytes.indexOf("\xC4\xDA\xC8\xDD\xA3\xBA") + 6), "written");
    }

    void exportWritesTheEntryOrNothingAndTheFileImportsIntoTheEditor() {
        Form_View* view = openWithEntries(2);
        // Cancelled, a folder, a folder that does not exist: nothing written and nothing said.
        const QDir folder(m_diary->folder());
        QVERIFY(folder.mkdir(QStringLiteral("folder")));
        const QStringList before = folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& name : {QString(), m_diary->filePath("folder"), m_diary->filePath("missing/entry.txt")}) {
            FileDialog::setNextFileName(name);
            view->Command_Output->click();
            QCOMPARE(FileDialog::lastRequest().filter, kTextFilter);
            QCOMPARE(outcome(), (QStringList{"Form_View", "save"}));
            QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        }
        // A name without extension is used as it stands.
        const QString name = m_diary->filePath(QStringLiteral("来信"));
        FileDialog::setNextFileName(name);
        view->Command_Output->click();
        QCOMPARE(outcome(), (QStringList{"Form_View", "save", "导出成功！"}));
        QVERIFY(contentsOf(name).startsWith("\xB1\xEA\xCC\xE2\xA3\xBA\xD2\xBB\r\n"));
        // A named pipe is not taken: nothing happens, and nothing waits for a writer.
        const QString pipe = m_diary->filePath(QStringLiteral("pipe.txt"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        FileDialog::setNextFileName(pipe);
        view->Command_Input->click();
        QCOMPARE(outcome(), (QStringList{"Form_View", "open"}));
        QVERIFY(ImportFilePath.isEmpty());
        FileDialog::setNextFileName(name);
        view->Command_Input->click();
        QVERIFY(ImportFilePath == name && FileDialog::lastRequest().filter == kTextFilter);
        Form_Write* editor = editorAlone(Form_Write::Mode::Import);
        QVERIFY(editor && editor->Text_DiaryTitle->text().isEmpty());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(),
                 QStringLiteral("标题：一\r\n日期：2009-09-08 星期二\r\n天气：晴\r\n内容：第一行\r\n第二行"));
    }

    // A date node never acts as an entry, whatever its text: an entry whose date reads like a condition (written
    // by another client, or a restored foreign file) shows nothing, and change, delete and export never reach
    // another account's entry. (The search's hand-over goes by the row's id: tst_formfind.)
    void forgedDateNeverActsAsAnEntry_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<Verb>("verb");
        QTest::addColumn<QStringList>("shown");
        for (const char* date : {"id = 0 OR id > 0", "id = 1"}) {
            QTest::addRow("%s: clicked", date) << date << Verb::Click << QStringList();
            QTest::addRow("%s: changed", date) << date << Verb::Change << QStringList{kSelectOne};
            QTest::addRow("%s: deleted", date) << date << Verb::Delete << QStringList{"请选中日记，而不是日期或菜单"};
            QTest::addRow("%s: exported", date) << date << Verb::Export << QStringList{"导出成功！"};
        }
    }
    void forgedDateNeverActsAsAnEntry() {
        QFETCH(QString, date);
        QFETCH(Verb, verb);
        m_diary->addEntry("li", "别人的秘密", "2009-09-01", "星期二", "晴", "不给看"); // id 1
        m_diary->addEntry(kUser, "伪造", date, "星期二", "晴", "自己的");
        m_diary->addEntry(kUser, "平常", "2009-09-08");
        const QList<QStringList> before = storedRows(*m_diary->open(), "diary");
        Form_View* view = openView();
        QCOMPARE(view->TreeView_Diary->node(1)->text, date);
        click(view, 1);
        const QString file = m_diary->filePath("out.txt");
        if (verb == Verb::Change)
            view->Command_Updata->click();
        else if (verb == Verb::Delete)
            view->Command_Delete->click();
        else if (verb == Verb::Export)
            FileDialog::setNextFileName(file), view->Command_Output->click();
        QTEST(MessageBox::shownTexts(), "shown");
        QCOMPARE(paneTexts(view), QStringList(4));
        QVERIFY(!contentsOf(file).contains("\xB2\xBB\xB8\xF8")); // 不给 in GBK
        QCOMPARE(windowsOnShow(), QStringList{"Form_View"});
        QCOMPARE(storedRows(*m_diary->open(), "diary"), before);
    }
};

QTEST_MAIN(TestFormView)
#include "tst_formview.moc"
