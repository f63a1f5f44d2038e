#include "tools/data/Commands.h"

#include "tools/data/DiaryFile.h"
#include "tools/data/Json.h"
#include "tools/data/Migrate.h"
#include "tools/data/RedNotebook.h"
#include "tools/data/Stats.h"
#include "tools/data/YearBook.h"

#include "db/Backup.h"
#include "db/DiaryDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSaveFile>

#include <atomic>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace datatool {

const char* const kUsage =
    "usage: qingjianlu-data export --user NAME --format json|md|html|txt --output PATH [--force]\n"
    "       qingjianlu-data import --user NAME --from json|rednotebook PATH\n"
    "       qingjianlu-data stats --user NAME\n"
    "       qingjianlu-data migrate --from-access OLD.mdb\n"
    "       qingjianlu-data --help\n"
    "\n"
    "  export    把帐号的全部日记写成一个 JSON 文件（无损），或每年一个 md/html/txt 文件的文件夹。\n"
    "            Writes every entry of the account to one lossless JSON file, or to a folder of yearly files.\n"
    "  import    从 export 写的 JSON 文件或 RedNotebook 日记文件夹导入日记，保留原来的日期；先做备份，\n"
    "            已有的日记（日期、标题、正文都相同）不再导入。\n"
    "            Brings entries in with their dates from an exported JSON file or a RedNotebook journal\n"
    "            folder, after a backup; an entry already there (same date, title and body) is skipped.\n"
    "  stats     帐号的统计数字。Figures of the account's diary.\n"
    "  migrate   把旧的 Access（Jet）data.mdb 里的帐号和日记搬过来。\n"
    "            Brings the accounts and entries of an old Access (Jet) data.mdb over.\n"
    "\n"
    "  --database PATH    日记数据库（默认是程序旁的 data.mdb）。The diary database (default: data.mdb beside\n"
    "                     the program).\n"
    "  --password-stdin   从标准输入的第一行读口令（默认在终端输入，不回显）。Read the password from the\n"
    "                     first line of standard input (default: typed at the terminal, not shown).\n"
    "  --force            覆盖已有的输出。Replace an existing output.\n"
    "  --quiet            不显示进度。No progress.\n"
    "\n"
    "  exit codes: 0 done, 1 failed (nothing written), 2 bad usage, 3 unknown account or wrong password\n";

namespace {

struct Options {
    QString command;
    QMap<QString, QString> values; // --name value
    QStringList flags;             // --name
    QStringList positional;
    bool has(const char* flag) const { return flags.contains(QLatin1String(flag)); }
    QString value(const char* name) const { return values.value(QLatin1String(name)); }
};

const QStringList kValueOptions{QStringLiteral("--user"),     QStringLiteral("--format"),
                                QStringLiteral("--output"),   QStringLiteral("--from"),
                                QStringLiteral("--database"), QStringLiteral("--from-access")};
const QStringList kFlags{QStringLiteral("--force"), QStringLiteral("--quiet"), QStringLiteral("--password-stdin")};

std::optional<Options> parse(const QStringList& arguments) {
    if (arguments.isEmpty())
        return std::nullopt;
    Options options;
    options.command = arguments.first();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (kValueOptions.contains(argument)) {
            if (i + 1 >= arguments.size() || options.values.contains(argument) || arguments.at(i + 1).isEmpty())
                return std::nullopt;
            options.values.insert(argument.mid(2), arguments.at(++i));
        } else if (kFlags.contains(argument)) {
            options.flags << argument.mid(2);
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return std::nullopt;
        } else {
            options.positional << argument;
        }
    }
    return options;
}

// True when exactly the named options (and no positional ones beyond `positionals`) are given.
bool allowed(const Options& options, const QStringList& values, const QStringList& flags, int positionals = 0) {
    for (auto it = options.values.begin(); it != options.values.end(); ++it)
        if (!values.contains(it.key()) && it.key() != QLatin1String("database"))
            return false;
    for (const QString& flag : options.flags)
        if (!flags.contains(flag) && flag != QLatin1String("quiet"))
            return false;
    return options.positional.size() == positionals;
}

