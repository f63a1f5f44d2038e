#include "db/Backup.h"

#include "db/Connection.h"
#include "db/Dao.h"
#include "db/DaoInternal.h"
#include "db/DiaryDatabase.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cstdio>
#include <memory>
#include <thread>

namespace dao::backup {

namespace {

const QString kTemporaryPrefix = QStringLiteral(".data-");
const QString kTemporarySuffix = QStringLiteral(".tmp");
// A temporary file this old was left by a copy that was killed or ran out of time; a live one is younger.
constexpr qint64 kStaleTemporarySeconds = 3600;
// How long a copy waits in all for locks others hold before it gives up (until the next sign-in).
constexpr qint64 kLongestLockWaitMs = 60000;
constexpr int kLockRetryMs = 20;

// The one place this module keys a connection: the db layer's own opening, with the diary's password.
std::shared_ptr<Database> openDiaryFile(const QString& path, bool readOnly) {
    return OpenDatabase(path, false, readOnly, QStringLiteral(";Pwd=") + QLatin1String(kDiaryPassword));
}

struct BackupFinisher {
    void operator()(sqlite3_backup* backup) const noexcept { sqlite3_backup_finish(backup); }
};

// Removes the temporary file (and a journal beside it) unless the copy was put in place.
class TemporaryFile {
public:
    explicit TemporaryFile(QString path) : m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (m_path.isEmpty())
            return;
        QFile::remove(m_path);
        QFile::remove(m_path + QStringLiteral("-journal"));
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const QString& path() const { return m_path; }
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

Outcome failed(const QString& reason) {
    return {Outcome::Kind::Failed, QString(), reason};
}
Outcome cancelled() {
    return {Outcome::Kind::Cancelled, QString(), QString()};
}

// Against the clock, not the time the backup is named after: another copy's file under way is young.
void removeStaleTemporaries(const QDir& folder) {
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList found = folder.entryInfoList({kTemporaryPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& info : found) {
        if (std::llabs(info.lastModified().secsTo(now)) > kStaleTemporarySeconds)
            QFile::remove(info.filePath());
    }
}

// Lets a long engine call end early when the cancel flag is raised.
int interruptWhenCancelled(void* flag) {
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// A read transaction on the source, held from begin() until the object ends: while it is held no other
// connection can commit a change, so the copy cannot be sent back to its start.
class HeldReadLock {
public:
    explicit HeldReadLock(sqlite3* source) : m_source(source) {}
    ~HeldReadLock() {
        if (!sqlite3_get_autocommit(m_source))
            sqlite3_exec(m_source, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    HeldReadLock(const HeldReadLock&) = delete;
    HeldReadLock& operator=(const HeldReadLock&) = delete;

    bool held() const { return m_held; }
    // Takes the lock; false (and nothing held) when a writer has the file at the moment.
    bool begin() {
        m_held =
            sqlite3_exec(m_source, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!m_held && !sqlite3_get_autocommit(m_source))
            sqlite3_exec(m_source, "ROLLBACK", nullptr, nullptr, nullptr);
        return m_held;
    }

private:
    sqlite3* m_source;
    bool m_held = false;
};

// Copies every page of the source into the destination in steps. A step that finds the source changed by
// another connection starts the copy over; after a few such starts the copy holds a read lock to the end,
// when that end is near enough.
QString copyPages(sqlite3* source, sqlite3* destination, const std::atomic<bool>& cancel, const Options& options,
                  bool* wasCancelled) {
    std::unique_ptr<sqlite3_backup, BackupFinisher> backup(sqlite3_backup_init(destination, "main", source, "main"));
    if (!backup)
        return QString::fromUtf8(sqlite3_errmsg(destination));
    HeldReadLock readLock(source);
    int restarts = 0;
    int lastRemaining = -1;
    qint64 waitedMs = 0;
    // The pace of the copy: pages copied and the time the steps took.
    qint64 pagesCopied = 0;
    std::chrono::steady_clock::duration copying{};
    auto restFitsTheHold = [&] {
        return pagesCopied > 0 && lastRemaining >= 0 && copying * lastRemaining / pagesCopied <= options.longestHold;
    };
    auto waitForLock = [&waitedMs] {
        waitedMs += kLockRetryMs;
        std::this_thread::sleep_for(std::chrono::milliseconds(kLockRetryMs));
        return waitedMs <= kLongestLockWaitMs;
    };
    for (;;) {
        if (cancel.load()) {
            *wasCancelled = true;
            return QString();
        }
        if (restarts >= options.restartsBeforeHoldingTheLock && !readLock.held() && restFitsTheHold() &&
            !readLock.begin()) {
            if (!waitForLock())
                return sqliteError(SQLITE_BUSY, nullptr, QString()).description();
            continue;
        }
        const int pages = std::max(1, options.pagesPerStep);
        const auto stepStart = std::chrono::steady_clock::now();
        const int rc = sqlite3_backup_step(backup.get(), pages);
        if (rc == SQLITE_OK) {
            copying += std::chrono::steady_clock::now() - stepStart;
            pagesCopied += pages;
        }
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            // Another connection is writing: wait a moment and try again, looking at the cancel flag meanwhile.
            if (!waitForLock())
                return sqliteError(rc, destination, QString()).description();
            continue;
        }
        if (rc != SQLITE_OK)
            return sqliteError(rc, destination, QString()).description();
        // A step that did not bring the end nearer started over (or the source grew meanwhile).
        const int remaining = sqlite3_backup_remaining(backup.get());
        if (lastRemaining >= 0 && remaining >= lastRemaining)
            ++restarts;
        lastRemaining = remaining;
    }
    const int rc = sqlite3_backup_finish(backup.release());
    return rc == SQLITE_OK ? QString() : sqliteError(rc, destination, QString()).description();
}

} // namespace

QString backupFolderOf(const QString& databasePath) {
    return QFileInfo(databasePath).absoluteDir().filePath(QLatin1String(kBackupFolderName));
}

QString backupFileName(const QDateTime& localTime) {
    return QStringLiteral("data-") + localTime.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".mdb");
}

QDateTime timeOfBackupName(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^data-(\\d{8}-\\d{6})\\.mdb$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return QDateTime();
    return QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
}

QStringList backupNames(const QString& folder) {
    QStringList names;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("data-*.mdb")}, QDir::Files)) {
        if (timeOfBackupName(name).isValid())
            names << name;
    }
    names.sort();
    return names;
}

QString newestBackup(const QString& folder) {
    const QStringList names = backupNames(folder);
    return names.isEmpty() ? QString() : QDir(folder).filePath(names.last());
}

bool hasRecentBackup(const QString& folder, const QDateTime& now) {
    const qint64 interval = std::chrono::seconds(kBackupInterval).count();
    for (const QString& name : backupNames(folder)) {
        if (std::llabs(timeOfBackupName(name).secsTo(now)) < interval)
            return true;
    }
    return false;
}

QString checkDatabaseFile(const QString& path, const std::atomic<bool>* cancel) {
    try {
        std::shared_ptr<Database> db = openDiaryFile(path, true);
        Connection& connection = *connectionOf(*db);
        for (const char* table : {"users", "diary"}) {
            if (!connection.table(QLatin1String(table)))
                return QStringLiteral("文件里没有 %1 表，不是日记数据库。").arg(QLatin1String(table));
        }
        if (cancel)
            sqlite3_progress_handler(connection.handle(), 1000, interruptWhenCancelled,
                                     const_cast<std::atomic<bool>*>(cancel));
        StatementHandle check = connection.prepare("PRAGMA integrity_check");
        QStringList problems;
        int rc;
        while ((rc = sqlite3_step(check.get())) == SQLITE_ROW)
            problems << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0)));
        if (rc != SQLITE_DONE)
            return QStringLiteral("完整性检查未通过：") + connection.error(rc).description();
        if (problems == QStringList{QStringLiteral("ok")})
            return problems.first();
        return QStringLiteral("完整性检查未通过：") + problems.mid(0, 5).join(QStringLiteral("；"));
    } catch (const DaoError& error) {
        return error.description();
    }
}

