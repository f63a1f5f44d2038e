#pragma once

#include <QString>

namespace app {

// Account passwords are kept as salted Argon2id hashes (libsodium's string format), never as typed.
QString hashPassword(const QString& password);
// True only when typed is exactly the password stored (letter case included). A stored value that is not
// a hash (a file written before hashing) is compared as plain text.
bool verifyPassword(const QString& stored, const QString& typed);

} // namespace app
