// Two copies of the program on one data.mdb at the same time, each adding and changing hundreds of entries
// of its own account: every entry is there afterwards as last saved, ids are unique, and neither user is
// ever shown an error (in particular no "locked" one: a copy waits for the other's write to finish).

#include "EntryContent.h"
#include "Repetitions.h"
#include "StoredEntries.h"
#include "WorkerProcess.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace reliability;

class TestTwoCopies : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        testsupport::enterTestMode();
        QVERIFY2(QFile::exists(workerPath()), qPrintable(workerPath()));
    }

    void twoCopiesSavingAtOnceLoseNothing_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("saves"); // per copy; every fourth changes an entry saved earlier
        QTest::newRow("the statements the editor sends") << QStringLiteral("direct") << 200;
        QTest::newRow("through the editor windows") << QStringLiteral("window") << 16;
    }
    void twoCopiesSavingAtOnceLoseNothing() {
        QFETCH(QString, mode);
        QFETCH(int, saves);
        saves = repetitions(saves);
        testsupport::TempDiary diary;
        const QStringList series = {QStringLiteral("甲"), QStringLiteral("乙")};

        WorkerProcess first, second;
        WorkerProcess* workers[] = {&first, &second};
        for (int i = 0; i < 2; ++i)
            workers[i]->start(
                {QStringLiteral("save"), diary.folder(), series[i], QStringLiteral("1"), QString::number(saves), mode});
        std::map<int, int> reported[2];
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(workers[i]->waitForExit(240000), "a copy did not finish");
            const WorkerReport report = parseReport(workers[i]->output());
            QVERIFY2(report.failures.isEmpty(), qPrintable(report.failures.join(QLatin1Char('\n'))));
            QCOMPARE(workers[i]->exitStatus(), QProcess::NormalExit);
            QCOMPARE(workers[i]->exitCode(), 0);
            QCOMPARE(report.lines, saves);
            reported[i] = report.saved;
        }

        std::shared_ptr<dao::Database> db = diary.open();
        QCOMPARE(integrityCheck(*db), QStringLiteral("ok"));
        const std::vector<StoredEntry> entries = storedEntries(*db);
        QCOMPARE(entries.size(), reported[0].size() + reported[1].size());
        QSet<qint64> ids;
        std::map<int, int> found[2];
        for (const StoredEntry& entry : entries) {
            QVERIFY2(!ids.contains(entry.id), qPrintable(QStringLiteral("id %1 twice").arg(entry.id)));
            ids.insert(entry.id);
            const int owner = entry.user == series[0] ? 0 : 1;
            const std::optional<int> number = entryNumber(series[owner], entry.title);
            QVERIFY2(number, qPrintable(QStringLiteral("a record nobody saved: ") + entry.title.left(80)));
            QVERIFY2(reported[owner].count(*number), qPrintable(entry.title));
            QVERIFY2(!found[owner].count(*number), qPrintable(QStringLiteral("%1 twice").arg(entry.title)));
            found[owner][*number] = 1;
            const QString difference = differenceFrom(entry, series[owner], *number, reported[owner][*number]);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        // Records come in the order they were added: the copies' entries alternate when they ran side by side.
        int turns = 0;
        for (std::size_t i = 1; i < entries.size(); ++i)
            turns += entries[i].user != entries[i - 1].user ? 1 : 0;
        QVERIFY2(turns >= 2, "the copies did not save at the same time");
        int changes = 0;
        for (const auto& copy : reported)
            for (const auto& [number, revision] : copy)
                changes += revision;
        qInfo("%d saves by each copy, %d entries held, %d changes, the copies took turns %d times, no error shown",
              saves, int(entries.size()), changes, turns);
    }
};

QTEST_GUILESS_MAIN(TestTwoCopies)
#include "tst_twocopies.moc"
