// Faults of the database file at start-up: a data.mdb that is missing, empty, random bytes, an unencrypted
// SQLite file, protected by another password, without its users table, cut short, damaged, a folder, or held
// by another copy of the program. Main() shows one box with the failure's number and a Chinese description,
// loads no window and returns false, and the program folder is left byte for byte as it was. A file held
// only for a moment is waited for.

#include "Reliability.h"

#include "support/TestSupport.h"

#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/login/FormLogin.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using platform::forms;
using platform::MessageBox;

namespace {
const QString kSchema = QStringLiteral(
    "CREATE TABLE users(id INTEGER PRIMARY KEY AUTOINCREMENT, \"limit\" INTEGER, username TEXT, password TEXT);"
    "CREATE TABLE diary(id INTEGER PRIMARY KEY AUTOINCREMENT, username TEXT, diarytitle TEXT, diarydate TEXT, "
    "diaryweek TEXT, diaryweather TEXT, diarytext LONGTEXT);"
    "INSERT INTO users(\"limit\", username, password) VALUES (1, '张三', 'x');");

// Name and contents of every entry of the folder, to prove nothing changed.
QStringList folderState(const QString& folder) {
    QStringList state;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        state << info.fileName() + QLatin1Char(' ') +
                     QCryptographicHash::hash(testsupport::contentsOf(info.filePath()), QCryptographicHash::Sha256)
                         .toHex();
    return state;
}

// Main(), with the banner view of the real program put back to the light one afterwards.
bool runMain() {
    const bool started = Main();
    platform::Browser::setFactory({});
    return started;
}
} // namespace

class TestFileFaults : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;

private slots:
    void initTestCase() { testsupport::enterTestMode(); }
    void init() {
        testsupport::resetProgramState();
        m_diary = std::make_unique<testsupport::TempDiary>();
        QVERIFY(QFile::remove(m_diary->databasePath()));
    }
    void cleanup() {
        testsupport::resetProgramState();
        m_diary.reset();
    }

    void startUpFaultEndsWithOneMessageAndTouchesNothing_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << "missing" << 3024;
        QTest::newRow("empty") << "empty" << 3078;
        QTest::newRow("random bytes") << "random bytes" << 3031;
        QTest::newRow("unencrypted SQLite file") << "unencrypted" << 3031;
        QTest::newRow("another password") << "another password" << 3031;
        QTest::newRow("users table missing") << "users table missing" << 3078;
        QTest::newRow("cut short after its first page") << "cut short" << 3343;
        QTest::newRow("a damaged page") << "damaged" << 3343;
        QTest::newRow("a folder named data.mdb") << "folder" << 3051;
        // The layer waits up to 15 s for the lock, then gives up with "locked by another user".
        QTest::newRow("held by another copy") << "held" << 3260;
    }
    void startUpFaultEndsWithOneMessageAndTouchesNothing() {
        QFETCH(QString, fault);
        QFETCH(int, number);
        const QString path = m_diary->databasePath();
        QRandomGenerator random(20090908);
        QByteArray noise(8192, '\0');
        for (char& b : noise)
            b = char(random.bounded(256));
        const std::map<QString, QString> written{{"unencrypted", kSchema},
                                                 {"users table missing", kSchema.section(';', 1, 1)},
                                                 {"cut short", kSchema},
                                                 {"damaged", kSchema},
                                                 {"held", kSchema}};
        if (fault == QLatin1String("another password"))
            QCOMPARE(testsupport::rawSql(path, kSchema, "vexo1"), QStringList());
        else if (written.count(fault))
            QCOMPARE(testsupport::rawSql(path, written.at(fault), fault == "unencrypted" ? nullptr : "vexol"),
                     QStringList());
        else if (fault == QLatin1String("empty") || fault == QLatin1String("random bytes"))
            testsupport::writeFile(path, fault == QLatin1String("empty") ? QByteArray() : noise);
        else if (fault == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        if (fault == QLatin1String("cut short"))
            testsupport::writeFile(path, testsupport::contentsOf(path).left(1024));
        if (fault == QLatin1String("damaged")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(1124) && file.write(QByteArray(64, '\xA5')) == 64);
        }
        std::unique_ptr<reliability::Worker> holder;
        if (fault == QLatin1String("held")) {
            holder = std::make_unique<reliability::Worker>(QStringList{"hold", path});
            QVERIFY(holder->waitForLine("holding"));
        }
        const QStringList before = folderState(m_diary->folder());

        QVERIFY(!runMain());
        const std::vector<MessageBox::Request> shown = MessageBox::takeShown();
        QCOMPARE(int(shown.size()), 1);
        QVERIFY2(shown[0].text.contains(
                     QRegularExpression(QStringLiteral("^运行时错误 '%1'：\n\n[\\s\\S]*[\u4e00-\u9fff]").arg(number))),
                 qPrintable(shown[0].text));
        QCOMPARE(shown[0].title, MessageBox::applicationTitle());
        QCOMPARE(forms().loadedCount(), 0);
        QCOMPARE(folderState(m_diary->folder()), before);
    }

    void fileHeldForAMomentIsWaitedFor() {
        QCOMPARE(testsupport::rawSql(m_diary->databasePath(), kSchema), QStringList());
        reliability::Worker holder({"hold", m_diary->databasePath(), "1500"});
        QVERIFY(holder.waitForLine("holding"));
        QVERIFY(runMain());
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(forms().loaded<Form_Login>()->Combo_UserName->count(), 1);
        QVERIFY(holder.process.waitForFinished(30000));
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
