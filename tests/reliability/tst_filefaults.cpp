// Faults of the database file, and the backups that answer them.
//
// At start-up a data.mdb that is missing, empty, random bytes, protected by another password, without its
// users table, cut short, damaged, a folder, or held by another copy of the program: Main() shows one box
// with the failure's number and a Chinese description (and, unless the file is only held elsewhere or cannot
// be opened, the newest backup and the command that restores it), loads no window and returns false, and the
// program folder is left byte for byte as it was. A file held only for a moment is waited for.
//
// A backup taken while another copy of the program writes is one consistent moment of the file; copies
// killed during a backup, or two copies backing up at once, never leave a broken file under a backup's name.
// After a sign-in a backup is made when none in backup/ was written recently (the times in names are not
// trusted), and only then are all but the 14 written last deleted, never the new one; a backup that cannot be written,
// or is stopped by closing the program, says nothing, deletes nothing and is tried again at the next sign-in. mkdiarydb
// --restore refuses a bad backup (or a file without the diary's columns) and changes nothing, and puts a good one in
// place keeping the old file and its access: in the tool's own folder wherever it is run from, and through a link into
// the file linked to.

#include "Reliability.h"

#include "app/AutoBackup.h"
#include "app/BackgroundWork.h"
#include "app/Passwords.h"
#include "db/Backup.h"

#include <QRegularExpression>
#include <QScopeGuard>

#include <sys/stat.h>
#include <unistd.h>

using namespace reliability;
namespace backup = dao::backup;
using Kind = backup::Outcome::Kind;

// What is done to data.mdb before the start-up.
enum class Fault { Statement, Missing, Empty, Noise, CutShort, Damaged, Folder, Held };
Q_DECLARE_METATYPE(Fault)

// Makes the folder read-only, or writable again: by its mode, or for root (whom modes do not stop) by
// mounting it read-only onto itself.
static bool setReadOnly(const QString& folder, bool on) {
    if (::geteuid() != 0)
        return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                 (on ? QFile::Permissions() : QFile::WriteOwner));
    return QProcess::execute(on ? "mount" : "umount",
                             on ? QStringList{"--bind", "-o", "ro", folder, folder} : QStringList{folder}) == 0;
}

