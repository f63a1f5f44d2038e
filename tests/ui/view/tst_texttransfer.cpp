// The main window's export and import of an entry as a text file, as the windows see them: the dialogs, the
// one message, and the hand-over of an imported file to the editor. The file's bytes are the entry text
// file module's own tests.

#include "support/TestSupport.h"
#include "support/Windows.h"

#include "app/Globals.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

#include <QDir>
#include <QTest>

using platform::FileDialog;
using platform::forms;
using platform::MessageBox;

class TestTextTransfer : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    Form_View* openViewShowing(const QString& title, const QString& body) {
        Form_View* view = forms().show<Form_View>();
        MessageBox::clearShown();
        view->Text_Title->setText(title);
        view->Label_DateWeek->setText(QStringLiteral("日期：2009-09-08 星期二"));
        view->Label_Weather->setText(QStringLiteral("阴雨"));
        view->RichTextBox_DiaryText->setPlainText(body);
        return view;
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(QStringLiteral("zhang")); }
    void cleanup() { dropDiary(); }

    void cancelledDialogsDoNothing() {
        Form_View* view = openViewShowing(QStringLiteral("标题"), QString());
        const QStringList before = QDir(m_diary->folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        view->Command_Output_Click();
        QVERIFY(FileDialog::lastRequest().save);
        view->Command_Input_Click();
        QVERIFY(!FileDialog::lastRequest().save);
        QCOMPARE(FileDialog::lastRequest().filter, QStringLiteral("*.txt(文本文件) | *.txt"));
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(QDir(m_diary->folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(ImportFilePath.isEmpty() && view->isVisible() && !forms().isLoaded<Form_Write>());
    }

    void exportSaysSoOnlyWhenTheFileIsWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("written");
        QTest::newRow("a name without extension, used as it is") << "日记导出" << true;
        QTest::newRow("an existing file, replaced") << "old.txt" << true;
        QTest::newRow("a folder given as the name") << "folder" << false;
        QTest::newRow("a folder that does not exist") << "missing/entry.txt" << false;
    }
    void exportSaysSoOnlyWhenTheFileIsWritten() {
        QFETCH(QString, name);
        QFETCH(bool, written);
        QVERIFY(QDir(m_diary->folder()).mkdir(QStringLiteral("folder")));
        testsupport::writeFile(m_diary->filePath("old.txt"), QByteArray(10000, 'x'));
        Form_View* view = openViewShowing(QStringLiteral("新"), QStringLiteral("正文"));
        FileDialog::setNextFileName(m_diary->filePath(name));
        view->Command_Output_Click();
        QCOMPARE(MessageBox::shownTexts(), written ? QStringList{"导出成功！"} : QStringList());
        if (written) {
            QCOMPARE(MessageBox::shown().front().title, QStringLiteral("青简录"));
            QVERIFY(
                testsupport::contentsOf(m_diary->filePath(name)).startsWith("\xB1\xEA\xCC\xE2\xA3\xBA\xD0\xC2\r\n"));
        }
        QCOMPARE(testsupport::contentsOf(m_diary->filePath("old.txt")) == QByteArray(10000, 'x'), name != "old.txt");
        QVERIFY(forms().isLoaded<Form_View>());
    }

    void exportedEntryImportsIntoTheEditorAsItsBody() {
        Form_View* view = openViewShowing(QStringLiteral("杯具的一天"), QStringLiteral("第一行\r\n第二行 😀"));
        const QString name = m_diary->filePath(QStringLiteral("来信.txt"));
        FileDialog::setNextFileName(name);
        view->Command_Output_Click();
        FileDialog::setNextFileName(name);
        view->Command_Input_Click();

        QCOMPARE(ImportFilePath, name);
        QVERIFY(!forms().isLoaded<Form_View>());
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->mode(), Form_Write::Mode::Import);
        QCOMPARE(
            editor->RichTextBox_DiaryText->storedText(),
            QStringLiteral("标题：杯具的一天\r\n日期：2009-09-08 星期二\r\n天气：阴雨\r\n内容：第一行\r\n第二行 😀"));
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
    }
};

QTEST_MAIN(TestTextTransfer)
#include "tst_texttransfer.moc"
