#include "tools/data/Entry.h"

#include "app/SqlText.h"
#include "platform/DateLocale.h"

#include <QStringList>

namespace datatool {

QDate dayOfDateText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QLocale locale = platform::DateLocale::locale();
    // A two-digit year in the system's form would land in the 1900s: only forms with the full year count.
    if (locale.dateFormat(QLocale::ShortFormat).contains(QLatin1String("yyyy"))) {
        const QDate day = locale.toDate(trimmed, QLocale::ShortFormat);
        if (day.isValid())
            return day;
    }
    static const QStringList forms{QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy.M.d"),
                                   QStringLiteral("yyyy年M月d日")};
    for (const QString& form : forms) {
        const QDate day = QDate::fromString(trimmed, form);
        if (day.isValid())
            return day;
    }
    return {};
}

QString withCrLf(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            out += QLatin1String("\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

Entry editorEntry(const QDate& day, const QString& title, const QString& weather, const QString& body) {
    Entry entry;
    entry.date = platform::DateLocale::shortDate(day);
    entry.weekday = platform::DateLocale::weekdayName(day);
    entry.title = valueText(sql::entryText(title));
    entry.weather = valueText(sql::entryText(weather));
    entry.body = valueText(sql::entryText(withCrLf(body)));
    return entry;
}

} // namespace datatool
