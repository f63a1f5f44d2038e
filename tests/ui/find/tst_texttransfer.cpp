#include "support/TestSupport.h"

#include "app/Globals.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using platform::FileDialog;
using platform::forms;
using platform::MessageBox;

namespace {
const QString kFilter = QStringLiteral("*.txt(文本文件) | *.txt");
const QString kExported = QStringLiteral("导出成功！");

// The expected bytes, made by an encoder that has nothing to do with ours.
QByteArray iconvEncode(const QString& text, const QString& encoding) {
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"),
                {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), encoding});
    if (!iconv.waitForStarted())
        qFatal("iconv cannot be started");
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    iconv.waitForFinished();
    if (iconv.exitStatus() != QProcess::NormalExit || iconv.exitCode() != 0)
        qFatal("iconv failed: %s", iconv.readAllStandardError().constData());
    return iconv.readAllStandardOutput();
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
} // namespace

class TestTextTransfer : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    std::unique_ptr<QTemporaryDir> m_files;

    QString filePath(const QString& name) const { return QDir(m_files->path()).filePath(name); }

    Form_View* openView() {
        Form_View* view = forms().show<Form_View>();
        MessageBox::clearShown();
        return view;
    }

    static void showInPane(Form_View* view, const QString& title, const QString& dateWeek, const QString& weather,
                           const QString& body) {
        view->Text_Title->setText(title);
        view->Label_DateWeek->setText(dateWeek);
        view->Label_Weather->setText(weather);
        view->RichTextBox_DiaryText->setPlainText(body);
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        InitControlClasses();
    }
    void init() {
        testsupport::resetProgramState();
        FileDialog::setTestMode(true);
        m_diary = std::make_unique<testsupport::TempDiary>();
        m_files = std::make_unique<QTemporaryDir>();
        DiaryDb = m_diary->open();
        CurrentUser = QStringLiteral("zhang");
    }
    void cleanup() {
        forms().resetForTests();
        app::resetGlobals();
        m_files.reset();
        m_diary.reset();
    }

    void exportWritesTheReadingPaneAsLabelledLines_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("dateWeek");
        QTest::addColumn<QString>("weather");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("entry with a two-line body")
            << "杯具的一天"
            << "日期：2009-09-08 星期二"
            << "阴雨"
            << "第一行\r\n第二行"
            << "标题：杯具的一天\r\n日期：2009-09-08 星期二\r\n天气：阴雨\r\n内容：第一行\r\n第二行\r\n"
            << "GBK";
        QTest::newRow("nothing on show") << ""
                                         << ""
                                         << ""
                                         << ""
                                         << "标题：\r\n\r\n天气：\r\n内容：\r\n"
                                         << "GBK";
        QTest::newRow("empty lines and Latin letters")
            << "It’s O.K. 好"
            << "日期：2009-9-8 星期二"
            << "多云"
            << "A\r\n\r\nB，「引号」\r\n"
            << "标题：It’s O.K. 好\r\n日期：2009-9-8 星期二\r\n天气：多云\r\n内容：A\r\n\r\nB，「引号」\r\n\r\n"
            << "GBK";
        QTest::newRow("characters GBK does not hold")
            << "笑😀"
            << "日期：2009-09-08 星期二"
            << "晴朗"
            << "𠀀字\r\n末"
            << "标题：笑😀\r\n日期：2009-09-08 星期二\r\n天气：晴朗\r\n内容：𠀀字\r\n末\r\n"
            << "GB18030";
    }
    void exportWritesTheReadingPaneAsLabelledLines() {
        QFETCH(QString, title);
        QFETCH(QString, dateWeek);
        QFETCH(QString, weather);
        QFETCH(QString, body);
        QFETCH(QString, expected);
        QFETCH(QString, encoding);
        Form_View* view = openView();
        showInPane(view, title, dateWeek, weather, body);
        // A name without extension is used as it is.
        const QString name = filePath(QStringLiteral("日记导出"));
        FileDialog::setNextFileName(name);
        view->Command_Output_Click();

        QCOMPARE(FileDialog::shownCount(), 1);
        QVERIFY(FileDialog::lastRequest().save);
        QCOMPARE(FileDialog::lastRequest().filter, kFilter);
        QCOMPARE(readAll(name), iconvEncode(expected, encoding));
        QVERIFY(!QFile::exists(name + QStringLiteral(".txt")));
        QCOMPARE(QDir(m_files->path()).entryList(QDir::Files), QStringList{QStringLiteral("日记导出")});
        QCOMPARE(MessageBox::shownTexts(), QStringList{kExported});
        QCOMPARE(MessageBox::shown().front().title, QStringLiteral("青简录"));
        QVERIFY(forms().isLoaded<Form_View>());
    }

    void exportReplacesAnExistingFileWhole() {
        const QString name = filePath(QStringLiteral("old.txt"));
        writeFile(name, QByteArray(10000, 'x'));
        Form_View* view = openView();
        showInPane(view, QStringLiteral("新"), QString(), QString(), QString());
        FileDialog::setNextFileName(name);
        view->Command_Output_Click();
        QCOMPARE(readAll(name),
                 iconvEncode(QStringLiteral("标题：新\r\n\r\n天气：\r\n内容：\r\n"), QStringLiteral("GBK")));
        QCOMPARE(MessageBox::shownTexts(), QStringList{kExported});
    }

    void exportThatCannotWriteKeepsTheOldFileAndSaysNothing_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("a folder given as the name") << "folder";
        QTest::newRow("a folder that does not exist") << "missing/entry.txt";
        QTest::newRow("a read-only folder") << "readonly/old.txt";
        QTest::newRow("a folder where no file can be made") << "/proc/qjl-export.txt";
    }
    void exportThatCannotWriteKeepsTheOldFileAndSaysNothing() {
        QFETCH(QString, target);
        const QByteArray old("old contents\r\n");
        QDir files(m_files->path());
        QVERIFY(files.mkdir(QStringLiteral("folder")));
        writeFile(filePath(QStringLiteral("folder/inside.txt")), old);
        QVERIFY(files.mkdir(QStringLiteral("readonly")));
        writeFile(filePath(QStringLiteral("readonly/old.txt")), old);
        QVERIFY(QFile::setPermissions(filePath(QStringLiteral("readonly")),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(filePath(QStringLiteral("readonly")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (target.startsWith(QStringLiteral("readonly")) && geteuid() == 0)
            QSKIP("the superuser may write into a read-only folder");
        const QString name = QDir::isAbsolutePath(target) ? target : filePath(target);

        Form_View* view = openView();
        showInPane(view, QStringLiteral("标题"), QStringLiteral("日期：2009-09-08 星期二"), QStringLiteral("晴朗"),
                   QStringLiteral("正文"));
        FileDialog::setNextFileName(name);
        view->Command_Output_Click();

        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QVERIFY(forms().isLoaded<Form_View>());
        QCOMPARE(readAll(filePath(QStringLiteral("folder/inside.txt"))), old);
        QCOMPARE(readAll(filePath(QStringLiteral("readonly/old.txt"))), old);
        QVERIFY(QFileInfo(filePath(QStringLiteral("folder"))).isDir());
        // Nothing half-written is left behind anywhere.
        QCOMPARE(files.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("folder"), QStringLiteral("readonly")}));
        QCOMPARE(QDir(filePath(QStringLiteral("folder"))).entryList(QDir::Files), QStringList{"inside.txt"});
        QCOMPARE(QDir(filePath(QStringLiteral("readonly"))).entryList(QDir::Files), QStringList{"old.txt"});
    }

    void cancelledDialogsDoNothing() {
        Form_View* view = openView();
        showInPane(view, QStringLiteral("标题"), QString(), QString(), QString());
        view->Command_Output_Click();
        view->Command_Input_Click();
        QCOMPARE(FileDialog::shownCount(), 2);
        QCOMPARE(FileDialog::lastRequest().filter, kFilter);
        QVERIFY(!FileDialog::lastRequest().save);
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(QDir(m_files->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(ImportFilePath, QString());
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(view->isVisible());
        QVERIFY(!forms().isLoaded<Form_Write>());
    }

    void importHandsTheFileToTheEditorAndClosesTheMainWindow() {
        const QString name = filePath(QStringLiteral("来信.txt"));
        writeFile(name, iconvEncode(QStringLiteral("\r\n第一行\r\n\r\n第二行\r\n"), QStringLiteral("GBK")));
        Form_View* view = openView();
        FileDialog::setNextFileName(name);
        view->Command_Input_Click();

        QCOMPARE(FileDialog::shownCount(), 1);
        QVERIFY(!FileDialog::lastRequest().save);
        QCOMPARE(FileDialog::lastRequest().filter, kFilter);
        QCOMPARE(ImportFilePath, name);
        QVERIFY(forms().isLoaded<Form_Write>());
        QVERIFY(forms().loaded<Form_Write>()->isVisible());
        QVERIFY(!forms().isLoaded<Form_View>());
        QCOMPARE(forms().loaded<Form_Write>()->RichTextBox_DiaryText->storedText(),
                 QStringLiteral("第一行\r\n\r\n第二行"));
    }

    void exportedEntryImportsAsBodyStartingWithTheTitleLine() {
        Form_View* view = openView();
        showInPane(view, QStringLiteral("杯具的一天"), QStringLiteral("日期：2009-09-08 星期二"),
                   QStringLiteral("阴雨"), QStringLiteral("第一行\r\n第二行 😀"));
        const QString name = filePath(QStringLiteral("entry.txt"));
        FileDialog::setNextFileName(name);
        view->Command_Output_Click();
        QCOMPARE(MessageBox::shownTexts(), QStringList{kExported});

        FileDialog::setNextFileName(name);
        view->Command_Input_Click();
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor);
        QCOMPARE(
            editor->RichTextBox_DiaryText->storedText(),
            QStringLiteral("标题：杯具的一天\r\n日期：2009-09-08 星期二\r\n天气：阴雨\r\n内容：第一行\r\n第二行 😀"));
        QCOMPARE(editor->Text_DiaryTitle->text(), QString());
        QVERIFY(!forms().isLoaded<Form_View>());
    }
};

QTEST_MAIN(TestTextTransfer)
#include "tst_texttransfer.moc"
