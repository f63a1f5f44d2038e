// Backups and restore. A backup taken while another copy of the program writes is one consistent moment of
// the file; copies killed during a backup, or two copies signing in at once, never leave a broken file
// under a backup's name; the rotation keeps the newest 14 and deletes only after a new one is complete; a
// backup that cannot be written, or is stopped by closing the program, says nothing and is tried again at
// the next sign-in. When data.mdb is lost the start-up box names the newest backup; mkdiarydb --restore
// refuses a bad backup and changes nothing, and puts a good one in place keeping the old file.

#include "Reliability.h"

#include "app/AutoBackup.h"
#include "app/Passwords.h"
#include "db/Backup.h"

#include <QScopeGuard>

#include <unistd.h>

using namespace reliability;
namespace backup = dao::backup;
using Kind = backup::Outcome::Kind;

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

static const QDateTime kNow(QDate(2026, 12, 6), QTime(20, 15, 0));

class TestBackup : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TempDiary> m_diary;
    QString folder() const { return m_diary->folder(); }
    QString backupFolder() const { return folder() + "/backup"; }
    QString database() const { return m_diary->databasePath(); }

    // Signs the account in through the login window, as a user does.
    void signIn() {
        testsupport::resetProgramState();
        Form_Login* login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText("张三");
        login->Text_PassWord->setText("口令");
        login->Command_Login_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        update::setUpdateCallObserverForTests(testsupport::ignoreUpdateCall);
    }
    void init() {
        m_diary = std::make_unique<testsupport::TempDiary>();
        m_diary->addUser("张三", app::hashPassword("口令"));
        // 3000 entries of the account "丙" with two kilobytes of body each, written in one transaction.
        QCOMPARE(testsupport::rawSql(database(),
                                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                     "INSERT INTO diary(username, diarytitle, diarydate, diaryweek, diaryweather, "
                                     "diarytext) SELECT '丙', '旧' || i, '2009-09-01', '星期二', '晴', "
                                     "hex(randomblob(1000)) FROM n"),
                 QStringList());
    }
    void cleanup() {
        app::stopBackup();
        app::setAutoBackupForTests(false);
        testsupport::resetProgramState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_diary.reset();
    }

    void backupWhileAnotherCopyWritesIsOneMoment() {
        Worker writer({"save", folder(), "甲", "1", "0"});
        QVERIFY2(writer.waitForLine("ready"), writer.readAllStandardError().constData());
        writer.go();
        QVERIFY2(writer.waitForLine("saved 3 0"), writer.readAllStandardError().constData());
        // Small steps, so that the writer's saves land in the middle of the copy again and again.
        const backup::Outcome made = backup::backUpIfDue(database(), kNow, std::atomic<bool>{false}, {8});
        QVERIFY2(writer.state() == QProcess::Running, "the writer stopped before the backup was done");
        writer.killNow();
        QCOMPARE(int(made.kind), int(Kind::Made));
        QCOMPARE(backup::checkDatabaseFile(made.path), "ok");
        Versions versions;
        int saves = 0;
        QCOMPARE(writer.collect(versions, saves), QStringList());

        // Entries are saved one after the other: a moment of the file holds the first n of them (at least the
        // three saved before it began), each in some version the writer saved (or the one under way), whole.
        int mine = 0, others = 0;
        for (const QStringList& row :
             testsupport::storedRows(*dao::OpenDatabase(made.path, false, true, ";Pwd=vexol"), "diary")) {
            if (row[1] != "甲") {
                ++others;
                continue;
            }
            QCOMPARE(entryNumber(row[2]), ++mine);
            int revision = 0;
            while (revision <= saves + 1 && !holdsVersion(row, mine, revision))
                ++revision;
            QVERIFY2(revision <= saves + 1, qPrintable(row[2]));
        }
        QVERIFY(mine >= 3 && others == 3000);
    }

    void killedOrSideBySideBackupsAreNeverBroken() {
        const QByteArray before = testsupport::contentsOf(database());
        QRandomGenerator random(20261206);
        int completed = 0;
        const int kills = repetitions(8);
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
            QCOMPARE(testsupport::contentsOf(database()), before);
            // Every file under a backup's name opens with the key and passes the integrity check.
            const QStringList made = backup::backupNames(backupFolder());
            for (const QString& name : made)
                QCOMPARE(backup::checkDatabaseFile(backupFolder() + '/' + name), "ok");
            QVERIFY(made.size() <= 2);
            completed += round < kills && !made.isEmpty() ? 1 : 0;
            // Gone, so that the next round finds a backup due again.
            QVERIFY(round == kills || QDir(backupFolder()).removeRecursively());
        }
        QVERIFY2(completed < kills, "no kill came during a backup");
        QCOMPARE(filesIn(backupFolder()), backup::backupNames(backupFolder())); // no temporary file left
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
        const QStringList others{"data-2026.mdb", "notes.txt"}; // never touched
        for (const QString& name : names + others)
            testsupport::writeFile(backupFolder() + '/' + name, {});
        if (expectedKind == int(Kind::Failed))
            QVERIFY(QFile::remove(database()));

        const backup::Outcome outcome = backup::backUpIfDue(database(), kNow, std::atomic<bool>{false});
        QCOMPARE(int(outcome.kind), expectedKind);
        if (outcome.kind == Kind::Made) // only a new backup starts the rotation: the newest 14 of all are left
            names << backup::backupFileName(kNow);
        names.sort();
        QStringList left = others + names.mid(outcome.kind == Kind::Made ? names.size() - 14 : 0);
        left.sort();
        QCOMPARE(filesIn(backupFolder()), left);
    }

    void backupThatCannotBeWrittenIsSilentAndRetried_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("backup is a file") << "file";
        QTest::newRow("read-only backup folder") << "read-only";
        QTest::newRow("the program closed at once") << "closed";
    }
    void backupThatCannotBeWrittenIsSilentAndRetried() {
        QFETCH(QString, fault);
        const bool closed = fault == "closed", readOnly = fault == "read-only";
        // One page a step when closing: the closing comes in the middle of the copy.
        app::setAutoBackupForTests(true, closed ? backup::Options{1} : backup::Options{});
        const QByteArray before = testsupport::contentsOf(database());
        if (fault == "file") // where the backup folder should be
            testsupport::writeFile(backupFolder(), {});
        if (readOnly && !(QDir().mkdir(backupFolder()) && setReadOnly(backupFolder(), true)))
            QSKIP("the folder cannot be made read-only here");
        const auto writable = [&] { return !readOnly || setReadOnly(backupFolder(), false); };
        auto writableAgain = qScopeGuard(writable);

        signIn();
        QVERIFY(forms().isLoaded<Form_View>());
        QVERIFY(!closed || app::stopBackup()); // as on quitting: it ended within the second's wait
        QCOMPARE(app::waitForBackupForTests().kind, closed ? Kind::Cancelled : Kind::Failed);
        QCOMPARE(MessageBox::shownTexts(), QStringList());
        QCOMPARE(testsupport::contentsOf(database()), before);
        QCOMPARE(filesIn(backupFolder()), QStringList());

        writableAgain.dismiss();
        QVERIFY(writable());
        QFile::remove(backupFolder());
        app::setAutoBackupForTests(true);
        signIn();
        QCOMPARE(int(app::waitForBackupForTests().kind), int(Kind::Made));
        QCOMPARE(MessageBox::shownTexts(), QStringList());
    }

    void restoreRefusesABadBackupOrPutsAGoodOneInPlace_data() {
        QTest::addColumn<QString>("backupFault"); // empty: a sound backup
        QTest::addColumn<QString>("loss");        // what happened to data.mdb since
        for (const char* fault : {"damaged page", "cut short", "another password", "missing"})
            QTest::newRow(fault) << fault << "deleted";
        QTest::newRow("entries deleted") << ""
                                         << "deleted";
        QTest::newRow("data.mdb damaged") << ""
                                          << "damaged";
        QTest::newRow("data.mdb gone") << ""
                                       << "gone";
    }
    void restoreRefusesABadBackupOrPutsAGoodOneInPlace() {
        QFETCH(QString, backupFault);
        QFETCH(QString, loss);
        const std::atomic<bool> cancel{false};
        QCOMPARE(int(backup::makeBackup(database(), backupFolder(), kNow.addDays(-1), cancel).kind), int(Kind::Made));
        const backup::Outcome made = backup::makeBackup(database(), backupFolder(), kNow, cancel);
        const QString name = "backup/" + QFileInfo(made.path).fileName();
        const QByteArray good = testsupport::contentsOf(made.path);
        if (backupFault == "damaged page")
            testsupport::writeFile(made.path, QByteArray(good).replace(40 * 1024 + 100, 64, QByteArray(64, 'Z')));
        else if (backupFault == "cut short")
            testsupport::writeFile(made.path, good.left(good.size() / 2));
        else if (backupFault == "another password")
            QCOMPARE(testsupport::rawSql(made.path, "PRAGMA rekey = 'other'"), QStringList());
        else if (backupFault == "missing")
            QVERIFY(QFile::remove(made.path));
        if (loss == "deleted")
            QCOMPARE(testsupport::rawSql(database(), "DELETE FROM diary"), QStringList());
        else if (loss == "damaged")
            testsupport::writeFile(database(), QByteArray(1024, 'Z') + testsupport::contentsOf(database()).mid(1024));
        else
            QVERIFY(QFile::remove(database()));
        if (loss != "deleted") {
            // The program cannot start: its one box names the newest backup and the command that restores it.
            QVERIFY(!runMain());
            const QStringList shown = MessageBox::shownTexts();
            MessageBox::clearShown();
            QVERIFY2(shown.size() == 1 && shown[0].contains("\nmkdiarydb --restore " + name),
                     qPrintable(shown.join('|')));
        }
        const QByteArray lost = testsupport::contentsOf(database());
        const QStringList before = folderState(folder());

        QProcess tool;
        tool.setWorkingDirectory(folder());
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(QJL_MKDIARYDB, {"--restore", name});
        QVERIFY(tool.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(tool.readAll());
        if (!backupFault.isEmpty()) {
            QVERIFY2(tool.exitCode() == 1 && output.contains("没有改动任何文件"), qPrintable(output));
            QCOMPARE(folderState(folder()), before);
            return;
        }
        QVERIFY2(tool.exitCode() == 0, qPrintable(output));
        QVERIFY(testsupport::contentsOf(database()) == good);
        QVERIFY(testsupport::contentsOf(database() + ".before-restore") == lost);
        QCOMPARE(filesIn(folder()),
                 QStringList({"data.mdb", "data.mdb.before-restore"}).mid(0, loss == "gone" ? 1 : 2));
        QVERIFY(runMain());
        QVERIFY(forms().isLoaded<Form_Login>());
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
