#pragma once

// Reading back what the workers saved, and checking it against what they must have saved.

#include "db/Dao.h"

#include <QString>

#include <vector>

namespace reliability {

struct StoredEntry {
    qint64 id = 0;
    QString user, title, date, week, weather, text;
};

// Every record of the diary table, through the program's own layer.
std::vector<StoredEntry> storedEntries(dao::Database& db);

// What is wrong with the stored entry as version `revision` of entry `number` of the series, saved by the
// account of the same name on 2009-09-08 (as the
// date locale in test mode writes it); empty when it is intact.
QString differenceFrom(const StoredEntry& entry, const QString& series, int number, int revision);

// "ok" when SQLCipher, given the password, finds the file sound; else what it reports. Opening the file
// also rolls back a transaction left unfinished by a killed process.
QString integrityCheck(const QString& path);

} // namespace reliability