int usage(Io& io) {
    io.err(QString::fromUtf8(kUsage).chopped(1));
    return kBadUsage;
}

int failed(Io& io, const QString& message) {
    io.err(QStringLiteral("qingjianlu-data: ") + message);
    return kFailed;
}

QString databasePath(const Options& options) {
    const QString given = options.value("database");
    return given.isEmpty() ? dao::diaryDatabasePath() : given;
}

// Opens the diary and proves the account with its password, as the login window does. Gives the account's
// stored name, or the exit code to end with.
struct SignedIn {
    std::unique_ptr<DiaryFile> diary;
    QString user;
    int exitCode = kDone;
};

SignedIn signIn(const Options& options, Io& io) {
    SignedIn result;
    const QString path = databasePath(options);
    if (!QFileInfo(path).isFile()) {
        result.exitCode = failed(io, QStringLiteral("找不到日记数据库“%1”。No diary database there.").arg(path));
        return result;
    }
    const std::optional<QString> password = io.readPassword(options.has("password-stdin"));
    if (!password) {
        result.exitCode =
            failed(io, QStringLiteral("无法读取口令（没有终端时用 --password-stdin）。"
                                      "Cannot read the password (use --password-stdin without a terminal)."));
        return result;
    }
    try {
        result.diary = std::make_unique<DiaryFile>(path);
        const app::DiaryStore::SignIn signIn = result.diary->checkPassword(options.value("user"), *password);
        if (signIn.check == app::DiaryStore::PasswordCheck::UnknownAccount) {
            io.err(QStringLiteral("qingjianlu-data: 查无此人哦。No such account."));
            result.exitCode = kNotSignedIn;
        } else if (signIn.check == app::DiaryStore::PasswordCheck::WrongPassword || password->isEmpty()) {
            io.err(QStringLiteral("qingjianlu-data: 口令不对哦！Wrong password."));
            result.exitCode = kNotSignedIn;
        } else {
            result.user = signIn.storedName;
        }
    } catch (const dao::DaoError& error) {
        result.exitCode = failed(
            io, QStringLiteral("无法打开日记数据库：%1 Cannot open the diary database.").arg(error.description()));
    }
    if (result.exitCode != kDone)
        result.diary.reset();
    return result;
}

int exportJson(DiaryFile& diary, const QString& user, const QString& path, Progress& progress, Io& io) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(io, QStringLiteral("无法写入“%1”：%2。Cannot write there.").arg(path, file.errorString()));
    json::Writer writer(file, user);
    qint64 done = 0;
    bool ok = true;
    diary.forEachRow(user, [&](const Row& row) {
        ok = writer.write(row);
        progress.step(++done);
        return ok;
    });
    progress.finish();
    if (!ok || !writer.finish() || !file.commit())
        return failed(io, QStringLiteral("无法写完“%1”：%2。The file could not be written whole; nothing was kept.")
                              .arg(path, file.errorString()));
    io.out(QStringLiteral("已导出 %1 篇日记到“%2”。Exported %1 entries.").arg(done).arg(path));
    return kDone;
}

int exportYearBooks(DiaryFile& diary, const QString& user, YearBookFormat format, const QString& path, bool force,
                    Progress& progress, Io& io) {
    // Only each entry's day and id are held; the entries themselves are read one by one as they are written.
    std::vector<Dated> entries;
    QHash<QByteArray, QDate> days;
    diary.forEachDate(user, [&](qint64 id, QByteArrayView date) {
        auto day = days.constFind(date.toByteArray());
        if (day == days.constEnd())
            day = days.insert(date.toByteArray(), dayOfDateText(QString::fromUtf8(date)));
        entries.push_back({*day, id});
    });
    const qint64 count = qint64(entries.size());
    qint64 done = 0;
    QString error;
    const bool written = writeYearBookFolder(
        std::move(entries), [&diary](qint64 id) { return diary.entry(id); }, user, format, path, force, &error,
        [&] { progress.step(++done); });
    progress.finish();
    if (!written)
        return failed(io, error);
    io.out(QStringLiteral("已导出 %1 篇日记到文件夹“%2”。Exported %1 entries.").arg(count).arg(path));
    return kDone;
}

