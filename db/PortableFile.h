#pragma once

// File operations that differ between the systems the program runs on: putting a finished file in place of
// another and flushing files to the disk (rename() and fsync() on POSIX systems; MoveFileExW, replacing and
// written through, and FlushFileBuffers on Windows, where rename() refuses to replace an existing file), and
// the name under which SQLite opens a file.

#include <QByteArray>
#include <QString>

namespace dao::files {

// Flushes the file's contents to the disk; false when it cannot be opened or flushed.
bool syncFile(const QString& path);
// Flushes a folder's entries (a rename in it) to the disk where the system allows that; a no-op on Windows,
// where replaceFile() writes the move through before it returns.
void syncFolder(const QString& folder);
// Puts the file `from` under the name `to` in one step, replacing a file of that name; false (and both
// files as they were) when it cannot.
bool replaceFile(const QString& from, const QString& to);

// The file name sqlite3_open_v2() takes: UTF-8 on every system. (On Windows QFile::encodeName() gives the
// ANSI code page, which SQLite would misread for any name beyond ASCII.)
QByteArray sqliteFileName(const QString& path);

} // namespace dao::files
