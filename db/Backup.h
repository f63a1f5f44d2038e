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

// The names of the backups in the folder, oldest first (by name, which sorts by time).
QStringList backupNames(const QString& folder);

// Path of the newest backup in the folder, empty when there is none.
QString newestBackup(const QString& folder);

// True when the folder holds a backup whose name's time lies less than kBackupInterval from now. A name in
// the future (a clock that was set wrong) counts the same way, so it cannot hold backups off for longer.
bool hasRecentBackup(const QString& folder, const QDateTime& now);

struct Options {
    // Pages copied per step; the cancel flag is looked at between steps.
    int pagesPerStep = 128;
    // After this many fresh starts (another connection wrote meanwhile) the copy holds a read lock on the
    // database until it is done, so it finishes even while others keep writing; they wait for it then, so
    // it does so only when the rest of the copy, at the pace so far, takes no longer than longestHold.
    int restartsBeforeHoldingTheLock = 3;
    std::chrono::milliseconds longestHold{2000};
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

// Deletes every backup but the newest `keep` ones. Files of other names are never touched.
void rotateBackups(const QString& folder, int keep = kKeptBackups);

// What a sign-in does: a backup when none is recent, then the rotation (only after the new one is complete).
Outcome backUpIfDue(const QString& databasePath, const QDateTime& now, const std::atomic<bool>& cancel,
                    const Options& options = {});

// Opens the file read-only with the diary's key and runs the engine's integrity check: "ok" when sound, else
// what was found (a Chinese description).
QString checkDatabaseFile(const QString& path, const std::atomic<bool>* cancel = nullptr);

// File helpers shared with the restore: flush a file's or a folder's entry to the disk, and put a file in
// place of another in one step (replacing it), on every system (db/PortableFile.h).
using files::replaceFile;
using files::syncFile;
using files::syncFolder;

} // namespace dao::backup