int runExport(const Options& options, Io& io) {
    if (!allowed(options, {QStringLiteral("user"), QStringLiteral("format"), QStringLiteral("output")},
                 {QStringLiteral("force"), QStringLiteral("password-stdin")}))
        return usage(io);
    const QString format = options.value("format");
    const QString output = options.value("output");
    if (options.value("user").isEmpty() || output.isEmpty())
        return usage(io);
    std::optional<YearBookFormat> yearBook;
    if (format == QLatin1String("md"))
        yearBook = YearBookFormat::Markdown;
    else if (format == QLatin1String("html"))
        yearBook = YearBookFormat::Html;
    else if (format == QLatin1String("txt"))
        yearBook = YearBookFormat::Text;
    else if (format != QLatin1String("json"))
        return usage(io);

    SignedIn signedIn = signIn(options, io);
    if (signedIn.exitCode != kDone)
        return signedIn.exitCode;
    if (QFileInfo::exists(output) && !options.has("force"))
        return failed(io, QStringLiteral("“%1”已经存在；要替换它请加 --force。It exists already; add --force to "
                                         "replace it.")
                              .arg(output));
    try {
        Progress progress(io, QStringLiteral("导出 exporting"), signedIn.diary->entryCount(signedIn.user),
                          options.has("quiet"));
        if (yearBook)
            return exportYearBooks(*signedIn.diary, signedIn.user, *yearBook, output, options.has("force"), progress,
                                   io);
        return exportJson(*signedIn.diary, signedIn.user, output, progress, io);
    } catch (const dao::DaoError& error) {
        return failed(io, QStringLiteral("读取日记失败：%1 Reading the diary failed.").arg(error.description()));
    }
}

// The entries a source brings, written as the diary keeps them, or why the source cannot be read. A JSON
// file is not held in memory: it is mapped, checked whole first, then read entry by entry; the pages read are
// given back on the way, so the memory used does not grow with the file.
class Source {
public:
    virtual ~Source() = default;
    QString error;
    qint64 count = 0;
    // Hands each entry over in order (its bytes valid until each returns); an error text when the source
    // fails on the way.
    virtual QString forEach(const std::function<void(const Row&)>& each) = 0;
};

// A date that names a day is written as the editor writes that day, so the entry groups with the account's
// own; any other date text is kept as it stands. Title, weather and body as the editor saves them (every '
// a ’). Works on the bytes, and finds each date's day once.
class AsTheEditorWrites {
public:
    const Row& operator()(const Row& row) {
        m_row = row;
        if (!row.date.isNull()) {
            auto day = m_days.find(row.date.toByteArray());
            if (day == m_days.end()) {
                const QDate named = dayOfDateText(QString::fromUtf8(row.date));
                Written written;
                if (named.isValid()) {
                    const Entry entry = editorEntry(named, {}, {}, {});
                    written = {true, entry.date.toUtf8(), entry.weekday.toUtf8()};
                }
                day = m_days.insert(row.date.toByteArray(), written);
            }
            if (day->namesADay) {
                m_row.date = day->date;
                m_row.weekday = day->weekday;
            }
        }
        m_row.title = curlyApostrophes(row.title, m_title);
        m_row.weather = curlyApostrophes(row.weather, m_weather);
        m_row.body = curlyApostrophes(row.body, m_body);
        return m_row;
    }

private:
    struct Written {
        bool namesADay = false;
        QByteArray date, weekday;
    };
    static QByteArrayView curlyApostrophes(QByteArrayView text, QByteArray& buffer) {
        if (!text.contains('\''))
            return text;
        buffer = text.toByteArray().replace('\'', "\xe2\x80\x99");
        return buffer;
    }
    QHash<QByteArray, Written> m_days;
    QByteArray m_title, m_weather, m_body;
    Row m_row;
};