// The files in the folder, backups or not, by name.
static QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class TestFileFaults : public QObject, WindowFixture {
    Q_OBJECT
private:
    QString folder() const { return m_diary->folder(); }
    QString backupFolder() const { return folder() + "/backup"; }
    QString database() const { return m_diary->databasePath(); }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() {
        startWithDiary();
        m_diary->addUser("张三", app::hashPassword("口令"));
        // 3000 entries of the account "丙" with two kilobytes of body each, written in one transaction: copies
        // that take long enough to be stopped or killed half-way. The restore needs only a few pages of them.
        const bool restore =
            QTest::currentTestFunction() == QLatin1String("restoreRefusesABadBackupOrPutsAGoodOneInPlace");
        QCOMPARE(rawSql(database(), QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                                   "FROM n WHERE i < %1) INSERT INTO diary(username, "
                                                   "diarytext) SELECT '丙', hex(randomblob(1000)) FROM n")
                                        .arg(restore ? 100 : 3000)),
                 QStringList());
    }
    void cleanup() {
        app::stopBackup();
        app::setAutoBackupForTests(false);
        dropDiary();
    }

    void startUpFaultEndsWithOneMessageAndTouchesNothing_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("statement"); // run on the file
        QTest::addColumn<int>("number");
        using enum Fault;
        QTest::newRow("missing") << Missing << "" << 3024;
        QTest::newRow("empty") << Empty << "" << 3078;
        QTest::newRow("random bytes") << Noise << "" << 3031;
        QTest::newRow("another password") << Statement << "PRAGMA rekey = 'vexo1'" << 3031;
        QTest::newRow("users table missing") << Statement << "DROP TABLE users" << 3078;
        QTest::newRow("cut short after its first page") << CutShort << "" << 3343;
        QTest::newRow("a damaged page") << Damaged << "" << 3343;
        QTest::newRow("a folder named data.mdb") << Folder << "" << 3051;
        // The layer waits up to 15 s for the lock, then gives up with "locked by another user".
        QTest::newRow("held by another copy") << Held << "" << 3260;
        QTest::newRow("held for a moment: waited for") << Held << "" << 0;
    }
    void startUpFaultEndsWithOneMessageAndTouchesNothing() {
        QFETCH(Fault, fault);
        QFETCH(QString, statement);
        QFETCH(int, number);
        using enum Fault;
        const QString path = database();
        QString newest; // two backups, of yesterday and today
        for (int day : {5, 6})
            newest =
                backup::makeBackup(path, backupFolder(), QDateTime(QDate(2026, 12, day), QTime(20, 0)), false).path;
        QByteArray bytes = contentsOf(path);
        if (fault == Noise)
            QRandomGenerator(20090908).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        std::unique_ptr<Worker> holder;
        if (!statement.isEmpty())
            QCOMPARE(rawSql(path, statement), QStringList());
        if (fault == Held) // held for a moment where the start-up is to succeed
            holder = std::make_unique<Worker>(QStringList{"hold", path, number == 0 ? "1500" : "60000"});
        else if (fault == Missing || fault == Folder)
            QVERIFY(QFile::remove(path) && (fault == Missing || QDir().mkdir(path)));
        else if (fault == Damaged)
            writeFile(path, bytes.replace(1124, 64, QByteArray(64, '\xA5')));
        else if (fault != Statement)
            writeFile(path, fault == Noise ? bytes : bytes.left(fault == CutShort ? 1024 : 0));
        QVERIFY(!holder || holder->waitForLine("holding"));
        const QStringList before = folderState(folder());

        QCOMPARE(Main(), number == 0);
        const std::vector<MessageBox::Request> shown = MessageBox::takeShown();
        QCOMPARE(int(shown.size()), number == 0 ? 0 : 1);
        QCOMPARE(folderState(folder()), before);
        if (number == 0) {
            QCOMPARE(forms().loaded<Form_Login>()->Combo_UserName->count(), 1);
            return;
        }
        QVERIFY2(shown[0].text.contains(
                     QRegularExpression(QStringLiteral("^运行时错误 '%1'：\n\n[\\s\\S]*[\u4e00-\u9fff]").arg(number))),
                 qPrintable(shown[0].text));
        QCOMPARE(shown[0].title, MessageBox::applicationTitle());
        const QString restore = "\nmkdiarydb --restore backup/" + QFileInfo(newest).fileName();
        QCOMPARE(shown[0].text.endsWith(restore), number != dao::errCannotOpen && number != dao::errLocked);
        QCOMPARE(forms().loadedCount(), 0);
    }

    void backupWhileAnotherCopyWritesIsOneMoment() {
        Worker writer({"save", folder(), "甲", "1", "0"});
        QVERIFY2(writer.startSaving(), writer.readAllStandardError().constData());
        QVERIFY2(writer.waitForLine("saved 3 0"), writer.readAllStandardError().constData());
        // Small steps, so that the writer's saves land in the middle of the copy again and again.
        const auto made = backup::backUpIfDue(database(), QDateTime::currentDateTime(), std::atomic<bool>{}, {8});
        QVERIFY2(writer.state() == QProcess::Running, "the writer stopped before the backup was done");
        writer.killNow();
        QCOMPARE(int(made.kind), int(Kind::Made));
        QCOMPARE(backup::checkDatabaseFile(made.path), "ok");
        Versions versions;
        int saves = 0;
        QCOMPARE(writer.collect(versions, saves), QStringList());

        // Entries are saved one after the other: a moment of the file holds the first n of them (at least the
        // three saved before it began), each in some version the writer saved (or the one under way), whole.
        const QStringList rows = rawSql(made.path, "SELECT * FROM diary WHERE username = '甲'");
        for (int number = 1; number <= rows.size(); ++number) {
            int revision = 0;
            while (revision <= saves + 1 && !holdsVersion(rows[number - 1].split('|'), number, revision))
                ++revision;
            QVERIFY2(revision <= saves + 1, qPrintable(rows[number - 1].left(80)));
        }
        QVERIFY(rows.size() >= 3);
        QCOMPARE(rawSql(made.path, "SELECT count(*) FROM diary"), {QString::number(rows.size() + 3000)});
    }

    void killedOrSideBySideBackupsAreNeverBroken() {
        const QByteArray before = contentsOf(database());
        QRandomGenerator random(20261206);
        int completed = 0;
        const int kills = repetitions(8);
        qsizetype leftByKills = 0;
        // Two copies back up at once; they are killed at a random moment of the copy (which takes about half a
        // second here), but for the last round.
        for (int round = 0; round <= kills; ++round) {
            Worker first({"backup", folder()}), second({"backup", folder()});
            QVERIFY(first.waitForLine("started") && second.waitForLine("started"));
            QThread::msleep(random.bounded(600));
            for (Worker* copy : {&first, &second})
                QVERIFY(round < kills || copy->waitForLine("backup made") || copy->waitForLine("backup not-due", 0));
            first.killNow();
            second.killNow();
            QCOMPARE(contentsOf(database()), before);
            // Every file under a backup's name opens with the key and passes the integrity check.
            const QStringList made = backup::backupNames(backupFolder());
            for (const QString& name : made)
                QCOMPARE(backup::checkDatabaseFile(backupFolder() + '/' + name), "ok");
            QVERIFY(made.size() <= 2);
            completed += round < kills && !made.isEmpty() ? 1 : 0;
            // The backups gone, so that the next round finds a backup due again; the temporaries the kills left
            // stay for the next round's copies to find.
            for (const QString& name : made)
                QVERIFY(round == kills || QFile::remove(backupFolder() + '/' + name));
            leftByKills = std::max(leftByKills, filesIn(backupFolder()).size());
        }
        QVERIFY2(completed < kills, "no kill came during a backup");
        QVERIFY2(leftByKills > 0, "no kill left a temporary file");
        // The last round's copies removed what the kills left, and neither removed the other's copy under way.
        QCOMPARE(filesIn(backupFolder()), backup::backupNames(backupFolder()));
    }

    // When the background work's owner ends in the middle of a backup (the large diary's copy, a page a step),
    // the copy stops and is joined, leaving nothing under a backup's name.
    void backupUnderWayStopsWithItsOwner() {
        {
            app::BackgroundWork ending;
            ending.backupOptions = backup::Options{1};
            ending.startBackup(database(), QDateTime::currentDateTime());
        }
        QCOMPARE(filesIn(backupFolder()), QStringList());
    }

    void signInBacksUpWhenDueAndKeepsTheNewest_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("existing");       // backups there before: the newest, then one a day from two days back
        QTest::addColumn<int>("newestAgeHours"); // when the newest was written
        QTest::addColumn<int>("nameAheadDays");  // each named this many days after it was written
        QTest::addColumn<int>("expectedKind");
        QTest::newRow("15 old, the newest 21 h: a new one, the oldest two go")
            << "" << 15 << 21 << 0 << int(Kind::Made);
        QTest::newRow("newest 19 h old: not due") << "" << 15 << 19 << 0 << int(Kind::NotDue);
        QTest::newRow("clock set back: the newest written 21 h ahead") << "" << 15 << -21 << 0 << int(Kind::Made);
        QTest::newRow("names a month ahead hold nothing off") << "" << 15 << 21 << 30 << int(Kind::Made);
        QTest::newRow("names in 2099: today's kept, the oldest by age go")
            << "" << 15 << 48 << 27000 << int(Kind::Made);
        QTest::newRow("closed at once: nothing deleted") << "closed" << 15 << 48 << 0 << int(Kind::Cancelled);
        QTest::newRow("read-only backup folder") << "read-only" << 15 << 48 << 0 << int(Kind::Failed);
        QTest::newRow("backup is a file") << "file" << 0 << 0 << 0 << int(Kind::Failed);
    }
    void signInBacksUpWhenDueAndKeepsTheNewest() {
        QFETCH(QString, fault);
        QFETCH(int, existing);
        QFETCH(int, newestAgeHours);
        QFETCH(int, nameAheadDays);
        const bool closed = fault == "closed", readOnly = fault == "read-only";
        // One page a step when closing: the closing comes in the middle of the copy.
        app::setAutoBackupForTests(true, closed ? backup::Options{1} : backup::Options{});
        const QByteArray before = contentsOf(database());
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(fault == "file" ? QFile(backupFolder()).open(QIODevice::WriteOnly) : QDir().mkdir(backupFolder()));
        QStringList names; // oldest written first
        for (int i = existing - 1; i >= 0; --i) {
            const QDateTime written = now.addSecs(-3600 * (i == 0 ? newestAgeHours : 48 + 24 * i));
            names << backup::backupFileName(written.addDays(nameAheadDays));
            QFile file(writeFile(backupFolder() + '/' + names.last(), {}));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFile::FileModificationTime));
        }
        const QStringList others = existing ? QStringList{"data-2026.mdb", "notes.txt"} : QStringList();
        for (const QString& name : others)
            writeFile(backupFolder() + '/' + name, {});
        if (readOnly && !setReadOnly(backupFolder(), true))
            QSKIP("the folder cannot be made read-only here");
        const auto writable = [&] { return !readOnly || setReadOnly(backupFolder(), false); };
        auto writableAgain = qScopeGuard(writable);

        QCOMPARE(logIn(false, "张三", "口令"), QStringList());
        QVERIFY(!closed || app::stopBackup()); // as on quitting: it ended within the second's wait
        const backup::Outcome outcome = app::waitForBackupForTests();
        QTEST(int(outcome.kind), "expectedKind");
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(contentsOf(database()), before);
        if (outcome.kind == Kind::Made) // only a new backup starts the rotation: the newest 14 of all are left
            names << QFileInfo(outcome.path).fileName();
        QStringList left = others + names.mid(outcome.kind == Kind::Made ? names.size() - 14 : 0);
        left.sort();
        QCOMPARE(filesIn(backupFolder()), left);
        if (outcome.kind == Kind::Made || outcome.kind == Kind::NotDue)
            return;

        // Tried again at the next sign-in.
        writableAgain.dismiss();
        QVERIFY(writable());
        QFile::remove(backupFolder());
        app::setAutoBackupForTests(true);
        resetProgramState();
        QCOMPARE(logIn(false, "张三", "口令"), QStringList());
        QCOMPARE(int(app::waitForBackupForTests().kind), int(Kind::Made));
        QCOMPARE(MessageBox::shownTexts(), QStringList());
    }

    void restoreRefusesABadBackupOrPutsAGoodOneInPlace_data() {
        QTest::addColumn<bool>("damaged");      // a page of the backup
        QTest::addColumn<QString>("statement"); // run on the backup; neither: a sound backup
        QTest::addColumn<bool>("gone");         // data.mdb gone since, else its entries deleted
        QTest::addColumn<QString>("run");       // "named": in the folder, data.mdb named; "beside": a copy of
                                                // the tool in the folder, run from elsewhere; "link": data.mdb
                                                // a link to real/data.mdb, named
        QTest::newRow("a damaged page") << true << "" << false << "named";
        QTest::newRow("another password") << false << "PRAGMA rekey = 'other'" << false << "named";
        QTest::newRow("diary without its columns")
            << false
            << "CREATE TABLE d AS SELECT id, username FROM diary; DROP TABLE diary; ALTER TABLE d RENAME TO diary"
            << false << "named";
        QTest::newRow("entries deleted") << false << "" << false << "named";
        QTest::newRow("data.mdb gone") << false << "" << true << "named";
        QTest::newRow("the tool's folder, run from elsewhere") << false << "" << false << "beside";
        QTest::newRow("through a link") << false << "" << false << "link";
    }
    void restoreRefusesABadBackupOrPutsAGoodOneInPlace() {
        QFETCH(bool, damaged);
        QFETCH(QString, statement);
        QFETCH(bool, gone);
        QFETCH(QString, run);
        const auto made = backup::makeBackup(database(), backupFolder(), QDateTime::currentDateTime(), false);
        const QString name = "backup/" + QFileInfo(made.path).fileName();
        const QByteArray good = contentsOf(made.path);
        if (damaged)
            writeFile(made.path, QByteArray(good).replace(40 * 1024 + 100, 64, QByteArray(64, 'Z')));
        else if (!statement.isEmpty())
            QCOMPARE(rawSql(made.path, statement), QStringList());
        QVERIFY(gone ? QFile::remove(database()) : rawSql(database(), "DELETE FROM diary").isEmpty());
        // The diary of a group: the restored file keeps its access.
        QVERIFY(gone || QFile::setPermissions(database(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                              QFile::WriteGroup));
        const gid_t family = 34; // given to a system group where the administrator runs the test
        QVERIFY(gone || ::geteuid() != 0 || ::chown(QFile::encodeName(database()).constData(), uid_t(-1), family) == 0);
        QString diary = database(); // the file the program reads
        if (run == "link") {
            QVERIFY(QDir(folder()).mkdir("real"));
            diary = folder() + "/real/data.mdb";
            QVERIFY(QFile::rename(database(), diary) && QFile::link("real/data.mdb", database()));
        }
        const QFile::Permissions access = QFileInfo(diary).permissions();
        const QByteArray lost = contentsOf(diary);
        QString tool = QJL_MKDIARYDB;
        if (run == "beside") {
            tool = folder() + "/mkdiarydb";
            QVERIFY(QFile::copy(QJL_MKDIARYDB, tool));
        }
        const QStringList before = folderState(folder());

        QProcess restore;
        restore.setWorkingDirectory(run == "beside" ? QDir::rootPath() : folder());
        restore.setProcessChannelMode(QProcess::MergedChannels);
        restore.start(tool, run == "beside"
                                ? QStringList{"--restore", backupFolder() + '/' + QFileInfo(name).fileName()}
                                : QStringList{"--restore", name, "data.mdb"});
        QVERIFY(restore.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(restore.readAll());
        if (damaged || !statement.isEmpty()) {
            QVERIFY2(restore.exitCode() == 1 && output.contains("没有改动任何文件"), qPrintable(output));
            QCOMPARE(folderState(folder()), before);
            return;
        }
        QVERIFY2(restore.exitCode() == 0, qPrintable(output));
        QVERIFY(contentsOf(diary) == good);
        QCOMPARE(QFileInfo(database()).isSymLink(), run == "link");
        QVERIFY2(output.contains(gone ? "没有保留任何文件" : diary + ".before-restore"), qPrintable(output));
        QVERIFY(contentsOf(diary + ".before-restore") == lost);
        if (!gone) {
            QCOMPARE(QFileInfo(diary).permissions(), access);
            QCOMPARE(QFileInfo(diary).groupId(), ::geteuid() != 0 ? ::getegid() : family);
        }
        QCOMPARE(filesIn(QFileInfo(diary).path()), QStringList({"data.mdb", "data.mdb.before-restore", "mkdiarydb"})
                                                       .mid(0, gone              ? 1
                                                               : run == "beside" ? 3
                                                                                 : 2));
        QVERIFY(Main() && forms().isLoaded<Form_Login>());
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
