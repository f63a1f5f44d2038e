// The main window's entry commands: new, delete and change, what each refuses, the export and import of an
// entry as a text file, and the hand-over to the editor (shown before the main window goes, so the program
// never runs out of windows). The text file's bytes are the entry text file module's own tests.

#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "ui/write/FormWrite.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using platform::FileDialog;
using platform::forms;
using platform::MessageBox;
using testsupport::nodeTexts;
using testsupport::nodeWithKey;
using testsupport::paneTexts;

namespace {
const QString kUser = QStringLiteral("张三");
const QString kAskDelete = QStringLiteral("确认要删除选中的日记吗？");
const QString kSelectOne = QStringLiteral("请选中一篇日记");
const QString kTextFilter = QStringLiteral("*.txt(文本文件) | *.txt");
int g_lastUnloads = 0;

// The editor when it is the one window loaded, on show in this mode, and no unload ever left none.
Form_Write* editorAlone(Form_Write::Mode mode) {
    Form_Write* editor = forms().loaded<Form_Write>();
    const bool alone = editor && editor->isVisible() && forms().loadedCount() == 1 && g_lastUnloads == 0;
    return alone && editor->mode() == mode ? editor : nullptr;
}
} // namespace

class TestEntryCommands : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    QList<qint64> m_ids; // three entries on two dates: 2009/9/1 holds the first two

    QList<qint64> storedIds() { return testsupport::storedIds(*m_diary->open()); }
    int nodeOf(Form_View* view, int entry) { return nodeWithKey(view, sql::entryKey(m_ids[entry])); }
    // The main window with the n-th entry shown in the pane and the m-th selected (-1: none).
    Form_View* openWith(int shown, int selected) {
        Form_View* view = forms().show<Form_View>();
        if (shown >= 0)
            testsupport::leftClickNode(view, nodeOf(view, shown));
        if (selected >= 0)
            view->TreeView_Diary->selectNode(nodeOf(view, selected));
        return view;
    }
    static Form_View* openShowing(const QString& title, const QString& body) {
        Form_View* view = forms().show<Form_View>();
        view->Text_Title->setText(title);
        view->Label_DateWeek->setText(QStringLiteral("日期：2009-09-08 星期二"));
        view->Label_Weather->setText(QStringLiteral("阴雨"));
        view->RichTextBox_DiaryText->setPlainText(body);
        return view;
    }

