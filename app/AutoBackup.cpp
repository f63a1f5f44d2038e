#include "app/AutoBackup.h"

#include "app/BackgroundWork.h"

#include "db/DaoError.h"
#include "db/DiaryDatabase.h"

#include <QDir>
#include <QFileInfo>

namespace app {

void backUpAfterSignIn(const QDateTime& now) {
    // The path is taken here, on the thread that owns the program's state; the backup keeps its own copy.
    if (BackgroundWork* work = BackgroundWork::current())
        work->startBackup(dao::diaryDatabasePath(), now);
}

bool stopBackup() {
    BackgroundWork* work = BackgroundWork::current();
    return !work || work->stopBackup(std::chrono::seconds(1));
}

QString restoreHint(int errorNumber) {
    // A file held by another program is not damaged: restoring would be the wrong advice.
    if (errorNumber == dao::errLocked || errorNumber == dao::errCannotOpen)
        return QString();
    const QString newest = dao::backup::newestBackup(dao::backup::backupFolderOf(dao::diaryDatabasePath()));
    if (newest.isEmpty())
        return QString();
    const QString relative =
        QLatin1String(dao::backup::kBackupFolderName) + QLatin1Char('/') + QFileInfo(newest).fileName();
    return QStringLiteral("\n\n最新的备份：%1\n恢复方法：先关闭本程序，再在程序文件夹里运行\nmkdiarydb --restore %1")
        .arg(relative);
}

void setAutoBackupForTests(bool enabled, const dao::backup::Options& options) {
    if (BackgroundWork* work = BackgroundWork::current()) {
        work->backupsEnabled = enabled;
        work->backupOptions = options;
    }
}

dao::backup::Outcome waitForBackupForTests() {
    BackgroundWork* work = BackgroundWork::current();
    return work ? work->waitForBackup()
                : dao::backup::Outcome{dao::backup::Outcome::Kind::Failed, QString(), QStringLiteral("no owner")};
}

} // namespace app