class JsonSource : public Source {
public:
    explicit JsonSource(const QString& path) : m_file(path) {
        if (!m_file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("无法读取“%1”：%2。Cannot read it.").arg(path, m_file.errorString());
            return;
        }
        if (m_file.size() > 0) {
            m_mapped = m_file.map(0, m_file.size());
            if (m_mapped)
                m_bytes = QByteArrayView(m_mapped, m_file.size());
        }
        if (m_bytes.isNull()) {
            m_read = m_file.readAll();
            m_bytes = m_read;
        }
        json::Header header;
        const QString problem = json::check(m_bytes, &header, [this](qsizetype read) { giveBack(read); });
        if (!problem.isEmpty())
            error = QStringLiteral("“%1”：%2").arg(path, problem);
        count = header.entries;
        m_givenBack = 0;
    }
    QString forEach(const std::function<void(const Row&)>& each) override {
        AsTheEditorWrites written;
        return json::forEachRow(
            m_bytes, [&](const Row& row) { each(written(row)); }, [this](qsizetype read) { giveBack(read); });
    }

private:
    // The mapped pages before read, in steps of 16 MiB: they are read again from the file if touched again.
    void giveBack(qsizetype read) {
#ifdef Q_OS_UNIX
        static const qsizetype page = ::sysconf(_SC_PAGESIZE);
        if (!m_mapped || read - m_givenBack < (16 << 20))
            return;
        const qsizetype end = read / page * page;
        ::madvise(const_cast<uchar*>(m_mapped) + m_givenBack, size_t(end - m_givenBack), MADV_DONTNEED);
        m_givenBack = end;
#else
        Q_UNUSED(read);
#endif
    }

    const uchar* m_mapped = nullptr;
    qsizetype m_givenBack = 0;
    QFile m_file;
    QByteArray m_read;
    QByteArrayView m_bytes;
};

class RedNotebookSource : public Source {
public:
    explicit RedNotebookSource(const QString& folder) : m_journal(rednotebook::readJournal(folder)) {
        error = m_journal.error;
        count = qint64(m_journal.days.size());
    }
    QString forEach(const std::function<void(const Row&)>& each) override {
        for (const rednotebook::Day& day : m_journal.days)
            each(EntryBytes(editorEntry(day.date, rednotebook::titleOf(day.text), QString(), day.text)).row);
        return {};
    }

private:
    rednotebook::Journal m_journal;
};

int runImport(const Options& options, Io& io) {
    if (!allowed(options, {QStringLiteral("user"), QStringLiteral("from")}, {QStringLiteral("password-stdin")}, 1) ||
        options.value("user").isEmpty())
        return usage(io);
    const QString from = options.value("from");
    if (from != QLatin1String("json") && from != QLatin1String("rednotebook"))
        return usage(io);
    const QString sourcePath = options.positional.first();

    SignedIn signedIn = signIn(options, io);
    if (signedIn.exitCode != kDone)
        return signedIn.exitCode;
    std::unique_ptr<Source> source;
    if (from == QLatin1String("json"))
        source = std::make_unique<JsonSource>(sourcePath);
    else
        source = std::make_unique<RedNotebookSource>(sourcePath);
    if (!source->error.isEmpty())
        return failed(io, source->error + QStringLiteral(" 什么也没有导入。Nothing was imported."));

    DiaryFile& diary = *signedIn.diary;
    try {
        const QSet<QByteArray> existing = diary.sameEntryKeys(signedIn.user);
        QString backupProblem;
        QString backupPath;
        if (!backUp(diary.path(), io.now(), &backupProblem, &backupPath))
            return failed(io, backupProblem);
        // Said at once: on a large diary the backup takes a while, and the user learns where the copy is.
        io.out(QStringLiteral("已先备份到 %1。Backed up first to %1.").arg(QDir::toNativeSeparators(backupPath)));
        Progress progress(io, QStringLiteral("导入 importing"), source->count, options.has("quiet"));
        qint64 added = 0;
        qint64 skipped = 0;
        diary.begin();
        const QString problem = source->forEach([&](const Row& row) {
            // An account without entries has nothing to compare with (and its rows need no key then).
            if (!existing.isEmpty() && existing.contains(DiaryFile::sameEntryKey(row))) {
                ++skipped;
            } else {
                diary.addEntry(signedIn.user, row);
                ++added;
            }
            progress.step(added + skipped);
        });
        if (!problem.isEmpty()) {
            // The file changed after it was checked: nothing of it is kept.
            diary.rollback();
            return failed(io, problem + QStringLiteral(" 什么也没有导入。Nothing was imported."));
        }
        diary.commit();
        progress.finish();
        io.out(QStringLiteral("已导入 %1 篇，跳过已有的 %2 篇。Added %1 entries, skipped %2 already there.")
                   .arg(added)
                   .arg(skipped));
        return kDone;
    } catch (const dao::DaoError& error) {
        diary.rollback();
        return failed(io, QStringLiteral("导入失败，什么也没有导入：%1 The import failed; nothing was imported.")
                              .arg(error.description()));
    }
}

