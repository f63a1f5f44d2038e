#pragma once

// The readable yearly files of an export: one UTF-8 file per year ("2009.md", "2009.html", "2009.txt"),
// entries grouped by date in date order, each with its title, date, weekday and weather. Entries whose date
// names no day go to one more file, "undated".

#include "tools/data/Entry.h"

#include <QDate>
#include <QString>

#include <functional>
#include <vector>

namespace datatool {

enum class YearBookFormat { Markdown, Html, Text };

// Where an entry goes: its day (invalid when its date names none) and its id.
struct Dated {
    QDate day;
    qint64 id = 0;
};

// HTML text with &, <, >, " and ' escaped.
QString escapeHtml(const QString& text);

// Writes the files into a new folder at path, complete before it takes that name; an existing folder or file
// there is replaced only with force (and only once the new one is complete). The entries are fetched by id
// one at a time (entryOf), each written out before the next, so only their days and ids are held; written
// (if given) is told of each. False with a message otherwise; nothing is left behind then.
bool writeYearBookFolder(std::vector<Dated> entries, const std::function<Entry(qint64 id)>& entryOf,
                         const QString& user, YearBookFormat format, const QString& path, bool force, QString* error,
                         const std::function<void()>& written = {});

} // namespace datatool
