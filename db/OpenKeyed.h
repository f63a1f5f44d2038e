#pragma once

// The one way a connection to a diary file is opened, for the program, its background threads and
// mkdiarydb alike: the file opened (never created), keyed, told the file format, given the busy timeout, the
// journal mode and the sync level, and read once so a wrong key or a foreign file shows at once.

#include "db/Connection.h"

#include <QByteArray>
#include <QString>

namespace dao {

// How long a statement waits for a lock another connection holds before it fails as busy.
inline constexpr int kBusyTimeoutMs = 15000;

enum class OpenMode { ReadOnly, ReadWrite };

// The connect text that carries a password (";Pwd=<password>"), and the password read back from one; other
// ";key=value" parts are ignored.
QString connectText(const QByteArray& password);
QByteArray passwordOf(const QString& connect);

// Opens the existing file at path with the password (none when empty). Raises 3024 for a missing file,
// 3031 for a wrong password or a file that is not such a database, 3051 when it cannot be opened. An empty
// file opens too: the first write makes it a keyed database.
SqliteHandle openKeyed(const QString& path, OpenMode mode, const QByteArray& password);

} // namespace dao
