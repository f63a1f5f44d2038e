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

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifndef _WIN32
#include <sys/file.h>
#include <sys/stat.h>
#endif

namespace dao::backup {

namespace {

const QString kTemporaryPrefix = QStringLiteral(".data-");
const QString kTemporarySuffix = QStringLiteral(".tmp");
// How long a copy waits in all for locks others hold before it gives up (until the next sign-in).
constexpr qint64 kLongestLockWaitMs = 60000;
constexpr int kLockRetryMs = 20;

// The one place this module keys a connection: the db layer's own opening, with the diary's password.
std::shared_ptr<Database> openDiaryFile(const QString& path, bool readOnly) {
    return OpenDatabase(path, false, readOnly, diaryConnect());
}

struct BackupFinisher {
    void operator()(sqlite3_backup* backup) const noexcept { sqlite3_backup_finish(backup); }
};

// The temporary file a copy is written to, made with no more access than the database file has. While the
// copy is under way the file is locked (an advisory lock the system drops when the process ends, however it
// ends), which tells the next backup, in this or another copy of the program, whether it is still in use.
// Removed with a journal beside it unless the copy was put in place.
class TemporaryFile {
public:
    TemporaryFile(QString path, const QString& databasePath) : m_path(std::move(path)) {
#ifndef _WIN32
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            m_path.clear();
            return;
        }
        // Taken at once; another backup that found the file in the moment before finds it locked now, and a
        // backup that took the file's lock first has removed it, which the check after shows.
        struct stat opened;
        struct stat named;
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(m_fd, &opened) != 0 ||
            ::stat(QFile::encodeName(m_path).constData(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            m_error = QStringLiteral("临时文件被别的备份拿走了。");
            ::close(m_fd);
            m_fd = -1;
            m_path.clear();
            return;
        }
        restrictAccess(databasePath, m_path, false);
#else
        Q_UNUSED(databasePath);
        QFile placeholder(m_path);
        if (!placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_error = placeholder.errorString();
            m_path.clear();
        }
#endif
    }
    ~TemporaryFile() {
        if (!m_path.isEmpty()) {
            QFile::remove(m_path);
            QFile::remove(m_path + QStringLiteral("-journal"));
        }
#ifndef _WIN32
        // Last, once every connection to the file has closed: closing a descriptor drops the process's
        // record locks on the file as well.
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    bool made() const {
        return !m_path.isEmpty();
    }
    const QString& error() const {
        return m_error;
    }
    const QString& path() const {
        return m_path;
    }
    void keep() {
        m_path.clear();
    }

private:
    QString m_path;
    QString m_error;
#ifndef _WIN32
    int m_fd = -1;
#endif
};

Outcome failed(const QString& reason) {
    return {Outcome::Kind::Failed, QString(), reason};
}
Outcome cancelled() {
    return {Outcome::Kind::Cancelled, QString(), QString()};
}

// A temporary file left by a copy that was killed or lost its power. On systems with advisory locks, one
// that nobody holds locked is such a file; elsewhere an open file cannot be removed, and one of an hour's age
// is taken as left over.
bool isLeftOver(const QFileInfo& info) {
#ifndef _WIN32
    const int fd = ::open(QFile::encodeName(info.filePath()).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    // A lock taken here is held until the file is gone, so a copy starting on the same name meanwhile fails
    // its own check rather than writing into a removed file.
    const bool unused = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (unused) {
        QFile::remove(info.filePath());
        QFile::remove(info.filePath() + QStringLiteral("-journal"));
    }
    ::close(fd);
    return unused;
#else
    constexpr qint64 kStaleTemporarySeconds = 3600;
    const QDateTime now = QDateTime::currentDateTime();
    if (std::llabs(info.lastModified().secsTo(now)) <= kStaleTemporarySeconds)
        return false;
    QFile::remove(info.filePath());
    QFile::remove(info.filePath() + QStringLiteral("-journal"));
    return true;
#endif
}

void removeLeftOverTemporaries(const QDir& folder) {
    const QFileInfoList found =
        folder.entryInfoList({kTemporaryPrefix + QLatin1Char('*') + kTemporarySuffix}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& info : found)
        isLeftOver(info);
}

// The backups with their file times, oldest first; names break ties.
struct Found {
    QString name;
    qint64 madeMs;
};
std::vector<Found> backupsByTime(const QString& folder) {
    std::vector<Found> found;
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("data-*.mdb")}, QDir::Files)) {
        if (timeOfBackupName(info.fileName()).isValid())
            found.push_back({info.fileName(), info.lastModified().toMSecsSinceEpoch()});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.madeMs != b.madeMs ? a.madeMs < b.madeMs : a.name < b.name;
    });
    return found;
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
    std::chrono::milliseconds paused{0};
    for (;;) {
        if (cancel.load()) {
            *wasCancelled = true;
            return QString();
        }
        if (options.pauseWhile && options.pauseWhile->load() > 0 && paused < options.longestPause) {
            constexpr std::chrono::milliseconds kPauseStep{5};
            std::this_thread::sleep_for(kPauseStep);
            paused += kPauseStep;
            continue;
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
    for (const Found& backup : backupsByTime(folder))
        names << backup.name;
    return names;
}

QString newestBackup(const QString& folder) {
    const QStringList names = backupNames(folder);
    return names.isEmpty() ? QString() : QDir(folder).filePath(names.last());
}

bool hasRecentBackup(const QString& folder, const QDateTime& now) {
    const qint64 intervalMs = std::chrono::milliseconds(kBackupInterval).count();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    for (const Found& backup : backupsByTime(folder)) {
        if (std::llabs(nowMs - backup.madeMs) < intervalMs)
            return true;
    }
    return false;
}

void restrictAccess(const QString& databasePath, const QString& path, bool folder) {
#ifndef _WIN32
    struct stat database {};
    if (::stat(QFile::encodeName(databasePath).constData(), &database) != 0)
        return;
    // The owner is the account making the backup, which has just read the database: it keeps the use of its
    // own files and folder (a read-only data.mdb must not stop its backups from being written and rotated).
    mode_t mode = folder ? 0700 : 0600;
    for (const mode_t shift : {3, 0}) {
        const mode_t read = (database.st_mode >> shift) & 4, write = (database.st_mode >> shift) & 2;
        // A folder is entered by whoever may read or write the file, and written by whoever may write it.
        const mode_t bits = folder ? (read | write | ((read | write) ? 1 : 0)) : (read | write);
        mode |= bits << shift;
    }
    // The database's group shares the folder when it may write the file: what one member makes in it then
    // belongs to the group as well, so the others can read and rotate it.
    if (folder && (mode & 020))
        mode |= S_ISGID;
    const QByteArray native = QFile::encodeName(path);
    struct stat current {};
    if (::stat(native.constData(), &current) != 0)
        return;
    // The group first, then the mode: only as much access as the file's group and permissions allow together.
    if (current.st_gid != database.st_gid && ::chown(native.constData(), uid_t(-1), database.st_gid) != 0) {
        // Not a member of that group: then the group gets nothing.
        mode &= ~mode_t(070 | S_ISGID);
    }
    if ((current.st_mode & 07777) != mode)
        ::chmod(native.constData(), mode); // refused unless this account owns it: then it stays as it is
#else
    Q_UNUSED(databasePath);
    Q_UNUSED(path);
    Q_UNUSED(folder);
#endif
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

QString checkDiaryFile(const QString& path) {
    static const std::pair<const char*, std::vector<const char*>> kLayout[] = {
        {"users", {"id", "limit", "username", "password"}},
        {"diary", {"id", "username", "diarytitle", "diarydate", "diaryweek", "diaryweather", "diarytext"}},
    };
    try {
        std::shared_ptr<Database> db = openDiaryFile(path, true);
        Connection& connection = *connectionOf(*db);
        for (const auto& [table, columns] : kLayout) {
            const TableInfo* info = connection.table(QLatin1String(table));
            if (!info)
                return QStringLiteral("文件里没有 %1 表，不是日记数据库。").arg(QLatin1String(table));
            QStringList missing;
            for (const char* column : columns) {
                if (info->columnIndex(QLatin1String(column)) < 0)
                    missing << QLatin1String(column);
            }
            if (!missing.isEmpty())
                return QStringLiteral("%1 表缺少列 %2，不是日记数据库。")
                    .arg(QLatin1String(table), missing.join(QStringLiteral("、")));
        }
    } catch (const DaoError& error) {
        return error.description();
    }
    return checkDatabaseFile(path);
}

Outcome makeBackup(const QString& databasePath, const QString& folder, const QDateTime& now,
                   const std::atomic<bool>& cancel, const Options& options) {
    if (cancel.load())
        return cancelled();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return failed(QStringLiteral("“%1”不是文件夹。").arg(folder));
#ifndef _WIN32
    // Made private and then opened up to what the database allows, so it is never more open than that.
    if (!folderInfo.exists() && ::mkdir(QFile::encodeName(folder).constData(), 0700) != 0)
#else
    if (!folderInfo.exists() && !QDir().mkdir(folder))
#endif
        return failed(QStringLiteral("无法创建文件夹“%1”。").arg(folder));
    restrictAccess(databasePath, folder, true);
    const QDir dir(folder);
    removeLeftOverTemporaries(dir);
    // Backups made by older versions with the system's default access are brought in line too.
    for (const QString& name : backupNames(folder))
        restrictAccess(databasePath, dir.filePath(name), false);

    // A name of its own for every copy under way, so two copies of the program never share one.
    TemporaryFile temporary(dir.filePath(kTemporaryPrefix + now.toString(QStringLiteral("yyyyMMdd-HHmmss-")) +
                                         QString::number(QRandomGenerator::global()->generate64(), 16) +
                                         kTemporarySuffix),
                            databasePath);
    if (!temporary.made())
        return failed(temporary.error());
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

void rotateBackups(const QString& folder, int keep, const QString& justMade) {
    const QDir dir(folder);
    const QString spared = QFileInfo(justMade).fileName();
    QStringList names = backupNames(folder);
    // The backup just made stays whatever times the others carry: it is the one with today's writing.
    if (names.removeAll(spared) > 0)
        --keep;
    for (qsizetype i = 0; i + std::max(keep, 0) < names.size(); ++i)
        QFile::remove(dir.filePath(names[i]));
}

Outcome backUpIfDue(const QString& databasePath, const QDateTime& now, const std::atomic<bool>& cancel,
                    const Options& options) {
    const QString folder = backupFolderOf(databasePath);
    if (hasRecentBackup(folder, now))
        return {Outcome::Kind::NotDue, QString(), QString()};
    Outcome outcome = makeBackup(databasePath, folder, now, cancel, options);
    if (outcome.kind == Outcome::Kind::Made)
        rotateBackups(folder, kKeptBackups, outcome.path);
    return outcome;
}

} // namespace dao::backup
