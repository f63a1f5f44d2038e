// Faults of the database file at start-up, and of the export's target file.
//
// Start-up: a data.mdb that is missing, empty, random bytes, an unencrypted SQLite file, protected by
// another password, without its users table, cut short, damaged, a folder, or held by another copy of the
// program: Main() shows one box with the failure's number and a Chinese description, loads no window and
// returns false, and the program folder is left byte for byte as it was. A file that can only be read
// starts normally and says so clearly on the first write. A file held only for a moment is waited for.
//
// Export: a folder that cannot be written, a folder given as the file name, a folder that does not exist
// and a full disk end the export without a word, and an existing file keeps its old contents.

#include "FileSystemFaults.h"
#include "WorkerProcess.h"

#include "support/TestSupport.h"

#include "app/Globals.h"
#include "app/Passwords.h"
#include "app/SqlText.h"
#include "db/DiaryDatabase.h"
#include "platform/Browser.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/login/FormLogin.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using platform::forms;
using platform::MessageBox;
using namespace reliability;

namespace {

const QString kPassword = QStringLiteral("vexol");
const QString kSchema = QStringLiteral(
    "CREATE TABLE users(id INTEGER PRIMARY KEY AUTOINCREMENT, \"limit\" INTEGER, username TEXT, password TEXT);"
    "CREATE TABLE diary(id INTEGER PRIMARY KEY AUTOINCREMENT, username TEXT, diarytitle TEXT, diarydate TEXT, "
    "diaryweek TEXT, diaryweather TEXT, diarytext LONGTEXT);"
    "INSERT INTO users(\"limit\", username, password) VALUES (1, '张三', 'x');");

void ignoreUpdateCall(quint32, const QString&) {}

// Faults injected, per kind, for the report at the end.
std::map<QString, int> g_faults;

// Name and contents of every file below the folder (a folder shows as "/"), to prove nothing changed.
std::map<QString, QByteArray> folderState(const QString& folder) {
    std::map<QString, QByteArray> state;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (info.isDir()) {
            state[info.fileName() + QLatin1Char('/')] = "/";
            for (const auto& [name, hash] : folderState(info.filePath()))
                state[info.fileName() + QLatin1Char('/') + name] = hash;
            continue;
        }
        QFile file(info.filePath());
        state[info.fileName()] = file.open(QIODevice::ReadOnly)
                                     ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                     : QByteArray("unreadable");
    }
    return state;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A database written directly with SQLite: with the given password (none: unencrypted) and statements.
void writeDatabase(const QString& path, const QString& password, const QString& statements) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> handle(raw, sqlite3_close);
    if (!password.isEmpty()) {
        const QByteArray key = password.toUtf8();
        sqlite3_key(raw, key.constData(), int(key.size()));
        // The format the diary's files use, also where SQLCipher 4 or later would pick another.
        sqlite3_exec(raw, "PRAGMA cipher_compatibility = 3", nullptr, nullptr, nullptr);
    }
    if (sqlite3_exec(raw, statements.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot write %s: %s", qPrintable(path), sqlite3_errmsg(raw));
}

// One byte range of the file overwritten.
void damage(const QString& path, qint64 offset, int length) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset) || file.write(QByteArray(length, '\xA5')) != length)
        qFatal("cannot damage %s", qPrintable(path));
}

bool hasChinese(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

} // namespace

