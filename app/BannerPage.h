#pragma once

// What the program's own banner page shows in the main window when the maker's page cannot be shown:
// the account's entries of this day in earlier years and its totals. All but the character total come from
// the rows the main window's tree has read; the total needs every body and is counted apart (off the
// window's thread), the page showing it once it is known.

#include <QDate>
#include <QList>
#include <QString>

#include <atomic>
#include <optional>

namespace dao {
class Database;
}

namespace app {

class EntrySet;

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
    // Non-blank characters of all bodies; a character outside the basic plane counts once too. Nothing
    // while the count is under way.
    std::optional<qint64> characters;
};

// The pages themselves: whole HTML documents titled with the product name, every text from the diary
// escaped, no script and nothing fetched from anywhere. fontFamily is the program's own font.
// The main window's tall, narrow column: name, date, this day in earlier years, totals.
QString mainWindowBannerPage(const BannerData& data, const QString& fontFamily);
// The editor's wide, low strip: name, date and weekday.
QString editorBannerPage(const QDate& today, const QString& fontFamily);

// The page's figures from the account's entries as the tree read them (ids, titles and dates only, no
// body and no query); characters stays empty. An entry whose fields cannot be read is left out: the banner
// is decoration and never stops a window from opening.
BannerData bannerDataOf(const EntrySet& entries, const QDate& today);

// The non-blank characters of every body of the account, read one at a time over db. Nothing when stop
// became true first; a failing read raises as the database does.
std::optional<qint64> countCharacters(dao::Database& db, const QString& user, const std::atomic<bool>& stop);
// The same over a read-only connection of its own to the diary file at path, opened with connect.
std::optional<qint64> countCharacters(const QString& path, const QString& connect, const QString& user,
                                      const std::atomic<bool>& stop);
// The characters of one text that count: all but white space and control characters, each counted once.
qint64 nonBlankCharacters(QStringView text);

// An entry's date text as the editor wrote it (the system's short date, or a date typed by hand in one of
// the common forms); an invalid date when it is none of them.
QDate parseEntryDate(const QString& text);

} // namespace app
