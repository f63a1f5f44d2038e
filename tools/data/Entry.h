#pragma once

// One diary entry as the data tool moves it between data.mdb and other files. A field without a value is
// kept apart from an empty one, so an export is a lossless copy of what is stored.

#include <QDate>
#include <QString>

#include <optional>

namespace datatool {

struct Entry {
    qint64 id = 0;
    QString owner;
    std::optional<QString> title;
    std::optional<QString> date;
    std::optional<QString> weekday;
    std::optional<QString> weather;
    std::optional<QString> body;
};

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