int runStats(const Options& options, Io& io) {
    if (!allowed(options, {QStringLiteral("user")}, {QStringLiteral("password-stdin")}) ||
        options.value("user").isEmpty())
        return usage(io);
    SignedIn signedIn = signIn(options, io);
    if (signedIn.exitCode != kDone)
        return signedIn.exitCode;
    Stats stats;
    try {
        signedIn.diary->forEachEntry(signedIn.user, [&stats](const Entry& entry) {
            stats.add(entry);
            return true;
        });
    } catch (const dao::DaoError& error) {
        return failed(io, QStringLiteral("读取日记失败：%1 Reading the diary failed.").arg(error.description()));
    }
    for (const QString& line : stats.lines())
        io.out(line);
    return kDone;
}

int runMigrateCommand(const Options& options, Io& io) {
    if (!allowed(options, {QStringLiteral("from-access")}, {}) || options.value("from-access").isEmpty())
        return usage(io);
    MigrateOptions migrate;
    migrate.oldFile = options.value("from-access");
    migrate.database = databasePath(options);
    migrate.quiet = options.has("quiet");
    return runMigrate(migrate, io);
}

} // namespace

bool backUp(const QString& databasePath, const QDateTime& now, QString* problem, QString* madePath) {
    // The same backup a sign-in makes, whatever the age of the newest one.
    const std::atomic<bool> cancel{false};
    const QString folder = dao::backup::backupFolderOf(databasePath);
    const dao::backup::Outcome outcome = dao::backup::makeBackup(databasePath, folder, now, cancel);
    if (outcome.kind != dao::backup::Outcome::Kind::Made) {
        *problem = QStringLiteral("无法先备份 data.mdb（%1），什么也没有改。The backup before the change failed; "
                                  "nothing was changed.")
                       .arg(outcome.reason);
        return false;
    }
    dao::backup::rotateBackups(folder, dao::backup::kKeptBackups, outcome.path);
    if (madePath)
        *madePath = outcome.path;
    return true;
}

int run(const QStringList& arguments, Io& io) {
    if (arguments == QStringList{QStringLiteral("--help")}) {
        io.out(QString::fromUtf8(kUsage).chopped(1));
        return kDone;
    }
    const std::optional<Options> options = parse(arguments);
    if (!options)
        return usage(io);
    if (options->command == QLatin1String("export"))
        return runExport(*options, io);
    if (options->command == QLatin1String("import"))
        return runImport(*options, io);
    if (options->command == QLatin1String("stats"))
        return runStats(*options, io);
    if (options->command == QLatin1String("migrate"))
        return runMigrateCommand(*options, io);
    return usage(io);
}

Progress::Progress(Io& io, QString what, qint64 total, bool quiet)
    : m_io(io), m_what(std::move(what)), m_total(total), m_quiet(quiet),
      m_started(QDateTime::currentMSecsSinceEpoch()) {}

Progress::~Progress() {
    finish();
}

void Progress::finish() {
    if (m_lastShown >= 0)
        m_io.errRaw(QStringLiteral("\n"));
    m_lastShown = -1;
    m_quiet = true;
}

void Progress::step(qint64 done) {
    if (m_quiet || (done % 256 != 0 && done != m_total))
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_started < 1000 || (m_lastShown >= 0 && now - m_lastShown < 500 && done != m_total))
        return;
    m_lastShown = now;
    m_io.errRaw(QStringLiteral("\r%1: %2 / %3").arg(m_what).arg(done).arg(m_total));
}

} // namespace datatool
