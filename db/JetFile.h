#pragma once

// Recognising an Access (Jet or ACE) database file by its first bytes: 00 01 00 00, then "Standard Jet DB"
// or "Standard ACE DB". Such a file is the old Windows program's data.mdb, which this program cannot open
// but can take the diary over from.

#include <QByteArray>
#include <QString>

namespace dao {

inline constexpr qint64 kJetHeaderBytes = 19;

bool isJetHeader(const QByteArray& firstBytes);
// False for a file that is missing or cannot be read.
bool isJetFile(const QString& path);

} // namespace dao
