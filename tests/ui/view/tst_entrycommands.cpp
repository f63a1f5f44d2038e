// The main window's entry commands: new, delete and change, what each refuses, and the hand-over to
// the next window (shown before the main window goes, so the program never runs out of windows).

#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/write/FormWrite.h"

#include <QTest>

using platform::forms;
using platform::MessageBox;
using testsupport::nodeTexts;
using testsupport::nodeWithKey;
using testsupport::paneTexts;

namespace {
const QString kUser = QStringLiteral("张三");
const QString kAskDelete = QStringLiteral("确认要删除选中的日记吗？");
const QString kNothingSelected = QStringLiteral("未选中任何日记");
int g_lastUnloads = 0;
} // namespace

class TestEntryCommands : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    QList<qint64> m_ids; // three entries on two dates: 2009/9/1 holds the first two

    QList<qint64> storedIds() { return testsupport::storedIds(*m_diary->open()); }
    // The main window with the node of this key ("" none, "entry N" the N-th entry) selected.
    Form_View* openWithSelected(const QString& key) {
        Form_View* view = forms().show<Form_View>();
        const QString nodeKey = key.startsWith("entry ") ? sql::entryKey(m_ids[key.mid(6).toInt()]) : key;
        if (!key.isEmpty())
            view->TreeView_Diary->selectNode(key == "menu" ? 3 : nodeWithKey(view, nodeKey));
        return view;
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
        m_ids = {m_diary->addEntry(kUser, "一", "2009/9/1", "星期二", "晴朗", "正文一"),
                 m_diary->addEntry(kUser, "二", "2009/9/1", "星期二", "多云", "正文二"),
                 m_diary->addEntry(kUser, "三", "2009/9/5", "星期六", "小雪", "正文三")};
        m_diary->addEntry(QStringLiteral("李四"), QStringLiteral("别人的"), QStringLiteral("2009/9/1"));
    }
    void cleanup() {
        forms().resetForTests();
        app::resetGlobals();
        m_diary.reset();
    }

    void commandRefusesTheSelection_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("shown");
        const QStringList notAnEntry{QStringLiteral("请选中日记，而不是日期或菜单")};
        QTest::newRow("delete a menu node") << "Command_Delete"
                                            << "menu" << notAnEntry;
        QTest::newRow("change a menu node") << "Command_Updata"
                                            << "menu" << QStringList{"请选中一篇日记"};
        QTest::newRow("change nothing") << "Command_Updata"
                                        << "" << QStringList{"请选中一篇日记"};
    }
    void commandRefusesTheSelection() {
        QFETCH(QString, command);
        QFETCH(QString, selected);
        QFETCH(QStringList, shown);
        if (selected == QLatin1String("menu"))
            CurrentUser = QStringLiteral("王五"); // no entries: the tree is the menu
        Form_View* view = openWithSelected(selected);
        const QStringList tree = nodeTexts(view);
        view->findChild<QPushButton*>(command)->click();
        QCOMPARE(MessageBox::shownTexts(), shown);
        QVERIFY(forms().loaded<Form_View>() == view && view->isVisible() && !forms().isLoaded<Form_Write>());
        QCOMPARE(nodeTexts(view), tree);
        QCOMPARE(storedIds().size(), 4);
        QVERIFY(EditCondition.isEmpty());
    }

    void deleteWithoutSelectionOrWhoseStatementFailsShowsTheFailureNumber_data() {
        QTest::addColumn<bool>("statementFails");
        QTest::newRow("nothing selected") << false;
        QTest::newRow("the table gone") << true;
    }
    void deleteWithoutSelectionOrWhoseStatementFailsShowsTheFailureNumber() {
        QFETCH(bool, statementFails);
        Form_View* view = openWithSelected("");
        if (statementFails)
            testsupport::leftClickNode(view, nodeWithKey(view, sql::entryKey(m_ids[0])));
        const QStringList pane = paneTexts(view), tree = nodeTexts(view);
        if (statementFails)
            QCOMPARE(testsupport::rawSql(m_diary->databasePath(), "DROP TABLE diary"), QStringList());
        view->Command_Delete->click();
        QStringList shown = MessageBox::shownTexts();
        if (statementFails)
            QCOMPARE(shown.takeFirst(), kAskDelete);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], kNothingSelected);
        bool isNumber = false;
        QVERIFY2(shown[1].toInt(&isNumber) > 0 && isNumber, qPrintable(shown[1]));
        QCOMPARE(MessageBox::shown().back().buttons, MessageBox::Buttons::Ok);
        QCOMPARE(paneTexts(view), pane);
        QCOMPARE(nodeTexts(view), tree);
    }

    void deleteAsksAndRemovesOnlyOnYes() {
        Form_View* view = openWithSelected("entry 1");
        testsupport::leftClickNode(view, nodeWithKey(view, sql::entryKey(m_ids[1])));
        const QStringList pane = paneTexts(view);
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskDelete});
        QCOMPARE(storedIds().size(), 4);
        QCOMPARE(paneTexts(view), pane);

        MessageBox::clearShown();
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), (QStringList{kAskDelete, "删除成功！"}));
        const MessageBox::Request question = MessageBox::shown().front();
        QCOMPARE(question.title, QStringLiteral("青简录"));
        QCOMPARE(question.buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(question.defaultAnswer, MessageBox::Answer::Yes);
        QVERIFY(!storedIds().contains(m_ids[1]));
        QCOMPARE(nodeTexts(view), (QStringList{"2009/9/1", "一", "2009/9/5", "三"}));
        QCOMPARE(paneTexts(view), QStringList(4));
        // The last entry of a date takes its date along, the account's last entry brings back the menu.
        for (qint64 id : {m_ids[2], m_ids[0]}) {
            view->TreeView_Diary->selectNode(nodeWithKey(view, sql::entryKey(id)));
            view->Command_Delete->click();
        }
        QCOMPARE(nodeTexts(view), (QStringList{"【暂无任何日记】", "您可以选择：", "1.新建日记", "2.导入文本"}));
    }

    void newEntryOpensABlankEditorWhateverIsSelected() {
        openWithSelected("entry 0")->Command_Insert->click();
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor && editor->isVisible() && !forms().isLoaded<Form_View>());
        QCOMPARE(editor->mode(), Form_Write::Mode::New);
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        QCOMPARE(g_lastUnloads, 0);
        // Saved, the new entry shows in the main window's rebuilt tree.
        editor->Text_DiaryTitle->setText(QStringLiteral("今天"));
        editor->RichTextBox_DiaryText->setPlainText(QStringLiteral("写点什么"));
        editor->Command_Insert->click();
        Form_View* view = forms().loaded<Form_View>();
        QVERIFY(view && view->isVisible() && !forms().isLoaded<Form_Write>());
        QCOMPARE(view->TreeView_Diary->node(nodeWithKey(view, sql::entryKey(storedIds().last())))->text, "今天");
        QCOMPARE(g_lastUnloads, 0);
    }

    void changeOpensTheSelectedEntryNotTheShownOne() {
        Form_View* view = openWithSelected("");
        testsupport::leftClickNode(view, nodeWithKey(view, sql::entryKey(m_ids[0])));
        view->TreeView_Diary->selectNode(nodeWithKey(view, sql::entryKey(m_ids[2])));
        view->Command_Updata->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(EditCondition, sql::entryKey(m_ids[2]));
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor && editor->isVisible() && !forms().isLoaded<Form_View>());
        QCOMPARE(editor->mode(), Form_Write::Mode::Change);
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("三"));
        QCOMPARE(g_lastUnloads, 0);
        editor->Text_DiaryTitle->setText(QStringLiteral("三改"));
        editor->Command_Insert->click();
        view = forms().loaded<Form_View>();
        QCOMPARE(view->TreeView_Diary->node(nodeWithKey(view, sql::entryKey(m_ids[2])))->text, "三改");
        QVERIFY(EditCondition.isEmpty());
    }
};

QTEST_MAIN(TestEntryCommands)
#include "tst_entrycommands.moc"
