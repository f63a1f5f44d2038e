// The data tool against the stock sqlcipher shell, both as whole processes on the measured account:
//   datatool_export_json: qingjianlu-data export --format json (ours) against the shell reading the same six
//     columns of the account's rows into a file (bare);
//   datatool_import_json: qingjianlu-data import --from json of that export into a new account (ours, the
//     backup of data.mdb it makes first included) against the shell inserting the same rows in one
//     transaction from a file of INSERTs (bare); the import's first line, said once its backup is made, splits
//     its time into sign-in and backup, and its own work;
//   datatool_peak: the peak resident size of export json, export md and import json, to be compared between
//     sizes (the commands stream: it must not grow with the diary).
// Every process runs under qjl_bench_maxrss. All writing goes to a copy of the generated diary in a temporary
// folder; the rows an import added are deleted again (not timed) before the next side runs.

#include "BenchEnv.h"
#include "Child.h"
#include "DiaryGenerator.h"
#include "Measures.h"

#include "db/Backup.h"
#include "tools/data/Commands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace measures {
namespace {

const char* const kShell = "/usr/bin/sqlcipher";
// The accounts the imports write into: ours signs in (the measured account's password), the shell's rows
// only need an owner of their own.
const QString kOursAccount = QStringLiteral("导入测试");
const QString kBareAccount = QStringLiteral("导入对照");

struct Child {
    double seconds = 0;
    double secondsToFirstLine = 0;
    double peakMiB = 0;
};

// Runs program with arguments under qjl_bench_maxrss, standard input from inputFile; times it whole.
Child runMeasured(const QString& program, const QStringList& arguments, const QString& inputFile) {
    const ChildRun run =
        runChild(benchenv::helperPath("qjl_bench_maxrss"), QStringList{program} + arguments, inputFile, false);
    if (!run.succeeded())
        benchenv::fatal(QStringLiteral("%1 %2 failed (status %3): %4")
                            .arg(program, arguments.join(QLatin1Char(' ')))
                            .arg(run.status)
                            .arg(QString::fromUtf8(run.output)));
    Child child;
    child.seconds = run.seconds;
    child.secondsToFirstLine = run.secondsToFirstLine;
    for (const QByteArray& line : run.output.split('\n'))
        if (line.startsWith("peak_kib "))
            child.peakMiB = line.mid(9).toDouble() / 1024;
    return child;
}

// A copy of the generated diary with n entries per account, made once per size, with what the sides need.
class Copy {
public:
    explicit Copy(long long n) : m_folder(QDir::tempPath() + QStringLiteral("/qjl-datatool-XXXXXX")) {
        if (!m_folder.isValid())
            benchenv::fatal(QStringLiteral("no temporary folder"));
        database = path("data.mdb");
        if (!QFile::copy(benchenv::databasePath(n), database))
            benchenv::fatal(QStringLiteral("cannot copy the diary of %1 entries").arg(n));
        passwordFile = path("password.txt");
        write(passwordFile, benchgen::measuredAccount().password.toUtf8() + '\n');
        shell(QStringLiteral("INSERT INTO users(\"limit\", username, password) SELECT 1, '%1', password FROM users "
                             "WHERE username = '%3'; INSERT INTO users(\"limit\", username, password) SELECT 1, "
                             "'%2', password FROM users WHERE username = '%3';")
                  .arg(kOursAccount, kBareAccount, measured()));
        // What the imports read: ours the tool's own export, the shell the same rows as INSERTs.
        json = path("import.json");
        tool({QStringLiteral("export"), QStringLiteral("--user"), measured(), QStringLiteral("--format"),
              QStringLiteral("json"), QStringLiteral("--output"), json});
        shell(QStringLiteral(".headers on\n.mode insert diary\n.output %1\nSELECT '%2' AS username, diarytitle, "
                             "diarydate, diaryweek, diaryweather, diarytext FROM diary WHERE username = '%3' "
                             "ORDER BY id;\n")
                  .arg(path("inserts.sql"), kBareAccount, measured()));
    }

    QString database, passwordFile, json;

    QString path(const char* name) const { return m_folder.filePath(QLatin1String(name)); }
    static QString measured() { return benchgen::measuredAccount().name; }