class TestFileFaults : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString databasePath() const { return m_folder->filePath(QStringLiteral("data.mdb")); }

    // The one box a failed start-up shows: "运行时错误 '<number>'：" and the description, under the
    // application's title.
    static void verifyOneFailureBox(int number) {
        const std::vector<MessageBox::Request> shown = MessageBox::takeShown();
        QCOMPARE(int(shown.size()), 1);
        const QString prefix = QStringLiteral("运行时错误 '%1'：\n\n").arg(number);
        QVERIFY2(shown[0].text.startsWith(prefix), qPrintable(shown[0].text));
        QVERIFY2(hasChinese(shown[0].text.mid(prefix.size())), qPrintable(shown[0].text));
        QCOMPARE(shown[0].title, MessageBox::applicationTitle());
        QCOMPARE(shown[0].buttons, MessageBox::Buttons::Ok);
        qInfo("%s", qPrintable(QString(shown[0].text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }

    // Main(), with the banner view of the real program put back to the light one afterwards.
    static bool runMain() {
        const bool started = Main();
        platform::Browser::setFactory({});
        return started;
    }

    // The diary database with one account that can sign in, and one entry.
    void writeDiaryWithAccount(const QString& body = QStringLiteral("正文")) {
        QString message;
        QVERIFY2(dao::createDiaryDatabase(databasePath(), &message), qPrintable(message));
        auto db = dao::OpenDiaryDatabase();
        db->Execute(sql::insertUser(QStringLiteral("张三"), app::hashPassword(QStringLiteral("口令"))));
        db->Execute(sql::insertDiary(QStringLiteral("张三"), QStringLiteral("标题"), QStringLiteral("2009-09-08"),
                                     QStringLiteral("星期二"), QStringLiteral("晴朗"), body));
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        update::setUpdateCallObserverForTests(ignoreUpdateCall);
    }
    void init() {
        testsupport::resetProgramState();
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        dao::setProgramFolderForTests(m_folder->path());
    }
    void cleanup() {
        forms().resetForTests();
        app::resetGlobals();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dao::setProgramFolderForTests(QString());
        m_folder.reset();
    }
    void cleanupTestCase() {
        for (const auto& [kind, count] : g_faults)
            qInfo("%s: %d injected", qPrintable(kind), count);
    }

    void startUpFaultEndsWithOneMessageAndTouchesNothing_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << QStringLiteral("missing") << 3024;
        QTest::newRow("empty") << QStringLiteral("empty") << 3078;
        QTest::newRow("random bytes") << QStringLiteral("random bytes") << 3031;
        QTest::newRow("unencrypted SQLite file") << QStringLiteral("unencrypted") << 3031;
        QTest::newRow("another password") << QStringLiteral("another password") << 3031;
        QTest::newRow("users table missing") << QStringLiteral("users table missing") << 3078;
        QTest::newRow("cut short after its first page") << QStringLiteral("cut short") << 3343;
        QTest::newRow("a damaged page") << QStringLiteral("damaged") << 3343;
        QTest::newRow("a folder named data.mdb") << QStringLiteral("folder") << 3051;
    }
    void startUpFaultEndsWithOneMessageAndTouchesNothing() {
        QFETCH(QString, fault);
        QFETCH(int, number);
        const QString path = databasePath();
        if (fault == QLatin1String("empty")) {
            writeFile(path, QByteArray());
        } else if (fault == QLatin1String("random bytes")) {
            QRandomGenerator random(20090908);
            QByteArray bytes(8192, '\0');
            for (char& b : bytes)
                b = char(random.bounded(256));
            writeFile(path, bytes);
        } else if (fault == QLatin1String("unencrypted")) {
            writeDatabase(path, QString(), kSchema);
        } else if (fault == QLatin1String("another password")) {
            writeDatabase(path, QStringLiteral("vexo1"), kSchema);
        } else if (fault == QLatin1String("users table missing")) {
            writeDatabase(path, kPassword, kSchema.section(QLatin1Char(';'), 1, 1));
        } else if (fault == QLatin1String("cut short") || fault == QLatin1String("damaged")) {
            writeDatabase(path, kPassword, kSchema);
            QByteArray bytes = contentsOf(path);
            QVERIFY(bytes.size() >= 3 * 1024);
            if (fault == QLatin1String("cut short"))
                writeFile(path, bytes.left(1024));
            else
                damage(path, 1024 + 100, 64);
        } else if (fault == QLatin1String("folder")) {
            QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("data.mdb")));
        }
        const auto before = folderState(m_folder->path());

        QVERIFY(!runMain());
        verifyOneFailureBox(number);
        QCOMPARE(forms().loadedCount(), 0);
        QVERIFY(folderState(m_folder->path()) == before);
        ++g_faults[QStringLiteral("start-up: ") + fault];
    }

    void fileHeldByAnotherCopyEndsStartUpAfterWaiting() {
        writeDiaryWithAccount();
        WorkerProcess holder;
        holder.start({QStringLiteral("hold"), databasePath()});
        QVERIFY2(holder.waitForLine("holding"), qPrintable(holder.errors()));
        const auto before = folderState(m_folder->path());

        // The layer waits up to 15 s for the lock, then gives up with "locked by another user".
        QVERIFY(!runMain());
        verifyOneFailureBox(3260);
        QCOMPARE(forms().loadedCount(), 0);
        holder.closeInput();
        QVERIFY(holder.waitForExit(30000));
        QVERIFY(folderState(m_folder->path()) == before);
        ++g_faults[QStringLiteral("start-up: held by another copy")];
    }

    void fileHeldForAMomentIsWaitedFor() {
        writeDiaryWithAccount();
        WorkerProcess holder;
        holder.start({QStringLiteral("hold"), databasePath(), QStringLiteral("1500")});
        QVERIFY2(holder.waitForLine("holding"), qPrintable(holder.errors()));

        QVERIFY(runMain());
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        Form_Login* login = forms().loaded<Form_Login>();
        QVERIFY(login);
        QCOMPARE(login->Combo_UserName->count(), 1);
        QVERIFY(holder.waitForExit(30000));
        ++g_faults[QStringLiteral("start-up: held for a moment")];
    }

    void readOnlyFileStartsAndRefusesTheFirstWriteClearly() {
        writeDiaryWithAccount();
        ReadOnlyFolder readOnly(m_folder->path());
        if (!readOnly.available())
            QSKIP(qPrintable(readOnly.whyNot()));
        const auto before = folderState(m_folder->path());

        QVERIFY(runMain());
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        Form_Login* login = forms().loaded<Form_Login>();
        QVERIFY(login);

        // Registering is the first write: refused with the read-only failure, the window stays as it was.
        login->Command_Register_Click();
        login->Text_RegUserName->setText(QStringLiteral("李四"));
        login->Text_RegPassWord->setText(QStringLiteral("口令"));
        login->Text_RegPassWordC->setText(QStringLiteral("口令"));
        login->Command_RegYes_Click();
        const std::vector<MessageBox::Request> shown = MessageBox::takeShown();
        QCOMPARE(int(shown.size()), 1);
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("运行时错误 '3027'：")), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(QStringLiteral("只读")), qPrintable(shown[0].text));
        QVERIFY(forms().isLoaded<Form_Login>());
        QCOMPARE(login->Text_RegUserName->text(), QStringLiteral("李四"));

        // Reading works: the account signs in and sees its entry; saving an entry is refused in the editor,
        // which stays open with everything typed.
        login->Command_RegNo_Click();
        login->Combo_UserName->setEditText(QStringLiteral("张三"));
        login->Text_PassWord->setText(QStringLiteral("口令"));
        login->Command_Login_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Form_View* view = forms().loaded<Form_View>();
        QVERIFY(view);
        QCOMPARE(view->TreeView_Diary->node(2)->text, QStringLiteral("标题"));
        view->Command_Insert_Click();
        Form_Write* editor = forms().loaded<Form_Write>();
        QVERIFY(editor);
        editor->Text_DiaryTitle->setText(QStringLiteral("新的一篇"));
        editor->RichTextBox_DiaryText->setPlainText(QStringLiteral("写不进去的正文"));
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        editor->Command_Insert_Click();
        const QStringList texts = MessageBox::shownTexts();
        QCOMPARE(texts.size(), 2); // the question, then why the entry was not saved
        QVERIFY2(texts[1].contains(QStringLiteral("3027")) && texts[1].contains(QStringLiteral("只读")),
                 qPrintable(texts[1]));
        QVERIFY(forms().isLoaded<Form_Write>());
        QCOMPARE(editor->RichTextBox_DiaryText->storedText(), QStringLiteral("写不进去的正文"));

        forms().resetForTests();
        app::resetGlobals();
        QVERIFY(folderState(m_folder->path()) == before);
        ++g_faults[QStringLiteral("start-up: read-only file system")];
    }

    void exportFaultSaysNothingAndKeepsTheOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("none (the export works)") << QString();
        QTest::newRow("read-only folder") << QStringLiteral("read-only folder");
        QTest::newRow("a folder as the file name") << QStringLiteral("folder as name");
        QTest::newRow("a folder that does not exist") << QStringLiteral("missing folder");
        QTest::newRow("full disk") << QStringLiteral("full disk");
    }
    void exportFaultSaysNothingAndKeepsTheOldFile() {
        QFETCH(QString, fault);
        // A body larger than the small disk, shown in the reading pane.
        QString body;
        for (int line = 0; body.size() < 100 * 1024; ++line)
            body += QStringLiteral("第%1行，今天天气很好。\r\n").arg(line);
        writeDiaryWithAccount(body);
        CurrentUser = QStringLiteral("张三");
        DiaryDb = dao::OpenDiaryDatabase();
        Form_View* view = forms().show<Form_View>();
        view->TreeView_Diary_MouseDown(1, 0, 0, 0);
        view->TreeView_Diary_NodeClick(2);
        QCOMPARE(view->Text_Title->text(), QStringLiteral("标题"));
        MessageBox::clearShown();

        QTemporaryDir outside;
        const QString target = outside.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(target));
        std::unique_ptr<FullDisk> smallDisk;
        if (fault == QLatin1String("full disk")) {
            smallDisk = std::make_unique<FullDisk>(target, 64 * 1024);
            if (!smallDisk->available())
                QSKIP(qPrintable(smallDisk->whyNot()));
        }
        const QString old = QDir(target).filePath(QStringLiteral("旧.txt"));
        writeFile(old, QByteArray("old contents\r\n").repeated(1000));
        std::unique_ptr<ReadOnlyFolder> readOnly;
        if (fault == QLatin1String("read-only folder")) {
            readOnly = std::make_unique<ReadOnlyFolder>(target);
            if (!readOnly->available())
                QSKIP(qPrintable(readOnly->whyNot()));
        }
        const auto before = folderState(target);

        QString name = old;
        if (fault == QLatin1String("folder as name"))
            name = target;
        else if (fault == QLatin1String("missing folder"))
            name = QDir(target).filePath(QStringLiteral("没有/新.txt"));
        platform::FileDialog::setNextFileName(name);
        view->ExportEntryToText();

        if (fault.isEmpty()) {
            QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("导出成功！")});
            QVERIFY(contentsOf(old).size() > 100 * 1024);
            return;
        }
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QVERIFY(folderState(target) == before);
        ++g_faults[QStringLiteral("export: ") + fault];
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
