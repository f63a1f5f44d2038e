#include "StoredEntries.h"

#include "EntryContent.h"

#include "app/SqlText.h"
#include "db/DiaryDatabase.h"
#include "platform/DateLocale.h"

#include <sqlite3.h>

#include <QFile>
#include <QStringList>

#include <memory>

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

QString integrityCheck(const QString& path) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> handle(raw, sqlite3_close);
    if (opened != SQLITE_OK)
        return QStringLiteral("cannot open: %1").arg(opened);
    const QByteArray password(dao::kDiaryPassword);
    sqlite3_key(raw, password.constData(), int(password.size()));
    QStringList rows;
    auto collect = [](void* out, int columns, char** values, char**) {
        for (int i = 0; i < columns; ++i)
            static_cast<QStringList*>(out)->append(QString::fromUtf8(values[i] ? values[i] : "NULL"));
        return 0;
    };
    char* message = nullptr;
    if (sqlite3_exec(raw, "PRAGMA integrity_check", collect, &rows, &message) != SQLITE_OK) {
        const QString error = QString::fromUtf8(message ? message : "?");
        sqlite3_free(message);
        return error;
    }
    return rows.join(QLatin1Char('\n'));
}

} // namespace reliability
