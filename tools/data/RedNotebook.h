#pragma once

// A RedNotebook journal folder: one file per month, "YYYY-MM.txt", each a YAML mapping of day numbers to the
// day's content, whose "text" is what was written that day. Read here is the YAML that RedNotebook itself
// writes (PyYAML's block style with plain, single-quoted and double-quoted scalars, folded over lines);
// other keys of a day (its categories) are passed over.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

namespace datatool::rednotebook {

struct Day {
    QDate date;
    QString text;
};

struct Month {
    std::vector<Day> days; // in file order
    QString error;         // empty when the file was read whole
};

// The days of one month file's contents (year and month from its name); days without text are left out.
Month readMonth(const QByteArray& bytes, int year, int month);

struct Journal {
    std::vector<Day> days; // month by month, each month in file order
    QString error;
};

// Every month file of the folder. A folder without any, or any file that cannot be read whole, is an error.
Journal readJournal(const QString& folder);

// RedNotebook has no titles: the text's first non-blank line, trimmed, at most maxLength characters.
QString titleOf(const QString& text, int maxLength = 30);

} // namespace datatool::rednotebook
