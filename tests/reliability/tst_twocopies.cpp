// Two copies of the program on one data.mdb at the same time, each adding and changing entries of its own
// account: every entry is there afterwards as last saved, ids are unique, and neither user is ever shown an
// error (in particular no "locked" one: a copy waits for the other's write to finish).

#include "Reliability.h"

#include "support/TestSupport.h"

#include <QTest>

using namespace reliability;

class TestTwoCopies : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::enterTestMode(); }

    void twoCopiesSavingAtOnceLoseNothing() {
        const int saves = repetitions(30); // per copy; every fourth changes an entry saved earlier
        const QStringList series{QStringLiteral("甲"), QStringLiteral("乙")};
        testsupport::TempDiary diary;
        Worker first({"save", diary.folder(), series[0], "1", QString::number(saves)});
        Worker second({"save", diary.folder(), series[1], "1", QString::number(saves)});
        std::vector<Versions> saved;
        for (Worker* worker : {&first, &second}) {
            QVERIFY2(worker->process.waitForFinished(240000), "a copy did not finish");
            QCOMPARE(worker->process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(worker->process.exitCode(), 0);
            QStringList failures;
            int reported = 0;
            saved.push_back(worker->saved(&failures, &reported));
            QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
            QCOMPARE(reported, saves);
        }
        QCOMPARE(verifyDiary(diary.databasePath(), series, saved), QString());
        // Records come in the order they were added: the copies' entries alternate when they ran side by side.
        const QList<QStringList> rows = testsupport::storedRows(*diary.open(), QStringLiteral("diary"));
        int turns = 0;
        for (qsizetype i = 1; i < rows.size(); ++i)
            turns += rows[i][1] != rows[i - 1][1] ? 1 : 0;
        QVERIFY2(turns >= 2, "the copies did not save at the same time");
        qInfo("%d saves by each copy, %d entries held, the copies took turns %d times", saves, int(rows.size()), turns);
    }
};

QTEST_GUILESS_MAIN(TestTwoCopies)
#include "tst_twocopies.moc"
