#pragma once

// Backups of the diary database: consistent copies of data.mdb in the folder "backup" beside it, named
// after the local time they were made ("data-YYYYMMDD-HHMMSS.mdb"), the newest kKeptBackups of them kept.
// A copy is written under a temporary name that does not match the pattern, checked, synced and only then
// renamed, so a file under a backup's name is always whole. Nothing here shows anything or knows a window;
// every function may run on a thread of its own.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "db/PortableFile.h"

#include <atomic>
#include <chrono>

namespace dao::backup {

inline constexpr int kKeptBackups = 14;
// A backup younger than this makes the next one unnecessary.
inline constexpr std::chrono::hours kBackupInterval{20};
inline constexpr const char* kBackupFolderName = "backup";

// The backup folder for the database file at databasePath: "backup" in the same folder.
QString backupFolderOf(const QString& databasePath);

// "data-YYYYMMDD-HHMMSS.mdb" for the local time; the time read back from such a name (invalid for any other
// name).
QString backupFileName(const QDateTime& localTime);
QDateTime timeOfBackupName(const QString& fileName);

// The names of the backups in the folder, oldest first by the time each file was written, names breaking
// ties. The time in a name is not trusted for the order: a clock that once ran ahead would otherwise keep
// its backup "newest" for ever.
QStringList backupNames(const QString& folder);

// Path of the newest backup in the folder (by file time), empty when there is none.
QString newestBackup(const QString& folder);

// True when the folder holds a backup written less than kBackupInterval from now (by file time). A time in
// the future counts the same way, so it cannot hold backups off for longer than that.
bool hasRecentBackup(const QString& folder, const QDateTime& now);

// Gives a backup (folder false) or the backup folder (folder true) no more access than the database file
// has: the group and others get its read and write bits (a folder is also entered by each that may use the
// file), the owner (the account making backups) reads and writes, the group is the database's where this
// account may set it (else the group gets nothing), and a folder the group may write is marked so that what
// members make in it stays the group's. What the account does not own is left as it is. Nothing on Windows,
// where a new file takes its folder's access.
void restrictAccess(const QString& databasePath, const QString& path, bool folder);

struct Options {
    // Pages copied per step; the cancel flag is looked at between steps.
    int pagesPerStep = 128;
    // After this many fresh starts (another connection wrote meanwhile) the copy holds a read lock on the
    // database until it is done, so it finishes even while others keep writing; they wait for it then, so
    // it does so only when the rest of the copy, at the pace so far, takes no longer than longestHold.
    int restartsBeforeHoldingTheLock = 3;
    std::chrono::milliseconds longestHold{2000};
    // While this is above zero (the user waits for a window) the copy pauses between its steps, in all at
    // most longestPause per backup, so that a hold never stops a backup for good.
    const std::atomic<int>* pauseWhile = nullptr;
    std::chrono::milliseconds longestPause{3000};
};

struct Outcome {
    enum class Kind { Made, NotDue, Cancelled, Failed };
    Kind kind = Kind::Failed;
    QString path;   // the new backup (Made)
    QString reason; // why not (Failed)
};

// Makes a backup of the database file into the folder (created when missing), named after now, checks it,
// and puts it under its final name. On any failure or cancel nothing is left under a backup's name and the
// database is never written.
Outcome makeBackup(const QString& databasePath, const QString& folder, const QDateTime& now,
                   const std::atomic<bool>& cancel, const Options& options = {});

// Deletes every backup but the newest `keep` ones by file time; justMade (a path) is never deleted and is
// one of those kept. Files of other names are never touched.
void rotateBackups(const QString& folder, int keep = kKeptBackups, const QString& justMade = QString());

// What a sign-in does: a backup when none is recent, then the rotation (only after the new one is complete).
Outcome backUpIfDue(const QString& databasePath, const QDateTime& now, const std::atomic<bool>& cancel,
                    const Options& options = {});

// Opens the file read-only with the diary's key and runs the engine's integrity check: "ok" when sound, else
// what was found (a Chinese description).
QString checkDatabaseFile(const QString& path, const std::atomic<bool>* cancel = nullptr);

// checkDatabaseFile, and before it that both tables carry every column the program reads and writes: a file
// without them would open, and then fail on every save.
QString checkDiaryFile(const QString& path);

// File helpers shared with the restore: flush a file's or a folder's entry to the disk, and put a file in
// place of another in one step (replacing it), on every system (db/PortableFile.h).
using files::replaceFile;
using files::syncFile;
using files::syncFolder;

} // namespace dao::backup
