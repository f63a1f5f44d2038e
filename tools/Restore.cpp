#include "tools/Restore.h"

#include "db/Backup.h"
#include "db/DiaryDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The file gets the permissions, owner and group of model, each as far as this account may set it.
void takeAccessOf(const QString& model, const QString& path) {
#ifndef _WIN32
    struct stat wanted {};
    if (::stat(QFile::encodeName(model).constData(), &wanted) != 0)
        return;
    const QByteArray native = QFile::encodeName(path);
    // Owner and group first (a change of owner may clear the set-id bits), then the mode. Only the
    // administrator may give a file away; any member of the group may give it to the group.
    if (::chown(native.constData(), wanted.st_uid, wanted.st_gid) != 0 &&
        ::chown(native.constData(), uid_t(-1), wanted.st_gid) != 0) {
        // Neither: the file stays this account's, with its default group.
    }
    ::chmod(native.constData(), wanted.st_mode & 07777);
#else
    Q_UNUSED(model);
    Q_UNUSED(path);
#endif
}

} // namespace

RestoreResult restoreBackup(const QString& backupPath, const QString& givenPath) {
    if (!QFileInfo(backupPath).isFile())
        return refused(QStringLiteral("找不到备份文件“%1”。").arg(backupPath));
    // Through a symbolic link to the file it names: that file is the diary the program opens, and the link
    // stays as it is.
    const QFileInfo given(givenPath);
    QString databasePath = given.absoluteFilePath();
    if (given.isSymLink()) {
        databasePath = given.canonicalFilePath();
        if (databasePath.isEmpty())
            return refused(QStringLiteral("“%1”指向的文件“%2”不存在。").arg(givenPath, given.symLinkTarget()));
    }
    const QFileInfo current(databasePath);
    const bool existed = current.exists();
    if (existed && !current.isFile())
        return refused(QStringLiteral("“%1”不是文件，不能用备份代替它。").arg(databasePath));
    const QString check = checkDiaryFile(backupPath);
    if (check != QLatin1String("ok"))
        return refused(QStringLiteral("备份“%1”不能用：%2").arg(backupPath, check));

    // The copy that goes into place is checked again: a bad read or write on the way is caught here.
    const QString incoming = syncedCopy(backupPath, databasePath, "restore");
    if (incoming.isEmpty())
        return refused(QStringLiteral("无法在“%1”旁边写入备份的副本。").arg(databasePath));
    const QString copyCheck = checkDiaryFile(incoming);
    if (copyCheck != QLatin1String("ok")) {
        QFile::remove(incoming);
        return refused(QStringLiteral("备份的副本不能用：%1").arg(copyCheck));
    }

    const QString kept = databasePath + QStringLiteral(".before-restore");
    const QString journal = databasePath + QStringLiteral("-journal");
    const QString keptJournal = kept + QStringLiteral("-journal");
    if (existed) {
        // The restored file is used by the same accounts as the one it replaces; so is the kept copy.
        takeAccessOf(databasePath, incoming);
        // data.mdb itself stays in place until the backup replaces it in one step; it is kept as a copy.
        const QString keeping = syncedCopy(databasePath, databasePath, "before-restore");
        if (keeping.isEmpty()) {
            QFile::remove(incoming);
            return refused(QStringLiteral("无法保留现在的“%1”。").arg(databasePath));
        }
        takeAccessOf(databasePath, keeping);
        // A journal left from an older kept file would be applied to this one when it is opened.
        QFile::remove(keptJournal);
        if (!replaceFile(keeping, kept)) {
            QFile::remove(keeping);
            QFile::remove(incoming);
            return refused(QStringLiteral("无法保留现在的“%1”。").arg(databasePath));
        }
    }
    // An unfinished transaction's journal belongs to the file it was written for, not to the backup.
    const bool journalMoved = QFileInfo::exists(journal);
    if (journalMoved && !replaceFile(journal, keptJournal)) {
        QFile::remove(incoming);
        return refused(QStringLiteral("无法移开“%1”。").arg(journal));
    }
    if (!replaceFile(incoming, databasePath)) {
        QFile::remove(incoming);
        return refused(QStringLiteral("无法把备份放到“%1”。").arg(databasePath));
    }
    syncFolder(current.absolutePath());
    QString message =
        QStringLiteral("已用备份“%1”恢复“%2”。").arg(QFileInfo(backupPath).absoluteFilePath(), databasePath);
    if (databasePath != given.absoluteFilePath())
        message += QStringLiteral("\n“%1”是指向它的链接，链接没有改动。").arg(given.absoluteFilePath());
    if (existed)
        message += QStringLiteral("\n原来的文件保留为“%1”。").arg(kept);
    else
        message += QStringLiteral("\n原来没有这个文件，没有保留任何文件。");
    if (journalMoved)
        message += QStringLiteral("\n原来文件的日志移到了“%1”。").arg(keptJournal);
    return {true, message};
}

int runRestore(const QString& backupPath, const QString& databasePath) {
    const QString programFolder = QFileInfo(dao::diaryDatabasePath()).absolutePath();
    QString backup = backupPath;
    if (QFileInfo(backup).isRelative() && !QFileInfo::exists(backup) &&
        QFileInfo::exists(QDir(programFolder).filePath(backup)))
        backup = QDir(programFolder).filePath(backup);
    const RestoreResult result =
        restoreBackup(backup, databasePath.isEmpty() ? dao::diaryDatabasePath() : databasePath);
    std::FILE* out = result.restored ? stdout : stderr;
    std::fprintf(out, "mkdiarydb: %s\n", result.message.toLocal8Bit().constData());
    return result.restored ? 0 : 1;
}

} // namespace tools
