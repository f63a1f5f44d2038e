#include "db/OpenKeyed.h"

#include "db/KeyCache.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace dao {

namespace {

const QString kPasswordPart = QStringLiteral(";Pwd=");

DaoError fileNotFound(const QString& path) {
    return DaoError(errFileNotFound, QStringLiteral("找不到文件“%1”。").arg(path));
}

void run(sqlite3* handle, const char* sql, const QString& path) {
    const int rc = sqlite3_exec(handle, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw sqliteError(rc, handle, path);
}

} // namespace

QString connectText(const QByteArray& password) {
    return kPasswordPart + QString::fromUtf8(password);
}

QByteArray passwordOf(const QString& connect) {
    for (const QString& part : connect.split(QLatin1Char(';'))) {
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        if (equals > 0 && part.left(equals).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0)
            return part.mid(equals + 1).toUtf8();
    }
    return QByteArray();
}

SqliteHandle openKeyed(const QString& path, OpenMode mode, const QByteArray& password) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw fileNotFound(path);
    if (info.isDir())
        throw sqliteError(SQLITE_CANTOPEN, nullptr, path);

    // Never SQLITE_OPEN_CREATE: a file that vanished in the meantime must not come back empty. Every
    // connection is used by one thread at a time (each reader, backup or index thread opens its own), so the
    // engine's own lock around every call (several per field read) is left out.
    const int flags = (mode == OpenMode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(info.absoluteFilePath()).constData(), &raw, flags, nullptr);
    SqliteHandle handle(raw);
    if (rc != SQLITE_OK) {
        if (!QFileInfo::exists(path))
            throw fileNotFound(path);
        throw sqliteError(rc, handle.get(), path);
    }

    QByteArray salt;
    if (!password.isEmpty()) {
        // The key is derived from the password and the file's salt once per run; a file with another salt
        // gets its own. A new, empty file has no salt yet and is keyed with the password itself.
        salt = keys::saltOf(path);
        const int keyed = keys::applyKey(handle.get(), password, salt);
        if (keyed != SQLITE_OK)
            throw sqliteError(keyed, handle.get(), path);
        // Every diary is in SQLCipher 3's format; SQLCipher 4 and later read it only when told so, older
        // versions ignore the pragma.
        run(handle.get(), "PRAGMA cipher_compatibility = 3", path);
    }
    sqlite3_busy_timeout(handle.get(), kBusyTimeoutMs);
    Connection::registerFunctions(handle.get());
    // Reading the schema is the first read of the file: a wrong password, a foreign or damaged file shows
    // here. Nothing before this point writes to the file, and nothing does for a file that fails.
    run(handle.get(), "SELECT count(*) FROM sqlite_master", path);
    if (!password.isEmpty())
        keys::keyWorked(password, salt);
    run(handle.get(), "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL", path);
    return handle;
}

} // namespace dao
