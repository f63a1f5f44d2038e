// Faults of the database file at start-up: a data.mdb that is missing, empty, random bytes, protected by
// another password, without its users table, cut short, damaged, a folder, or held by another copy of the
// program. Main() shows one box with the failure's number and a Chinese description (and, unless the file is
// only held elsewhere or cannot be opened, the newest backup and the command that restores it), loads no
// window and returns false, and the program folder is left byte for byte as it was. A file held only for a
// moment is waited for.

#include "Reliability.h"

#include "db/Backup.h"

#include <QRegularExpression>

using namespace reliability;

class TestFileFaults : public QObject, testsupport::WindowFixture {
    Q_OBJECT
private:
    QString m_newestBackup;

private slots:
    void initTestCase() { startWindowTests(); }
    void init() {
        startWithDiary();
        m_diary->addUser("张三", "x");
        for (int day : {5, 6})
            m_newestBackup = dao::backup::makeBackup(m_diary->databasePath(), m_diary->filePath("backup"),
                                                     QDateTime(QDate(2026, 12, day), QTime(20, 0)), false)
                                 .path;
    }
    void cleanup() { dropDiary(); }

    void startUpFaultEndsWithOneMessageAndTouchesNothing_data() {
        QTest::addColumn<QString>("fault"); // a statement run on the file, or what to do to it
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << "missing" << 3024;
        QTest::newRow("empty") << "empty" << 3078;
        QTest::newRow("random bytes") << "noise" << 3031;
        QTest::newRow("another password") << "PRAGMA rekey = 'vexo1'" << 3031;
        QTest::newRow("users table missing") << "DROP TABLE users" << 3078;
        QTest::newRow("cut short after its first page") << "cut" << 3343;
        QTest::newRow("a damaged page") << "damaged" << 3343;
        QTest::newRow("a folder named data.mdb") << "folder" << 3051;
        // The layer waits up to 15 s for the lock, then gives up with "locked by another user".
        QTest::newRow("held by another copy") << "held" << 3260;
        QTest::newRow("held for a moment: waited for") << "held briefly" << 0;
    }
    void startUpFaultEndsWithOneMessageAndTouchesNothing() {
        QFETCH(QString, fault);
        QFETCH(int, number);
        const QString path = m_diary->databasePath();
        QByteArray bytes = testsupport::contentsOf(path);
        if (fault == "noise")
            QRandomGenerator(20090908).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        std::unique_ptr<Worker> holder;
        if (fault.startsWith("held"))
            holder = std::make_unique<Worker>(QStringList{"hold", path, number == 0 ? "1500" : "60000"});
        else if (fault.contains(' '))
            QCOMPARE(testsupport::rawSql(path, fault), QStringList());
        else if (fault == "missing" || fault == "folder")
            QVERIFY(QFile::remove(path) && (fault == "missing" || QDir().mkdir(path)));
        else if (fault == "damaged")
            testsupport::writeFile(path, bytes.replace(1124, 64, QByteArray(64, '\xA5')));
        else
            testsupport::writeFile(path, fault == "noise" ? bytes : bytes.left(fault == "cut" ? 1024 : 0));
        QVERIFY(!holder || holder->waitForLine("holding"));
        const QStringList before = folderState(m_diary->folder());

        QCOMPARE(Main(), number == 0);
        const std::vector<MessageBox::Request> shown = MessageBox::takeShown();
        QCOMPARE(int(shown.size()), number == 0 ? 0 : 1);
        QCOMPARE(folderState(m_diary->folder()), before);
        if (number == 0) {
            QCOMPARE(forms().loaded<Form_Login>()->Combo_UserName->count(), 1);
            return;
        }
        QVERIFY2(shown[0].text.contains(
                     QRegularExpression(QStringLiteral("^运行时错误 '%1'：\n\n[\\s\\S]*[\u4e00-\u9fff]").arg(number))),
                 qPrintable(shown[0].text));
        QCOMPARE(shown[0].title, MessageBox::applicationTitle());
        const QString restore = "\nmkdiarydb --restore backup/" + QFileInfo(m_newestBackup).fileName();
        QCOMPARE(shown[0].text.endsWith(restore), number != dao::errCannotOpen && number != dao::errLocked);
        QCOMPARE(forms().loadedCount(), 0);
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
