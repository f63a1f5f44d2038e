// Backups and restore. A backup taken while another copy of the program writes is one consistent moment of
// the file; a copy killed during a backup, or two copies signing in at once, never leave a broken file
// under a backup's name; the rotation keeps the newest 14 and deletes only after a new one is complete; a
// backup that cannot be written, or is stopped by closing the program, says nothing and is tried again at
// the next sign-in. When data.mdb is lost the start-up box names the newest backup; mkdiarydb --restore
// refuses a bad backup and changes nothing, and puts a good one in place keeping the old file.

#include "Reliability.h"

#include "support/TestSupport.h"

#include "app/AutoBackup.h"
#include "app/Passwords.h"
#include "db/Backup.h"
#include "db/Connection.h"
#include "db/DaoInternal.h"
#include "platform/Browser.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"
#include "startup/Startup.h"
#include "ui/login/FormLogin.h"
#include "ui/view/FormView.h"
#include "update/Updater.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <set>

using platform::forms;
using platform::MessageBox;
using namespace reliability;
namespace backup = dao::backup;
using Kind = backup::Outcome::Kind;

namespace {

const QString kName = QStringLiteral("张三");
const QString kPassword = QStringLiteral("口令");
const QDateTime kNow(QDate(2026, 12, 6), QTime(20, 15, 0));

// Entries of the account "丙" with two kilobytes of body each, written in one transaction.
void addFiller(int entries) {
    auto db = dao::OpenDiaryDatabase();
    const QByteArray sql = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                           QByteArray::number(entries) +
                           ") INSERT INTO diary(username, diarytitle, diarydate, diaryweek, diaryweather, diarytext) "
                           "SELECT '丙', '旧' || i, '2009-09-01', '星期二', '晴', hex(randomblob(1000)) FROM n";
    QCOMPARE(sqlite3_exec(dao::connectionOf(*db)->handle(), sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
}

QByteArray hashOf(const QString& path) {
    return QFile::exists(path) ? QCryptographicHash::hash(testsupport::contentsOf(path), QCryptographicHash::Sha256)
                               : QByteArray("missing");
}

// Name and contents of every file in the folder and in its backup folder.
std::map<QString, QByteArray> folderState(const QString& folder) {
    std::map<QString, QByteArray> state;
    for (const QString& dir : {folder, folder + QStringLiteral("/backup")})
        for (const QFileInfo& info : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
            state[info.filePath()] = hashOf(info.filePath());
    return state;
}

// Every file under a backup's name opens with the key and passes the integrity check.
void verifyEveryBackupSound(const QString& folder) {
    for (const QString& name : backup::backupNames(folder))
        QCOMPARE(backup::checkDatabaseFile(QDir(folder).filePath(name)), QStringLiteral("ok"));
}

QStringList temporaries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".data-*")}, QDir::Files | QDir::Hidden);
}

