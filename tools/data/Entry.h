#pragma once

// The diary entry as the data tool moves it between data.mdb and other files: the program's own entry type.
// A field without a value (a null QString) is kept apart from an empty one, so an export is a lossless copy
// of what is stored.

#include "app/DiaryEntry.h"

#include <QDate>
#include <QString>

namespace datatool {

using Entry = DiaryEntry;

// The text as a value: an empty text that is not null (what a stored empty text is).
inline QString valueText(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

// The day an entry's date text names: the system's short date form first (what the editor writes), then
// the common spellings of a date with a four-digit year. Invalid when the text names no day.
QDate dayOfDateText(const QString& text);

// An entry for the given day, written as the editor writes a new one: the short date and the full weekday
// name of the system's locale, title, weather and body with every ' turned into ’, and the body's line
// breaks (LF, CR or CR LF) all CR LF.
Entry editorEntry(const QDate& day, const QString& title, const QString& weather, const QString& body);

// Every line break of text (LF, CR or CR LF) as CR LF.
QString withCrLf(const QString& text);

} // namespace datatool