Outcome makeBackup(const QString& databasePath, const QString& folder, const QDateTime& now,
                   const std::atomic<bool>& cancel, const Options& options) {
    if (cancel.load())
        return cancelled();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return failed(QStringLiteral("“%1”不是文件夹。").arg(folder));
    if (!folderInfo.exists() && !QDir().mkdir(folder))
        return failed(QStringLiteral("无法创建文件夹“%1”。").arg(folder));
    const QDir dir(folder);
    removeStaleTemporaries(dir);

    // A name of its own for every copy under way, so two copies of the program never share one.
    TemporaryFile temporary(dir.filePath(kTemporaryPrefix + now.toString(QStringLiteral("yyyyMMdd-HHmmss-")) +
                                         QString::number(QRandomGenerator::global()->generate64(), 16) +
                                         kTemporarySuffix));
    {
        QFile placeholder(temporary.path());
        if (!placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return failed(placeholder.errorString());
    }
    bool wasCancelled = false;
    try {
        std::shared_ptr<Database> source = openDiaryFile(databasePath, true);
        if (cancel.load())
            return cancelled();
        std::shared_ptr<Database> destination = openDiaryFile(temporary.path(), false);
        connectionOf(*destination)->exec("PRAGMA journal_mode = OFF");
        // Short waits for the source's lock, so the cancel flag is seen; copyPages retries.
        sqlite3_busy_timeout(connectionOf(*source)->handle(), 100);
        const QString problem = copyPages(connectionOf(*source)->handle(), connectionOf(*destination)->handle(), cancel,
                                          options, &wasCancelled);
        if (!problem.isEmpty())
            return failed(problem);
    } catch (const DaoError& error) {
        return failed(error.description());
    }
    if (wasCancelled || cancel.load())
        return cancelled();

    const QString check = checkDatabaseFile(temporary.path(), &cancel);
    if (cancel.load())
        return cancelled();
    if (check != QLatin1String("ok"))
        return failed(check);
    if (!syncFile(temporary.path()))
        return failed(QStringLiteral("无法把“%1”写入磁盘。").arg(temporary.path()));
    const QString final = dir.filePath(backupFileName(now));
    if (!replaceFile(temporary.path(), final))
        return failed(QStringLiteral("无法把备份命名为“%1”。").arg(final));
    temporary.keep();
    syncFolder(folder);
    return {Outcome::Kind::Made, final, QString()};
}

void rotateBackups(const QString& folder, int keep) {
    const QStringList names = backupNames(folder);
    const QDir dir(folder);
    for (qsizetype i = 0; i + keep < names.size(); ++i)
        QFile::remove(dir.filePath(names[i]));
}

Outcome backUpIfDue(const QString& databasePath, const QDateTime& now, const std::atomic<bool>& cancel,
                    const Options& options) {
    const QString folder = backupFolderOf(databasePath);
    if (hasRecentBackup(folder, now))
        return {Outcome::Kind::NotDue, QString(), QString()};
    Outcome outcome = makeBackup(databasePath, folder, now, cancel, options);
    if (outcome.kind == Outcome::Kind::Made)
        rotateBackups(folder);
    return outcome;
}

} // namespace dao::backup
