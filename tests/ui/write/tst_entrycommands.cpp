#include "support/TestSupport.h"

#include "app/Globals.h"
#include "db/Connection.h"
#include "db/Dao.h"
#include "db/DaoInternal.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/find/FormFind.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

#include <QTest>

using platform::forms;
using platform::MessageBox;

namespace {
const QString kUser = QStringLiteral("张三");
const QString kAskDelete = QStringLiteral("确认要删除选中的日记吗？");
const QString kDeleted = QStringLiteral("删除成功！");
const QString kNotAnEntry = QStringLiteral("请选中日记，而不是日期或菜单");
const QString kNothingSelected = QStringLiteral("未选中任何日记");
const QString kSelectOne = QStringLiteral("请选中一篇日记");
int g_lastUnloads = 0;
} // namespace

class TestEntryCommands : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    qint64 m_first = 0, m_second = 0, m_third = 0;

    // Three entries on two dates, and one of somebody else.
    void addEntries() {
        m_first = m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009/9/1"), QStringLiteral("星期二"),
                                    QStringLiteral("晴朗"), QStringLiteral("正文一"));
        m_second = m_diary->addEntry(kUser, QStringLiteral("二"), QStringLiteral("2009/9/1"), QStringLiteral("星期二"),
                                     QStringLiteral("多云"), QStringLiteral("正文二"));
        m_third = m_diary->addEntry(kUser, QStringLiteral("三"), QStringLiteral("2009/9/5"), QStringLiteral("星期六"),
                                    QStringLiteral("小雪"), QStringLiteral("正文三"));
        m_diary->addEntry(QStringLiteral("李四"), QStringLiteral("别人的"), QStringLiteral("2009/9/1"));
    }

    Form_View* openMain() { return forms().show<Form_View>(); }

    static QString keyOf(qint64 id) { return QStringLiteral("id = %1").arg(id); }

    static int nodeWithKey(Form_View* view, const QString& key) {
        for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
            if (view->TreeView_Diary->node(i)->hasKey && view->TreeView_Diary->node(i)->key == key)
                return i;
        return 0;
    }
    static QStringList nodeTexts(Form_View* view) {
        QStringList texts;
        for (int i = 1; i <= view->TreeView_Diary->nodeCount(); ++i)
            texts << view->TreeView_Diary->node(i)->text;
        return texts;
    }
    // Shows an entry in the reading pane as a left click on its node does.
    static void showInPane(Form_View* view, int node) {
        view->TreeView_Diary_MouseDown(1, 0, 0, 0);
        view->TreeView_Diary_NodeClick(node);
        view->TreeView_Diary_MouseUp(1, 0, 0, 0);
    }
    static QStringList pane(Form_View* view) {
        return {view->Text_Title->text(), view->Label_DateWeek->text(), view->Label_Weather->text(),
                view->RichTextBox_DiaryText->toPlainText()};
    }

    QList<qint64> storedIds() {
        auto rs = m_diary->open()->OpenRecordset(QStringLiteral("Select id from diary"));
        QList<qint64> ids;
        while (!rs->EOF()) {
            ids.append(rs->Fields(0).toLongLong());
            rs->MoveNext();
        }
        return ids;
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        forms().setOnLastUnloaded([] { ++g_lastUnloads; });
    }
    void init() {
        testsupport::resetProgramState();
        g_lastUnloads = 0;
        m_diary = std::make_unique<testsupport::TempDiary>();
        DiaryDb = m_diary->open();
        CurrentUser = kUser;
        addEntries();
    }
    void cleanup() {
        forms().resetForTests();
        app::resetGlobals();
        m_diary.reset();
    }

    void newEntryCommandOpensABlankEditor_data() {
        QTest::addColumn<bool>("entrySelected");
        QTest::newRow("nothing selected") << false;
        QTest::newRow("an entry selected") << true;
    }
    void newEntryCommandOpensABlankEditor() {
        QFETCH(bool, entrySelected);
        Form_View* view = openMain();
        if (entrySelected)
            view->TreeView_Diary->selectNode(nodeWithKey(view, keyOf(m_first)));
        view->Command_Insert->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QVERIFY(!forms().isLoaded<Form_View>());
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->mode(), Form_Write::Mode::New);
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        // The editor was shown before the main window went, so the program never ran out of windows.
        QCOMPARE(g_lastUnloads, 0);
    }

    void savedNewEntryAppearsInTheRebuiltTree() {
        openMain()->Command_Insert->click();
        Form_Write* editor = forms().loaded<Form_Write>();
        editor->Text_DiaryTitle->setText(QStringLiteral("今天"));
        editor->RichTextBox_DiaryText->setPlainText(QStringLiteral("写点什么"));
        editor->Command_Insert->click();
        QVERIFY(!forms().isLoaded<Form_Write>());
        Form_View* view = forms().loaded<Form_View>();
        QVERIFY(view && view->isVisible());
        QCOMPARE(storedIds().size(), 5);
        const int node = nodeWithKey(view, keyOf(storedIds().back()));
        QVERIFY(node > 0);
        QCOMPARE(view->TreeView_Diary->node(node)->text, QStringLiteral("今天"));
        QCOMPARE(g_lastUnloads, 0);
    }

    void deleteRefusesADateNode() {
        Form_View* view = openMain();
        view->TreeView_Diary->selectNode(nodeWithKey(view, QStringLiteral("2009/9/1")));
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNotAnEntry});
        QCOMPARE(storedIds().size(), 4);
    }

    void deleteRefusesAMenuNode() {
        CurrentUser = QStringLiteral("王五");
        Form_View* view = openMain();
        QCOMPARE(view->TreeView_Diary->nodeCount(), 4);
        view->TreeView_Diary->selectNode(3);
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kNotAnEntry});
    }

    void deleteWithoutSelectionShowsTheFailureNumber() {
        Form_View* view = openMain();
        const QStringList tree = nodeTexts(view);
        view->Command_Delete->click();
        const QStringList shown = MessageBox::shownTexts();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], kNothingSelected);
        QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("青简录"));
        bool isNumber = false;
        QVERIFY(shown[1].toInt(&isNumber) != dao::errNoCurrentRecord && isNumber);
        QCOMPARE(MessageBox::shown()[1].title, MessageBox::applicationTitle());
        QCOMPARE(MessageBox::shown()[1].buttons, MessageBox::Buttons::Ok);
        QCOMPARE(storedIds().size(), 4);
        QCOMPARE(nodeTexts(view), tree);
    }

    void deleteAnsweredNoChangesNothing() {
        Form_View* view = openMain();
        const int node = nodeWithKey(view, keyOf(m_second));
        showInPane(view, node);
        const QStringList shownEntry = pane(view);
        view->TreeView_Diary->selectNode(node);
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskDelete});
        QCOMPARE(storedIds().size(), 4);
        QCOMPARE(pane(view), shownEntry);
        QCOMPARE(view->TreeView_Diary->selectedNode()->key, keyOf(m_second));
    }

    void deleteAnsweredYesRemovesTheEntry() {
        Form_View* view = openMain();
        const int node = nodeWithKey(view, keyOf(m_second));
        showInPane(view, node);
        QCOMPARE(view->Text_Title->text(), QStringLiteral("二"));
        view->TreeView_Diary->selectNode(node);
        view->Command_Delete->click();

        QCOMPARE(MessageBox::shownTexts(), (QStringList{kAskDelete, kDeleted}));
        const MessageBox::Request question = MessageBox::shown().front();
        QCOMPARE(question.title, QStringLiteral("青简录"));
        QCOMPARE(question.buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(question.defaultAnswer, MessageBox::Answer::Yes);
        QVERIFY(!storedIds().contains(m_second));
        QCOMPARE(storedIds().size(), 3);
        QCOMPARE(nodeWithKey(view, keyOf(m_second)), 0);
        QVERIFY(nodeWithKey(view, keyOf(m_first)) > 0);
        QCOMPARE(pane(view), QStringList(4, QString()));
        QVERIFY(forms().loaded<Form_View>() == view && view->isVisible());
    }

    void deletingTheLastEntryOfADateRemovesTheDate() {
        Form_View* view = openMain();
        view->TreeView_Diary->selectNode(nodeWithKey(view, keyOf(m_third)));
        view->Command_Delete->click();
        QCOMPARE(nodeWithKey(view, QStringLiteral("2009/9/5")), 0);
        QVERIFY(nodeWithKey(view, QStringLiteral("2009/9/1")) > 0);
    }

    void deletingTheUsersLastEntryBringsBackTheMenu() {
        for (qint64 id : {m_first, m_second})
            m_diary->open()->Execute(QStringLiteral("Delete from diary where id = %1").arg(id));
        Form_View* view = openMain();
        view->TreeView_Diary->selectNode(nodeWithKey(view, keyOf(m_third)));
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), (QStringList{kAskDelete, kDeleted}));
        QCOMPARE(nodeTexts(view), (QStringList{"【暂无任何日记】", "您可以选择：", "1.新建日记", "2.导入文本"}));
    }

    void deleteWhoseStatementFailsLeavesTreeAndPane() {
        Form_View* view = openMain();
        const int node = nodeWithKey(view, keyOf(m_first));
        showInPane(view, node);
        const QStringList shownEntry = pane(view);
        const QStringList tree = nodeTexts(view);
        view->TreeView_Diary->selectNode(node);
        dao::connectionOf(*DiaryDb)->exec("DROP TABLE diary");
        view->Command_Delete->click();
        const QStringList shown = MessageBox::shownTexts();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0], kAskDelete);
        QCOMPARE(shown[1], kNothingSelected);
        bool isNumber = false;
        QVERIFY(shown[2].toInt(&isNumber) >= 3000 && isNumber);
        QCOMPARE(pane(view), shownEntry);
        QCOMPARE(nodeTexts(view), tree);
    }

    void changeRefusesAnythingButAnEntry_data() {
        QTest::addColumn<QString>("selection"); // a node key, or empty for none
        QTest::newRow("date node") << "2009/9/5";
        QTest::newRow("nothing selected") << "";
    }
    void changeRefusesAnythingButAnEntry() {
        QFETCH(QString, selection);
        Form_View* view = openMain();
        if (!selection.isEmpty())
            view->TreeView_Diary->selectNode(nodeWithKey(view, selection));
        view->Command_Updata->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kSelectOne});
        QVERIFY(forms().loaded<Form_View>() == view && view->isVisible());
        QVERIFY(!forms().isLoaded<Form_Write>());
        QVERIFY(EditCondition.isEmpty());
    }

    void changeRefusesAMenuNode() {
        CurrentUser = QStringLiteral("王五");
        Form_View* view = openMain();
        view->TreeView_Diary->selectNode(3);
        view->Command_Updata->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kSelectOne});
        QVERIFY(!forms().isLoaded<Form_Write>());
    }

    void changeOpensTheSelectedEntryNotTheShownOne() {
        Form_View* view = openMain();
        showInPane(view, nodeWithKey(view, keyOf(m_first)));
        view->TreeView_Diary->selectNode(nodeWithKey(view, keyOf(m_third)));
        view->Command_Updata->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(EditCondition, keyOf(m_third));
        QVERIFY(!forms().isLoaded<Form_View>());
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->mode(), Form_Write::Mode::Change);
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("三"));
        QCOMPARE(editor->Text_DiaryDate->text(), QStringLiteral("2009/9/5"));
        QCOMPARE(g_lastUnloads, 0);

        // Saved, the change shows in the main window's new tree.
        editor->Text_DiaryTitle->setText(QStringLiteral("三改"));
        editor->Command_Insert->click();
        view = forms().loaded<Form_View>();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->TreeView_Diary->node(nodeWithKey(view, keyOf(m_third)))->text, QStringLiteral("三改"));
        QVERIFY(EditCondition.isEmpty());
    }

    void searchOpensTheSearchWindow_data() {
        QTest::addColumn<QString>("selection");
        QTest::newRow("nothing selected") << "";
        QTest::newRow("date node") << "2009/9/1";
        QTest::newRow("entry") << "entry";
    }
    void searchOpensTheSearchWindow() {
        QFETCH(QString, selection);
        Form_View* view = openMain();
        if (selection == QLatin1String("entry"))
            view->TreeView_Diary->selectNode(nodeWithKey(view, keyOf(m_first)));
        else if (!selection.isEmpty())
            view->TreeView_Diary->selectNode(nodeWithKey(view, selection));
        view->Command_Find->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QVERIFY(!forms().isLoaded<Form_View>());
        QVERIFY(forms().isLoaded<Form_Find>() && forms().loaded<Form_Find>()->isVisible());
        QCOMPARE(g_lastUnloads, 0);
    }
};

QTEST_MAIN(TestEntryCommands)
#include "tst_entrycommands.moc"
