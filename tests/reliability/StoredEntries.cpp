#include "StoredEntries.h"

#include "db/DaoInternal.h"

#include "EntryContent.h"

#include "app/SqlText.h"
#include "db/Connection.h"
#include "db/DiaryDatabase.h"
#include "platform/DateLocale.h"

#include <sqlite3.h>

#include <QStringList>

namespace reliability {

std::vector<StoredEntry> storedEntries(dao::Database& db) {
    std::vector<StoredEntry> entries;
    auto records = db.OpenRecordset(QStringLiteral("Select * from diary"));
    auto text = [&](const char* name) { return dao::fieldText(records->Fields(QLatin1String(name))); };
    while (!records->EOF()) {
        entries.push_back({records->Fields(QStringLiteral("id")).toLongLong(), text("username"), text("diarytitle"),
                           text("diarydate"), text("diaryweek"), text("diaryweather"), text("diarytext")});
        records->MoveNext();
    }
    return entries;
}

QString differenceFrom(const StoredEntry& entry, const QString& series, int number, int revision) {
    QStringList wrong;
    if (entry.user != series)
        wrong << QStringLiteral("user");
    if (entry.title != sql::entryText(entryTitle(series, number)))
        wrong << QStringLiteral("title");
    const QDate day(2009, 9, 8);
    if (entry.date != platform::DateLocale::shortDate(day) || entry.week != platform::DateLocale::weekdayName(day))
        wrong << QStringLiteral("date");
    if (entry.weather != sql::entryText(entryWeather(number, revision)))
        wrong << QStringLiteral("weather");
    if (entry.text != sql::entryText(entryBody(series, number, revision)))
        wrong << QStringLiteral("body (%1 characters stored)").arg(entry.text.size());
    if (wrong.isEmpty())
        return QString();
    return QStringLiteral("entry %1 (id %2) version %3: %4")
        .arg(number)
        .arg(entry.id)
        .arg(revision)
        .arg(wrong.join(", "));
}

QString integrityCheck(dao::Database& db) {
    QStringList rows;
    auto collect = [](void* out, int columns, char** values, char**) {
        for (int i = 0; i < columns; ++i)
            static_cast<QStringList*>(out)->append(QString::fromUtf8(values[i] ? values[i] : "NULL"));
        return 0;
    };
    char* message = nullptr;
    if (sqlite3_exec(dao::connectionOf(db)->handle(), "PRAGMA integrity_check", collect, &rows, &message) !=
        SQLITE_OK) {
        const QString error = QString::fromUtf8(message ? message : "?");
        sqlite3_free(message);
        return error;
    }
    return rows.join(QLatin1Char('\n'));
}

} // namespace reliability
