#pragma once

// The indexes the program's queries rely on, added to a diary file made without them (by an older version
// or another client). Building them reads the whole table, so it runs on a thread of its own with its own
// connection while the windows go on working; until it is done, the same queries simply scan the table.

#include <QString>

namespace dao {

// The statements that create the indexes when missing; part of every new diary file as well.
extern const char* const kDiaryIndexes;

// Starts adding the missing indexes to the file, once per run and file.
void ensureDiaryIndexes(const QString& path, const QByteArray& password);

// Waits until every build started so far has finished (or failed; a failed one is tried again next run).
void waitForIndexBuilds();

} // namespace dao