private slots:
    void initTestCase() {
        startWindowTests();
        forms().setOnLastUnloaded([] { ++g_lastUnloads; });
    }
    void init() {
        startWithDiary(kUser);
        g_lastUnloads = 0;
        m_ids = {m_diary->addEntry(kUser, "一", "2009/9/1", "星期二", "晴朗", "正文一"),
                 m_diary->addEntry(kUser, "二", "2009/9/1", "星期二", "多云", "正文二"),
                 m_diary->addEntry(kUser, "三", "2009/9/5", "星期六", "小雪", "正文三")};
        m_diary->addEntry(QStringLiteral("李四"), QStringLiteral("别人的"), QStringLiteral("2009/9/1"));
    }
    void cleanup() { dropDiary(); }

    void refusedCommandChangesNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("selected"); // "menu": of an account without entries; "entry": the table gone
        QTest::addColumn<QString>("shown");    // a pattern of the texts, one a line
        QTest::newRow("delete a menu node") << "Command_Delete"
                                            << "menu"
                                            << "请选中日记，而不是日期或菜单";
        QTest::newRow("change a menu node") << "Command_Updata"
                                            << "menu" << kSelectOne;
        QTest::newRow("change nothing") << "Command_Updata"
                                        << "" << kSelectOne;
        QTest::newRow("delete nothing") << "Command_Delete"
                                        << ""
                                        << "未选中任何日记\n91";
        QTest::newRow("delete, the table gone") << "Command_Delete"
                                                << "entry" << kAskDelete + "\n未选中任何日记\n3\\d{3}";
    }
    void refusedCommandChangesNothing() {
        QFETCH(QString, command);
        QFETCH(QString, selected);
        QFETCH(QString, shown);
        if (selected == QLatin1String("menu"))
            CurrentUser = QStringLiteral("王五");
        Form_View* view = openWith(selected == QLatin1String("entry") ? 0 : -1, -1);
        if (selected == QLatin1String("menu"))
            view->TreeView_Diary->selectNode(3);
        const QStringList before = paneTexts(view) + nodeTexts(view);
        if (selected == QLatin1String("entry"))
            QCOMPARE(testsupport::rawSql(m_diary->databasePath(), "DROP TABLE diary"), QStringList());
        view->findChild<QPushButton*>(command)->click();
        const QString texts = MessageBox::shownTexts().join('\n');
        QVERIFY2(QRegularExpression('^' + shown + '$').match(texts).hasMatch(), qPrintable(texts));
        QCOMPARE(MessageBox::shown().back().buttons, MessageBox::Buttons::Ok);
        QCOMPARE(paneTexts(view) + nodeTexts(view), before);
        QVERIFY(view->isVisible() && forms().loadedCount() == 1 && EditCondition.isEmpty());
        if (selected != QLatin1String("entry"))
            QCOMPARE(storedIds().size(), 4);
    }

    void deleteAsksAndRemovesOnlyOnYes() {
        Form_View* view = openWith(1, 1);
        const QStringList pane = paneTexts(view);
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kAskDelete});
        QCOMPARE(storedIds().size(), 4);
        QCOMPARE(paneTexts(view), pane);

        MessageBox::clearShown();
        view->Command_Delete->click();
        QCOMPARE(MessageBox::shownTexts(), (QStringList{kAskDelete, "删除成功！"}));
        QVERIFY(!storedIds().contains(m_ids[1]));
        QCOMPARE(nodeTexts(view), (QStringList{"2009/9/1", "一", "2009/9/5", "三"}));
        QCOMPARE(paneTexts(view), QStringList(4));
        // The last entry of a date takes its date along, the account's last entry brings back the menu.
        for (int entry : {2, 0}) {
            view->TreeView_Diary->selectNode(nodeOf(view, entry));
            view->Command_Delete->click();
        }
        QCOMPARE(nodeTexts(view), (QStringList{"【暂无任何日记】", "您可以选择：", "1.新建日记", "2.导入文本"}));
    }

    void newEntryOpensABlankEditorWhateverIsSelected() {
        openWith(-1, 0)->Command_Insert->click();
        Form_Write* editor = editorAlone(Form_Write::Mode::New);
        QVERIFY(editor);
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        // Saved, the new entry shows in the main window's rebuilt tree.
        editor->Text_DiaryTitle->setText(QStringLiteral("今天"));
        editor->RichTextBox_DiaryText->setPlainText(QStringLiteral("写点什么"));
        editor->Command_Insert->click();
        Form_View* view = forms().loaded<Form_View>();
        QVERIFY(view && view->isVisible() && forms().loadedCount() == 1 && g_lastUnloads == 0);
        QCOMPARE(view->TreeView_Diary->node(nodeWithKey(view, sql::entryKey(storedIds().last())))->text, "今天");
    }

    void changeOpensTheSelectedEntryNotTheShownOne() {
        openWith(0, 2)->Command_Updata->click();
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(EditCondition, sql::entryKey(m_ids[2]));
        Form_Write* editor = editorAlone(Form_Write::Mode::Change);
        QVERIFY(editor);
        QCOMPARE(editor->Text_DiaryTitle->text(), QStringLiteral("三"));
        editor->Text_DiaryTitle->setText(QStringLiteral("三改"));
        editor->Command_Insert->click();
        Form_View* view = forms().loaded<Form_View>();
        QCOMPARE(view->TreeView_Diary->node(nodeOf(view, 2))->text, "三改");
        QVERIFY(EditCondition.isEmpty());
    }

    void exportSaysSoOnlyWhenTheFileIsWritten_data() {
        QTest::addColumn<QString>("name"); // in the diary's folder; empty: the dialog cancelled
        QTest::addColumn<bool>("written");
        QTest::newRow("cancelled") << "" << false;
        QTest::newRow("a name without extension, used as it is") << "日记导出" << true;
        QTest::newRow("a folder given as the name") << "folder" << false;
        QTest::newRow("a folder that does not exist") << "missing/entry.txt" << false;
    }
    void exportSaysSoOnlyWhenTheFileIsWritten() {
        QFETCH(QString, name);
        QFETCH(bool, written);
        const QDir folder(m_diary->folder());
        QVERIFY(folder.mkdir(QStringLiteral("folder")));
        const QStringList before = folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        Form_View* view = openShowing(QStringLiteral("新"), QStringLiteral("正文"));
        FileDialog::setNextFileName(name.isEmpty() ? name : m_diary->filePath(name));
        view->Command_Output->click();
        QVERIFY(FileDialog::lastRequest().save);
        QCOMPARE(FileDialog::lastRequest().filter, kTextFilter);
        QCOMPARE(MessageBox::shownTexts(), written ? QStringList{"导出成功！"} : QStringList());
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot) == before, !written);
        if (written)
            QVERIFY(
                testsupport::contentsOf(m_diary->filePath(name)).startsWith("\xB1\xEA\xCC\xE2\xA3\xBA\xD0\xC2\r\n"));
        QVERIFY(view->isVisible() && forms().loadedCount() == 1);
    }

    void exportedEntryImportsIntoTheEditorAsItsBody() {
        Form_View* view = openShowing(QStringLiteral("杯具的一天"), QStringLiteral("第一行\r\n第二行 😀"));
        view->Command_Input->click(); // cancelled: nothing changes
        QVERIFY(!FileDialog::lastRequest().save && FileDialog::lastRequest().filter == kTextFilter);
        QVERIFY(ImportFilePath.isEmpty() && view->isVisible() && forms().loadedCount() == 1);
        const QString name = m_diary->filePath(QStringLiteral("来信.txt"));
        FileDialog::setNextFileName(name);
        view->Command_Output->click();
        FileDialog::setNextFileName(name);
        view->Command_Input->click();
        QCOMPARE(ImportFilePath, name);
        Form_Write* editor = editorAlone(Form_Write::Mode::Import);
        QVERIFY(editor);
        QCOMPARE(
            editor->RichTextBox_DiaryText->storedText(),
            QStringLiteral("标题：杯具的一天\r\n日期：2009-09-08 星期二\r\n天气：阴雨\r\n内容：第一行\r\n第二行 😀"));
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
    }
};

QTEST_MAIN(TestEntryCommands)
#include "tst_entrycommands.moc"
