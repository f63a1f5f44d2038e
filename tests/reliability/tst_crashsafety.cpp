// A copy of the program killed (SIGKILL) at a random moment while it saves entries, again and again on the
// same file, and two copies saving side by side: afterwards the file is sound, every save that had returned
// is there exactly as saved, the one save under way when a kill came is either wholly there or not at all,
// and no user is ever shown an error (in particular no "locked" one: a copy waits for the other's write).

#include "Reliability.h"

using namespace reliability;

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::enterTestMode(); }

    void killedWhileSavingLosesNoEntry() {
        testsupport::TempDiary diary;
        // Fixed, so that a failing run can be repeated; the moments still vary with the machine's speed.
        QRandomGenerator random(qEnvironmentVariableIntValue("QJL_CRASH_SEED") + 20090908);
        std::vector<Versions> saved(1);
        int next = 1, reported = 0;
        for (int round = 0; round < repetitions(12); ++round) {
            Worker worker({"save", diary.folder(), "甲", QString::number(next), "0"});
            QVERIFY2(worker.waitForLine("ready"), worker.readAllStandardError().constData());
            worker.go();
            QThread::msleep(random.bounded(1500));
            // Still saving: it did not end by itself (a sanitizer ends a process it finds at fault).
            QVERIFY2(worker.state() == QProcess::Running, worker.readAllStandardError().constData());
            worker.killNow();
            reported += worker.collect(saved[0]);
            QCOMPARE(worker.failures, QStringList());
            int inFlight = 0;
            QCOMPARE(verifyDiary(diary.databasePath(), {"甲"}, saved, &inFlight), QString());
            QVERIFY2(inFlight <= 1, "more than one save completed unreported");
            if (!saved[0].empty())
                next = std::max(next, saved[0].rbegin()->first + 1);
        }
        QVERIFY(reported > 0);
    }

    void twoCopiesSavingAtOnceLoseNothing() {
        const int saves = repetitions(24); // per copy; every fourth changes an entry saved earlier
        const QStringList series{"甲", "乙"};
        testsupport::TempDiary diary;
        Worker first({"save", diary.folder(), series[0], "1", QString::number(saves)});
        Worker second({"save", diary.folder(), series[1], "1", QString::number(saves)});
        // Both signed in first, then let go together: otherwise a slow start of one lets the other finish alone.
        for (Worker* worker : {&first, &second})
            QVERIFY2(worker->waitForLine("ready"), worker->readAllStandardError().constData());
        first.go();
        second.go();
        std::vector<Versions> saved(2);
        for (int i : {0, 1}) {
            Worker& worker = i == 0 ? first : second;
            QVERIFY2(worker.waitForFinished(240000) && worker.exitCode() == 0, worker.readAllStandardError().data());
            QCOMPARE(worker.collect(saved[i]), saves);
            QCOMPARE(worker.failures, QStringList());
        }
        QCOMPARE(verifyDiary(diary.databasePath(), series, saved), QString());
        // Records come in the order they were added: the copies' entries alternate when they ran side by side.
        const QList<QStringList> rows = testsupport::storedRows(*diary.open(), QStringLiteral("diary"));
        int turns = 0;
        for (qsizetype i = 1; i < rows.size(); ++i)
            turns += rows[i][1] != rows[i - 1][1] ? 1 : 0;
        QVERIFY2(turns >= 2, "the copies did not save at the same time");
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
