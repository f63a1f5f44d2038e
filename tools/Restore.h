#pragma once

// mkdiarydb --restore: puts a backup in the place of data.mdb, after checking it, keeping the current file
// as data.mdb.before-restore.

#include <QString>

namespace tools {

struct RestoreResult {
    bool restored = false;
    QString message; // what the user is told, either way: exactly which files were read, kept and replaced
};

// Restores the backup as the database file at databasePath. A backup that does not open with the diary's key,
// lacks a table or column of the diary, or fails the integrity check is refused, and then nothing is changed.
// A databasePath that is a symbolic link has the file it points to replaced (the link stays); the restored
// file keeps the current file's permissions, owner and group as far as this account may set them.
RestoreResult restoreBackup(const QString& backupPath, const QString& databasePath);

// The command: restores into databasePath, or when that is empty into data.mdb in the program's folder (the
// folder of mkdiarydb, where the program reads it). A relative backup path is looked up in the current
// folder, then in the program's. Prints the outcome; 0 when restored, else 1.
int runRestore(const QString& backupPath, const QString& databasePath = QString());

} // namespace tools
