#pragma once

// The readable yearly files of an export: one UTF-8 file per year ("2009.md", "2009.html", "2009.txt"),
// entries grouped by date in date order, each with its title, date, weekday and weather. Entries whose date
// names no day go to one more file, "undated".

#include "tools/data/Entry.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <vector>

namespace datatool {

enum class YearBookFormat { Markdown, Html, Text };

// The files' names and contents, keyed by file name.
QMap<QString, QByteArray> yearBooks(std::vector<Entry> entries, const QString& user, YearBookFormat format);

// HTML text with &, <, >, " and ' escaped.
QString escapeHtml(const QString& text);

// Writes the files into a new folder at path, complete before it takes that name; an existing folder or file
// there is replaced only with force (and only once the new one is complete). False with a message otherwise;
// nothing is left behind then.
bool writeYearBookFolder(const std::vector<Entry>& entries, const QString& user, YearBookFormat format,
                         const QString& path, bool force, QString* error);

} // namespace datatool