void damage(const QString& path, qint64 offset, int length) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(offset));
    QCOMPARE(file.write(QByteArray(length, '\xA5')), qint64(length));
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    QString folder() const { return m_diary->folder(); }
    QString backupFolder() const { return folder() + QStringLiteral("/backup"); }

    backup::Outcome backUp(const QDateTime& at) {
        return backup::makeBackup(m_diary->databasePath(), backupFolder(), at, std::atomic<bool>{false});
    }

    // Signs the account in through the login window, as a user does.
    void signIn() {
        testsupport::resetProgramState();
        Form_Login* login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText(kName);
        login->Text_PassWord->setText(kPassword);
        login->Command_Login_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        update::setUpdateCallObserverForTests([](quint32, const QString&) {});
    }
    void init() {
        m_diary = std::make_unique<testsupport::TempDiary>();
        m_diary->addUser(kName, app::hashPassword(kPassword));
        addFiller(3000);
    }
    void cleanup() {
        app::stopBackup();
        app::setAutoBackupForTests(false);
        testsupport::resetProgramState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_diary.reset();
    }

    void backupWhileAnotherCopyWritesIsOneMoment() {
        const QString series = QStringLiteral("甲");
        Worker writer({QStringLiteral("save"), folder(), series, QStringLiteral("1"), QStringLiteral("0")});
        QVERIFY2(writer.waitForLine("saved 3 0"), qPrintable(writer.errors()));
        // Small steps, so that the writer's saves land in the middle of the copy again and again.
        const backup::Outcome made =
            backup::backUpIfDue(m_diary->databasePath(), kNow, std::atomic<bool>{false}, backup::Options{8});
        QVERIFY2(writer.process.state() == QProcess::Running, "the writer stopped before the backup was done");
        writer.killNow();
        QCOMPARE(int(made.kind), int(Kind::Made));
        QCOMPARE(backup::checkDatabaseFile(made.path), QStringLiteral("ok"));

        QStringList failures;
        int saves = 0;
        writer.saved(&failures, &saves);
        QCOMPARE(failures, QStringList());
        std::set<int> numbers;
        int filler = 0;
        const auto copy = dao::OpenDatabase(made.path, false, true, QStringLiteral(";Pwd=vexol"));
        for (const QStringList& row : testsupport::storedRows(*copy, QStringLiteral("diary"))) {
            filler += row[1] == QStringLiteral("丙") ? 1 : 0;
            if (row[1] != series)
                continue;
            const int number = entryNumber(series, row[2]);
            QVERIFY2(number > 0, qPrintable(row[2]));
            numbers.insert(number);
            // Some version the writer saved, whole; the version under way at the kill may be newer.
            bool whole = false;
            for (int revision = 0; revision <= saves + 1 && !whole; ++revision)
                whole = holdsVersion(row, number, revision);
            QVERIFY2(whole, qPrintable(row[2]));
        }
        QCOMPARE(filler, 3000);
        // Entries are saved one after the other: a moment of the file holds the first n of them.
        QVERIFY(!numbers.empty() && *numbers.begin() == 1 && *numbers.rbegin() == int(numbers.size()));
        qInfo("the backup holds %d of the writer's entries; %d saves reported", int(numbers.size()), saves);
    }

    void killedDuringBackupLeavesNoBrokenBackup() {
        const QByteArray before = hashOf(m_diary->databasePath());
        QRandomGenerator random(20261206);
        int completed = 0;
        const int rounds = repetitions(10);
        for (int round = 0; round < rounds; ++round) {
            Worker worker({QStringLiteral("signin"), folder(), kName, kPassword});
            QVERIFY2(worker.waitForLine("signed in"), qPrintable(worker.errors()));
            QThread::msleep(random.bounded(250));
            worker.killNow();
            QCOMPARE(hashOf(m_diary->databasePath()), before);
            verifyEveryBackupSound(backupFolder());
            // The next round must find a backup due again.
            for (const QString& name : backup::backupNames(backupFolder()))
                completed += QFile::remove(QDir(backupFolder()).filePath(name)) ? 1 : 0;
        }
        qInfo("%d kills, %d backups had completed, %d temporary files left unnamed", rounds, completed,
              int(temporaries(backupFolder()).size()));
        QVERIFY(completed < rounds);
    }

    void twoCopiesSigningInAtOnceMakeSoundBackups() {
        const QStringList arguments{QStringLiteral("signin"), folder(), kName, kPassword};
        Worker first(arguments), second(arguments);
        for (Worker* copy : {&first, &second}) {
            QVERIFY2(copy->process.waitForFinished(120000), "a copy did not finish");
            const QByteArray output = copy->process.readAllStandardOutput();
            QVERIFY2(output.contains("backup made ") || output.contains("backup not-due"), output.constData());
        }
        const QStringList made = backup::backupNames(backupFolder());
        QVERIFY2(made.size() == 1 || made.size() == 2, qPrintable(made.join(QLatin1Char(' '))));
        verifyEveryBackupSound(backupFolder());
        QCOMPARE(temporaries(backupFolder()), QStringList());
    }

    void rotationKeepsTheNewestAfterANewBackup_data() {
        QTest::addColumn<int>("existing");       // backups there before: the newest, then one a day from two days back
        QTest::addColumn<int>("newestAgeHours"); // negative: in the future
        QTest::addColumn<int>("expectedKind");   // Failed: data.mdb is missing
        QTest::newRow("15 old: a new one, the oldest two go") << 15 << 48 << int(Kind::Made);
        QTest::newRow("20 old: a new one, 14 kept") << 20 << 21 << int(Kind::Made);
        QTest::newRow("newest 19 h old: not due") << 15 << 19 << int(Kind::NotDue);
        QTest::newRow("a name 30 h ahead holds nothing off") << 15 << -30 << int(Kind::Made);
        QTest::newRow("the backup fails: nothing deleted") << 15 << 48 << int(Kind::Failed);
    }
    void rotationKeepsTheNewestAfterANewBackup() {
        QFETCH(int, existing);
        QFETCH(int, newestAgeHours);
        QFETCH(int, expectedKind);
        QVERIFY(QDir().mkdir(backupFolder()));
        QStringList names;
        for (int i = 0; i < existing; ++i)
            names << backup::backupFileName(kNow.addSecs(-3600 * (i == 0 ? newestAgeHours : 48 + 24 * i)));
        for (const QString& name : names + QStringList{QStringLiteral("notes.txt"), QStringLiteral("data-2026.mdb")})
            QVERIFY(QFile(QDir(backupFolder()).filePath(name)).open(QIODevice::WriteOnly));
        if (expectedKind == int(Kind::Failed))
            QVERIFY(QFile::remove(m_diary->databasePath()));

        const backup::Outcome outcome = backup::backUpIfDue(m_diary->databasePath(), kNow, std::atomic<bool>{false});
        QCOMPARE(int(outcome.kind), expectedKind);
        QStringList expected = names;
        if (outcome.kind == Kind::Made) // only a new backup starts the rotation: the newest 14 of all are left
            expected << backup::backupFileName(kNow);
        expected.sort();
        if (outcome.kind == Kind::Made)
            expected = expected.mid(std::max<qsizetype>(0, expected.size() - 14));
        QCOMPARE(backup::backupNames(backupFolder()), expected);
        for (const char* other : {"notes.txt", "data-2026.mdb"})
            QVERIFY(QFile::exists(QDir(backupFolder()).filePath(QLatin1String(other))));
        QCOMPARE(temporaries(backupFolder()), QStringList());
    }

    void backupThatCannotBeWrittenIsSilentAndRetried_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("backup is a file") << QStringLiteral("file");
        QTest::newRow("the program closed at once") << QStringLiteral("closed");
    }
    void backupThatCannotBeWrittenIsSilentAndRetried() {
        QFETCH(QString, fault);
        backup::Options slow; // one page a step: the closing comes in the middle of the copy
        slow.pagesPerStep = fault == QLatin1String("closed") ? 1 : slow.pagesPerStep;
        app::setAutoBackupForTests(true, slow);
        const QByteArray before = hashOf(m_diary->databasePath());
        if (fault == QLatin1String("file")) // where the backup folder should be
            QVERIFY(QFile(backupFolder()).open(QIODevice::WriteOnly));

        signIn();
        QVERIFY(forms().isLoaded<Form_View>());
        if (fault == QLatin1String("closed"))
            QVERIFY(app::stopBackup()); // as on quitting: it ended within the second's wait
        QCOMPARE(app::waitForBackupForTests().kind, fault == QLatin1String("closed") ? Kind::Cancelled : Kind::Failed);
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(hashOf(m_diary->databasePath()), before);
        QCOMPARE(backup::backupNames(backupFolder()), QStringList());
        QCOMPARE(temporaries(backupFolder()), QStringList());

        QFile::remove(backupFolder());
        app::setAutoBackupForTests(true);
        signIn();
        const backup::Outcome retried = app::waitForBackupForTests();
        QCOMPARE(int(retried.kind), int(Kind::Made));
        QCOMPARE(backup::checkDatabaseFile(retried.path), QStringLiteral("ok"));
        QCOMPARE(MessageBox::shownTexts(), QStringList());
    }

    void restoreRefusesABadBackupOrPutsAGoodOneInPlace_data() {
        QTest::addColumn<QString>("backupFault"); // empty: a sound backup
        QTest::addColumn<QString>("loss");        // what happened to data.mdb since
        for (const char* fault :
             {"damaged page", "cut short", "another password", "not a database", "empty file", "missing"})
            QTest::newRow(fault) << QString::fromLatin1(fault) << QStringLiteral("deleted");
        QTest::newRow("entries deleted") << QString() << QStringLiteral("deleted");
        QTest::newRow("data.mdb damaged") << QString() << QStringLiteral("damaged");
        QTest::newRow("data.mdb gone") << QString() << QStringLiteral("gone");
    }
    void restoreRefusesABadBackupOrPutsAGoodOneInPlace() {
        QFETCH(QString, backupFault);
        QFETCH(QString, loss);
        QCOMPARE(int(backUp(kNow.addDays(-1)).kind), int(Kind::Made));
        const backup::Outcome made = backUp(kNow);
        QCOMPARE(int(made.kind), int(Kind::Made));
        const QString name = QStringLiteral("backup/") + QFileInfo(made.path).fileName();
        const QByteArray good = hashOf(made.path);
        QFile file(made.path);
        if (backupFault == QLatin1String("damaged page")) {
            damage(made.path, 1024 * 40 + 100, 64);
        } else if (backupFault == QLatin1String("cut short")) {
            QVERIFY(file.resize(file.size() / 2));
        } else if (backupFault == QLatin1String("another password")) {
            auto db = dao::OpenDatabase(made.path, false, false, QStringLiteral(";Pwd=vexol"));
            QCOMPARE(sqlite3_rekey(dao::connectionOf(*db)->handle(), "other", 5), SQLITE_OK);
        } else if (backupFault == QLatin1String("not a database") || backupFault == QLatin1String("empty file")) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray(backupFault == QLatin1String("empty file") ? 0 : 8192, '\x5A'));
            file.close();
        } else if (backupFault == QLatin1String("missing")) {
            QVERIFY(file.remove());
        }
        if (loss == QLatin1String("deleted"))
            m_diary->open()->Execute(QStringLiteral("Delete from diary where username = '丙'"));
        else if (loss == QLatin1String("damaged"))
            damage(m_diary->databasePath(), 0, 1024);
        else
            QVERIFY(QFile::remove(m_diary->databasePath()));
        if (loss != QLatin1String("deleted")) {
            // The program cannot start: its one box names the newest backup and the command that restores it.
            QVERIFY(!Main());
            platform::Browser::setFactory({});
            const QStringList shown = MessageBox::shownTexts();
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].contains(QStringLiteral("\nmkdiarydb --restore ") + name), qPrintable(shown[0]));
            MessageBox::clearShown();
        }
        const QByteArray lost = hashOf(m_diary->databasePath());
        const auto before = folderState(folder());

        QProcess tool;
        tool.setWorkingDirectory(folder());
        tool.start(QStringLiteral(QJL_MKDIARYDB), {QStringLiteral("--restore"), name});
        QVERIFY(tool.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError());
        if (!backupFault.isEmpty()) {
            QCOMPARE(tool.exitCode(), 1);
            QVERIFY2(output.contains(QStringLiteral("没有改动任何文件")), qPrintable(output));
            QVERIFY(folderState(folder()) == before);
            return;
        }
        QVERIFY2(tool.exitCode() == 0, qPrintable(output));
        QCOMPARE(hashOf(m_diary->databasePath()), good);
        QCOMPARE(hashOf(m_diary->databasePath() + QStringLiteral(".before-restore")), lost);
        QCOMPARE(testsupport::storedIds(*m_diary->open()).size(), 3000);
        QCOMPARE(temporaries(folder()), QStringList());
        QVERIFY(Main());
        platform::Browser::setFactory({});
        QVERIFY(forms().isLoaded<Form_Login>());
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