    // The shell keyed as our opener keys the file, running script.
    Child shell(const QString& script) const {
        const QString file = path("script.sql");
        write(file,
              QStringLiteral("PRAGMA key = 'vexol';\nPRAGMA cipher_compatibility = 3;\n%1\n").arg(script).toUtf8());
        return runMeasured(QString::fromLatin1(kShell), {QStringLiteral("-bail"), database}, file);
    }
    // qingjianlu-data on the copy, signed in with the measured account's password.
    Child tool(QStringList arguments) const {
        arguments << QStringLiteral("--database") << database << QStringLiteral("--password-stdin")
                  << QStringLiteral("--quiet");
        return runMeasured(benchenv::helperPath("qingjianlu-data"), arguments, passwordFile);
    }
    // Removes what an import or a backup left: the new account's rows, the backups beside the copy.
    void undoImports() const {
        shell(QStringLiteral("DELETE FROM diary WHERE username IN ('%1', '%2');").arg(kOursAccount, kBareAccount));
        QDir(dao::backup::backupFolderOf(database)).removeRecursively();
    }

private:
    static void write(const QString& file, const QByteArray& bytes) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            benchenv::fatal(QStringLiteral("cannot write %1").arg(file));
    }
    QTemporaryDir m_folder;
};

Copy& copyOf(long long n) {
    static std::map<long long, std::unique_ptr<Copy>> copies;
    auto& copy = copies[n];
    if (!copy) {
        copy = std::make_unique<Copy>(n);
        benchenv::onTearDown([n] { copies.erase(n); });
    }
    return *copy;
}

QString exportRows(const QString& output) {
    return QStringLiteral(".output %1\nSELECT id, diarytitle, diarydate, diaryweek, diaryweather, diarytext FROM diary "
                          "WHERE username = '%2' ORDER BY id;\n")
        .arg(output, Copy::measured());
}

void exportPair(benchmark::State& state, long long n) {
    const Copy& copy = copyOf(n);
    const QString ours = copy.path("ours.json");
    const QString bare = copy.path("bare.txt");
    Turns turns(state);
    for (auto _ : state) {
        turns.both(
            [&] {
                turns.add("ours", copy.tool({QStringLiteral("export"), QStringLiteral("--user"), Copy::measured(),
                                             QStringLiteral("--format"), QStringLiteral("json"),
                                             QStringLiteral("--output"), ours})
                                      .seconds);
                QFile::remove(ours);
            },
            [&] {
                turns.add("bare", copy.shell(exportRows(bare)).seconds);
                QFile::remove(bare);
            });
        turns.next();
    }
    turns.report();
}

Child importOurs(const Copy& copy) {
    return copy.tool({QStringLiteral("import"), QStringLiteral("--user"), kOursAccount, QStringLiteral("--from"),
                      QStringLiteral("json"), copy.json});
}

void importPair(benchmark::State& state, long long n) {
    const Copy& copy = copyOf(n);
    const QString bareScript =
        QStringLiteral("BEGIN;\n.read %1\nCOMMIT;\nSELECT changes();\n").arg(copy.path("inserts.sql"));
    Turns turns(state);
    for (auto _ : state) {
        turns.both(
            [&] {
                // The import says where its backup went as soon as it is made: the time to that line is the
                // sign-in and the backup, the rest is the import's own work, both from the same run.
                const Child run = importOurs(copy);
                turns.add("ours", run.seconds);
                turns.add("backup", run.secondsToFirstLine);
                turns.add("after", run.seconds - run.secondsToFirstLine);
                copy.undoImports();
            },
            [&] {
                turns.add("bare", copy.shell(bareScript).seconds);
                copy.undoImports();
            });
        turns.next();
    }
    turns.report();
}

void peak(benchmark::State& state, long long n) {
    const Copy& copy = copyOf(n);
    double json = 0, md = 0, imported = 0;
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        const QString jsonOut = copy.path("peak.json");
        const QString mdOut = copy.path("peak-md");
        json = copy.tool({QStringLiteral("export"), QStringLiteral("--user"), Copy::measured(),
                          QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--output"), jsonOut})
                   .peakMiB;
        md = copy.tool({QStringLiteral("export"), QStringLiteral("--user"), Copy::measured(),
                        QStringLiteral("--format"), QStringLiteral("md"), QStringLiteral("--output"), mdOut})
                 .peakMiB;
        imported = importOurs(copy).peakMiB;
        state.SetIterationTime(benchenv::secondsSince(start));
        QFile::remove(jsonOut);
        QDir(mdOut).removeRecursively();
        copy.undoImports();
    }
    state.counters["export_json_MiB"] = json;
    state.counters["export_md_MiB"] = md;
    state.counters["import_json_MiB"] = imported;
}

} // namespace

void registerDataTool() {
    constexpr long long kEntries = 100000;
    // Each iteration moves the whole account (about 2.5 GB of text) through both sides: few, long runs.
    add("datatool_export_json", "pair", kEntries, exportPair, 1)->Repetitions(3);
    add("datatool_import_json", "pair", kEntries, importPair, 1)->Repetitions(3);
    // Memory does not depend on the machine's load: one run per size.
    for (const long long n : {1000LL, kEntries})
        add("datatool_peak", "ours", n, peak, 1)->Repetitions(1);
}

} // namespace measures
