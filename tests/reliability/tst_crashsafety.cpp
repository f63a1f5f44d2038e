// A copy of the program killed (SIGKILL) at a random moment while it saves entries, again and again on the
// same file, and two copies saving side by side: afterwards the file is sound, every save that had returned
// is there exactly as saved, the one save under way when a kill came is either wholly there or not at all,
// and no user is ever shown an error (in particular no "locked" one: a copy waits for the other's write).

#include "Reliability.h"

using namespace reliability;

namespace {

// The diary file against what the workers of the series saved (saved[i] for series[i]): the file is sound,
// every record is an entry of theirs, each once and exactly as last saved. With unreported given, an entry
// may be one save ahead of its report (a save the kill cut short after it was done); such entries are then
// counted in saved. Returns what is wrong, empty when all is well.
QString verifyDiary(const QString& path, const QStringList& series, std::vector<Versions>& saved,
                    int* unreported = nullptr) {
    if (const QStringList integrity = rawSql(path, "PRAGMA integrity_check"); integrity != QStringList{"ok"})
        return "integrity check: " + integrity.join('\n');
    std::set<QString> titles;
    for (const QStringList& row : storedRows(*dao::OpenDiaryDatabase(), "diary")) {
        // The number in the title "第n篇（series）"; 0 for a record that is no entry of theirs.
        const int owner = int(series.indexOf(row[1])),
                  number = owner < 0 ? 0 : row[2].section("篇", 0, 0).mid(1).toInt();
        if (number == 0 || !titles.insert(row[2]).second)
            return "a record nobody saved, or twice: " + row.join('|').left(80);
        Versions& versions = saved[owner];
        const int next = versions.count(number) ? versions[number] + 1 : 0;
        if (next > 0 && holdsVersion(row, number, next - 1))
            continue;
        if (!unreported || !holdsVersion(row, number, next))
            return row[2] + " is not as saved";
        versions[number] = next;
        ++*unreported;
    }
    // Every record seen is in saved by now, so a saved entry is missing exactly when the counts differ.
    std::size_t reported = 0;
    for (const Versions& versions : saved)
        reported += versions.size();
    return titles.size() == reported ? QString() : "a saved entry is lost";
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { enterTestMode(); }

    void killedWhileSavingLosesNoEntry() {
        TempDiary diary;
        // Fixed, so that a failing run can be repeated; the moments still vary with the machine's speed.
        QRandomGenerator random(qEnvironmentVariableIntValue("QJL_CRASH_SEED") + 20090908);
        std::vector<Versions> saved(1);
        int reported = 0;
        for (int round = 0; round < repetitions(12); ++round) {
            const int next = saved[0].empty() ? 1 : saved[0].rbegin()->first + 1;
            Worker worker({"save", diary.folder(), "甲", QString::number(next), "0"});
            QVERIFY2(worker.startSaving(), worker.readAllStandardError().constData());
            QThread::msleep(random.bounded(1500));
            // Still saving: it did not end by itself (a sanitizer ends a process it finds at fault).
            QVERIFY2(worker.state() == QProcess::Running, worker.readAllStandardError().constData());
            worker.killNow();
            QCOMPARE(worker.collect(saved[0], reported), QStringList());
            int inFlight = 0;
            QCOMPARE(verifyDiary(diary.databasePath(), {"甲"}, saved, &inFlight), QString());
            QVERIFY2(inFlight <= 1, "more than one save completed unreported");
        }
        QVERIFY(reported > 0);
    }

    void twoCopiesSavingAtOnceLoseNothing() {
        const int saves = repetitions(24); // per copy; every fourth changes an entry saved earlier
        const QStringList series{"甲", "乙"};
        TempDiary diary;
        Worker first({"save", diary.folder(), series[0], "1", QString::number(saves)});
        Worker second({"save", diary.folder(), series[1], "1", QString::number(saves)});
        // Both signed in first, then let go together: otherwise a slow start of one lets the other finish alone.
        QVERIFY(first.waitForLine("ready") && second.startSaving() && first.startSaving());
        std::vector<Versions> saved(2);
        for (int i : {0, 1}) {
            Worker& worker = i == 0 ? first : second;
            QVERIFY2(worker.waitForFinished(240000) && worker.exitCode() == 0, worker.readAllStandardError().data());
            int reported = 0;
            QCOMPARE(worker.collect(saved[i], reported), QStringList());
            QCOMPARE(reported, saves);
        }
        QCOMPARE(verifyDiary(diary.databasePath(), series, saved), QString());
        // Records come in the order they were added: the copies' entries alternate when they ran side by side.
        const QList<QStringList> rows = storedRows(*diary.open(), "diary");
        int turns = 0;
        for (qsizetype i = 1; i < rows.size(); ++i)
            turns += rows[i][1] != rows[i - 1][1] ? 1 : 0;
        QVERIFY2(turns >= 2, "the copies did not save at the same time");
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
