#pragma once

// What the program's own banner page shows in the main window when the maker's page cannot be shown:
// the account's entries of this day in earlier years and its totals, read from the diary when asked.

#include <QDate>
#include <QList>
#include <QString>

namespace dao {
class Database;
}

namespace app {

struct PastEntry {
    int year = 0;
    QString title;
};

struct BannerData {
    QDate today;
    // Entries written on today's month and day in earlier years, the newest first.
    QList<PastEntry> onThisDay;
    qint64 entries = 0;
    // Distinct dates of this year that have an entry.
    int daysThisYear = 0;
    // Non-blank characters of all bodies; a character outside the basic plane counts once too.
    qint64 characters = 0;
};

// The pages themselves: whole HTML documents titled with the product name, every text from the diary
// escaped, no script and nothing fetched from anywhere. fontFamily is the program's own font.
// The main window's tall, narrow column: name, date, this day in earlier years, totals.
QString mainWindowBannerPage(const BannerData& data, const QString& fontFamily);
// The editor's wide, low strip: name, date and weekday.
QString editorBannerPage(const QDate& today, const QString& fontFamily);

// Reads the account's entries (the tree's own query) and sums them up. A failing read leaves what was read
// so far: the banner is decoration and never stops a window from opening.
BannerData readBannerData(dao::Database& db, const QString& user, const QDate& today);

// An entry's date text as the editor wrote it (the system's short date, or a date typed by hand in one of
// the common forms); an invalid date when it is none of them.
QDate parseEntryDate(const QString& text);

} // namespace app
