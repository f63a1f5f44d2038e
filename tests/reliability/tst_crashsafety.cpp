// A copy of the program killed (SIGKILL) at a random moment while it saves entries, again and again on the
// same file: afterwards the file is sound, every save that had returned is there exactly as saved, and the
// one save under way when the kill came is either wholly there or not at all.

#include "Reliability.h"

#include "support/TestSupport.h"

#include <QRandomGenerator>
#include <QTest>
#include <QThread>

using namespace reliability;

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::enterTestMode(); }

    void killedWhileSavingLosesNoEntry() {
        const QString series = QStringLiteral("甲");
        testsupport::TempDiary diary;
        // Fixed, so that a failing run can be repeated; the moments still vary with the machine's speed.
        QRandomGenerator random(qEnvironmentVariableIntValue("QJL_CRASH_SEED") + 20090908);
        std::vector<Versions> saved(1);
        int next = 1, reported = 0, unreported = 0;
        const int rounds = repetitions(20);
        for (int round = 0; round < rounds; ++round) {
            Worker worker({"save", diary.folder(), series, QString::number(next), "0"});
            QVERIFY2(worker.waitForLine("ready"), worker.process.readAllStandardError().constData());
            QThread::msleep(random.bounded(1500));
            // Still saving: it did not end by itself (a sanitizer ends a process it finds at fault).
            QVERIFY2(worker.process.state() == QProcess::Running, worker.process.readAllStandardError().constData());
            worker.process.kill();
            worker.process.waitForFinished();
            QStringList failures;
            for (const auto& [number, revision] : worker.saved(&failures, &reported))
                saved[0][number] = revision;
            QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
            int inFlight = 0;
            const QString wrong = verifyDiary(diary.databasePath(), {series}, saved, &inFlight);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
            QVERIFY2(inFlight <= 1, qPrintable(QStringLiteral("%1 unreported saves in one round").arg(inFlight)));
            unreported += inFlight;
            if (!saved[0].empty())
                next = std::max(next, saved[0].rbegin()->first + 1);
        }
        qInfo("%d kills, %d saves reported, %d entries held, %d saves completed unreported", rounds, reported,
              int(saved[0].size()), unreported);
        QVERIFY(reported > 0);
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
