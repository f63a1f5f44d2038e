#pragma once

// Every SQL text the program sends is built here, and only here.

#include <QString>

namespace sql {

// A value between single quotes, each ' inside doubled (standard SQL), so a name or password with an
// apostrophe stays one value.
QString quoted(const QString& value);

// The free text of an entry (title, weather, body): every ' becomes ’ before it is stored.
QString entryText(const QString& value);

// The entry key, "id = " followed by the id: a tree node's key and the condition that selects the entry.
QString entryKey(qint64 id);
QString entryKey(const QString& idText);
// A key names an entry exactly when it contains "id = ".
bool isEntryKey(const QString& key);

QString selectUserNames();
QString selectUser(const QString& name);
QString insertUser(const QString& name, const QString& password);

QString selectDiaryOfUser(const QString& user);
QString selectDiaryWhere(const QString& condition);
QString deleteDiaryWhere(const QString& condition);
QString insertDiary(const QString& user, const QString& title, const QString& date, const QString& week,
                    const QString& weather, const QString& text);
QString updateDiary(const QString& title, const QString& date, const QString& week, const QString& weather,
                    const QString& text, const QString& condition);

} // namespace sql
