#pragma once

// Every SQL text the program sends is built here, and only here.

#include "app/DiaryEntry.h"

#include <QString>

#include <optional>

namespace sql {

// A value between single quotes, each ' inside doubled (standard SQL), so a name or password with an
// apostrophe stays one value.
QString quoted(const QString& value);

// The free text of an entry (title, weather, body): every ' becomes ’ before it is stored.
QString entryText(const QString& value);

// The entry key, "id = " followed by the id in decimal: a tree node's key and the condition that selects the
// entry.
QString entryKey(qint64 id);
// The id an entry key names: only exactly "id = " followed by decimal digits (at most 18, so the id fits) is an
// entry key. Anything else (a date text that merely contains "id = ", a condition with more after the number)
// names no entry, so no text from outside can widen a condition that selects, changes or deletes one entry.
std::optional<qint64> entryIdOf(const QString& key);
bool isEntryKey(const QString& key);

QString selectUserNames();
QString selectUser(const QString& name);
QString insertUser(const QString& name, const QString& password);

QString selectDiaryOfUser(const QString& user);
// The bodies of the account's entries, and nothing else.
QString selectBodiesOfUser(const QString& user);
QString selectDiaryWhere(const QString& condition);
QString deleteDiaryWhere(const QString& condition);
// The new entry's owner, title, date, weekday, weather and body as one INSERT (its id is left to the engine).
QString insertDiary(const DiaryEntry& entry);
// The entry's title, date, weekday, weather and body written over the stored entry with the same id.
QString updateDiary(const DiaryEntry& entry);

} // namespace sql
