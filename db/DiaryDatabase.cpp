#include "db/DiaryDatabase.h"

#include "db/Backup.h"
#include "db/Connection.h"
#include "db/IndexBuilder.h"
#include "db/OpenKeyed.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace dao {

namespace {

QString& programFolderOverride() {
    static QString folder;
    return folder;
}

// Column order matters: the program reads fields by position as well as by name.
const char* const kSchema = "BEGIN;"
                            "CREATE TABLE users(id INTEGER PRIMARY KEY AUTOINCREMENT, \"limit\" INTEGER, "
                            "username TEXT, password TEXT);"
                            "CREATE TABLE diary(id INTEGER PRIMARY KEY AUTOINCREMENT, username TEXT, diarytitle TEXT, "
                            "diarydate TEXT, diaryweek TEXT, diaryweather TEXT, diarytext LONGTEXT);";

bool fail(QString* errorMessage, const QString& message) {
    if (errorMessage)
        *errorMessage = message;
    return false;
}

// Writes the empty, encrypted database into an existing empty file.
bool writeEmptyDatabase(const QString& file, QString* errorMessage) {
    SqliteHandle handle;
    try {
        handle = openKeyed(file, OpenMode::ReadWrite, QByteArray(kDiaryPassword));
    } catch (const DaoError& error) {
        return fail(errorMessage, QStringLiteral("无法创建数据库“%1”：%2").arg(file, error.description()));
    }
    int rc = sqlite3_exec(handle.get(), kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(handle.get(), kDiaryIndexes, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(handle.get(), "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        return fail(
            errorMessage,
            QStringLiteral("无法创建数据库“%1”：%2").arg(file, sqliteError(rc, handle.get(), file).description()));
    }
    rc = sqlite3_close(handle.release());
    if (rc != SQLITE_OK)
        return fail(errorMessage, QStringLiteral("无法完成数据库“%1”（错误 %2）。").arg(file).arg(rc));
    return true;
}

} // namespace

QString diaryDatabasePath() {
    const QString& folder = programFolderOverride();
    return (folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder) + QStringLiteral("/data.mdb");
}

void setProgramFolderForTests(const QString& folder) {
    programFolderOverride() = folder;
}

QString diaryConnect() {
    return connectText(QByteArray(kDiaryPassword));
}

std::shared_ptr<Database> OpenDiaryDatabase() {
    return openDiaryDatabaseAt(diaryDatabasePath());
}

std::shared_ptr<Database> openDiaryDatabaseAt(const QString& path) {
    auto database = OpenDatabase(path, false, false, diaryConnect());
    ensureDiaryIndexes(path, QByteArray(kDiaryPassword));
    return database;
}

bool createDiaryDatabase(const QString& path, QString* errorMessage) {
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        return fail(errorMessage, QStringLiteral("文件“%1”已经存在，不会覆盖它。").arg(path));

    // Built under a temporary name beside the target and renamed into place only when complete, so a
    // half-made database never carries the real name.
    const QString temporary =
        path + QStringLiteral(".new-%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    {
        QFile placeholder(temporary);
        if (!placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return fail(errorMessage, QStringLiteral("无法创建文件“%1”：%2").arg(temporary, placeholder.errorString()));
    }
    auto discard = [&temporary] {
        QFile::remove(temporary);
        QFile::remove(temporary + QStringLiteral("-journal"));
    };

    if (!writeEmptyDatabase(temporary, errorMessage)) {
        discard();
        return false;
    }
    // QFile::rename never replaces an existing file: a database that appeared meanwhile stays untouched.
    QFile built(temporary);
    if (!built.rename(path)) {
        const QString reason =
            QFileInfo::exists(path) ? QStringLiteral("文件已经存在，不会覆盖它") : built.errorString();
        discard();
        return fail(errorMessage, QStringLiteral("无法创建数据库“%1”：%2。").arg(path, reason));
    }
    backup::syncFolder(target.absolutePath());
    return true;
}

} // namespace dao
