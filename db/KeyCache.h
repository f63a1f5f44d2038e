#pragma once

// The encryption key of a diary file, derived from its password once per run. SQLCipher stretches the
// password with PBKDF2 (64 000 rounds of HMAC-SHA1 over the file's salt) on every open; doing it once and
// opening later connections with the derived key gives the same key for the same file format.
// The key lives in locked memory only and is wiped when dropped; it is never written anywhere.

#include <QByteArray>
#include <QString>

namespace dao::keys {

// The 16-byte salt at the start of an encrypted file; empty when the file is shorter than that.
QByteArray saltOf(const QString& path);

// Keys sqlite3 handle with password for a file with this salt: the derived key when the salt is known (an
// empty salt falls back to the password itself). Returns SQLite's result code.
int applyKey(void* sqliteHandle, const QByteArray& password, const QByteArray& salt);

// Remembers that the key derived for (password, salt) opened a file, so it is worth keeping.
void keyWorked(const QByteArray& password, const QByteArray& salt);

// Test support: the hexadecimal text of the derived key, as SQLCipher's raw-key syntax spells it.
QByteArray rawKeyTextForTests(const QByteArray& password, const QByteArray& salt);

} // namespace dao::keys
