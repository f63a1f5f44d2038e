#include "tools/Restore.h"

#include "db/Backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

namespace tools {

namespace {

using namespace dao::backup;

RestoreResult refused(const QString& why) {
    return {false, why + QStringLiteral("\n没有改动任何文件。Nothing was changed.")};
}

QString temporaryBeside(const QString& path, const char* purpose) {
    const QFileInfo info(path);
    return info.absoluteDir().filePath(QStringLiteral(".%1.%2-%3.tmp")
                                           .arg(info.fileName(), QLatin1String(purpose))
                                           .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
}

// A synced copy of the file under a temporary name beside `beside`; empty on failure.
QString syncedCopy(const QString& from, const QString& beside, const char* purpose) {
    const QString temporary = temporaryBeside(beside, purpose);
    if (!QFile::copy(from, temporary))
        return QString();
    if (!syncFile(temporary)) {
        QFile::remove(temporary);
        return QString();
    }
    return temporary;
}

} // namespace

RestoreResult restoreBackup(const QString& backupPath, const QString& databasePath) {
    if (!QFileInfo(backupPath).isFile())
        return refused(QStringLiteral("找不到备份文件“%1”。").arg(backupPath));
    const QFileInfo current(databasePath);
    if (current.exists() && !current.isFile())
        return refused(QStringLiteral("“%1”不是文件，不能用备份代替它。").arg(databasePath));
    const QString check = checkDatabaseFile(backupPath);
    if (check != QLatin1String("ok"))
        return refused(QStringLiteral("备份“%1”不能用：%2").arg(backupPath, check));

    // The copy that goes into place is checked again: a bad read or write on the way is caught here.
    const QString incoming = syncedCopy(backupPath, databasePath, "restore");
    if (incoming.isEmpty())
        return refused(QStringLiteral("无法在“%1”旁边写入备份的副本。").arg(databasePath));
    const QString copyCheck = checkDatabaseFile(incoming);
    if (copyCheck != QLatin1String("ok")) {
        QFile::remove(incoming);
        return refused(QStringLiteral("备份的副本不能用：%1").arg(copyCheck));
    }

    const QString kept = databasePath + QStringLiteral(".before-restore");
    const QString journal = databasePath + QStringLiteral("-journal");
    const QString keptJournal = kept + QStringLiteral("-journal");
    if (current.exists()) {
        // data.mdb itself stays in place until the backup replaces it in one step; it is kept as a copy.
        const QString keeping = syncedCopy(databasePath, databasePath, "before-restore");
        if (keeping.isEmpty()) {
            QFile::remove(incoming);
            return refused(QStringLiteral("无法保留现在的“%1”。").arg(databasePath));
        }
        // A journal left from an older kept file would be applied to this one when it is opened.
        QFile::remove(keptJournal);
        if (!replaceFile(keeping, kept)) {
            QFile::remove(keeping);
            QFile::remove(incoming);
            return refused(QStringLiteral("无法保留现在的“%1”。").arg(databasePath));
        }
    }
    // An unfinished transaction's journal belongs to the file it was written for, not to the backup.
    if (QFileInfo::exists(journal) && !replaceFile(journal, keptJournal)) {
        QFile::remove(incoming);
        return refused(QStringLiteral("无法移开“%1”。").arg(journal));
    }
    if (!replaceFile(incoming, databasePath)) {
        QFile::remove(incoming);
        return refused(QStringLiteral("无法把备份放到“%1”。").arg(databasePath));
    }
    syncFolder(current.absolutePath());
    QString message = QStringLiteral("已用备份“%1”恢复“%2”。").arg(backupPath, databasePath);
    if (current.exists())
        message += QStringLiteral("\n原来的文件保留为“%1”。").arg(kept);
    return {true, message};
}

int runRestore(const QString& backupPath) {
    const RestoreResult result = restoreBackup(backupPath, QDir::current().filePath(QStringLiteral("data.mdb")));
    std::FILE* out = result.restored ? stdout : stderr;
    std::fprintf(out, "mkdiarydb: %s\n", result.message.toLocal8Bit().constData());
    return result.restored ? 0 : 1;
}

} // namespace tools
