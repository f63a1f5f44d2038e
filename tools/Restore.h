#pragma once

// mkdiarydb --restore: puts a backup in the place of data.mdb, after checking it, keeping the current file
// as data.mdb.before-restore.

#include <QString>

namespace tools {

struct RestoreResult {
    bool restored = false;
    QString message; // what the user is told, either way
};

// Restores the backup as the database file at databasePath. A backup that does not open with the diary's key
// or fails the integrity check is refused, and then nothing is changed.
RestoreResult restoreBackup(const QString& backupPath, const QString& databasePath);

// The command: restores into data.mdb in the current folder, prints the outcome; 0 when restored, else 1.
int runRestore(const QString& backupPath);

} // namespace tools
