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

// "ok" when SQLCipher finds the file behind the open database sound; else what it reports. The opening
// has already rolled back a transaction that a killed process left unfinished.
QString integrityCheck(dao::Database& db);

} // namespace reliability
