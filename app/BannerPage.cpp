#include "BannerPage.h"

#include "DiaryStore.h"
#include "SqlText.h"

#include "db/Dao.h"
#include "platform/DateLocale.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace app {

qint64 nonBlankCharacters(QStringView text) {
    qint64 count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (!QChar::isSpace(c) && QChar::category(c) != QChar::Other_Control)
            ++count;
    }
    return count;
}

namespace {

const char16_t* const kWeekdays[] = {u"星期一", u"星期二", u"星期三", u"星期四", u"星期五", u"星期六", u"星期日"};

QString chineseDate(const QDate& date) {
    return QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
}

QString chineseWeekday(const QDate& date) {
    return date.isValid() ? QString::fromUtf16(kWeekdays[date.dayOfWeek() - 1]) : QString();
}

// Both pages share one frame: the product name as title, the program's font, and no scroll bars at any
// zoom (what does not fit is cut, never scrolled).
QString page(const QString& fontFamily, const QString& style, const QString& body) {
    QString family = fontFamily;
    family.remove(QLatin1Char('"')).remove(QLatin1Char('\\')).remove(QLatin1Char('<'));
    return QStringLiteral("<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                          "<title>青简录</title><style>"
                          "html,body{margin:0;padding:0;width:100%;height:100%;overflow:hidden}"
                          "body{font-family:\"") +
           family +
           QStringLiteral("\",\"Noto Sans CJK SC\",\"Microsoft YaHei\",sans-serif;font-size:12px;"
                          "color:#3a3a3a;background:#f6f3ea;cursor:default;user-select:none}"
                          "*{box-sizing:border-box}") +
           style + QStringLiteral("</style></head><body>") + body + QStringLiteral("</body></html>");
}

} // namespace

QString mainWindowBannerPage(const BannerData& data, const QString& fontFamily) {
    const QString style =
        QStringLiteral(".col{display:flex;flex-direction:column;height:100%;padding:12px 10px 10px}"
                       "h1{margin:0;font-size:20px;font-weight:bold;letter-spacing:3px;color:#2e5e4e}"
                       ".today{margin:2px 0 12px;color:#6b6b6b;white-space:nowrap}"
                       "h2{margin:0 0 4px;padding-bottom:2px;font-size:13px;font-weight:bold;color:#2e5e4e;"
                       "border-bottom:1px solid #cfc6ad;white-space:nowrap}"
                       "ul{list-style:none;margin:0 0 10px;padding:0;flex:1 1 auto;min-height:0;overflow:hidden}"
                       "li{line-height:20px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}"
                       "li .y{color:#2e5e4e;margin-right:6px}"
                       ".quiet{color:#8a8a8a;line-height:20px;flex:1 1 auto;min-height:0;overflow:hidden}"
                       "table{border-collapse:collapse;width:100%;flex:none}"
                       "td{padding:1px 0;line-height:18px;white-space:nowrap}"
                       "td.n{text-align:right;color:#2e5e4e}");
    QString list;
    if (data.onThisDay.isEmpty()) {
        list = QStringLiteral("<div class=\"quiet\">往年的今天还没有日记。</div>");
    } else {
        list = QStringLiteral("<ul>");
        for (const PastEntry& entry : data.onThisDay)
            list += QStringLiteral("<li><span class=\"y\">%1年</span>").arg(entry.year) + entry.title.toHtmlEscaped() +
                    QStringLiteral("</li>");
        list += QStringLiteral("</ul>");
    }
    // A figure still being counted shows as an ellipsis.
    auto row = [](const char16_t* label, std::optional<qint64> value) -> QString {
        return QStringLiteral("<tr><td>") + QString::fromUtf16(label) + QStringLiteral("</td><td class=\"n\">") +
               (value ? QString::number(*value) : QStringLiteral("…")) + QStringLiteral("</td></tr>");
    };
    const QString body = QStringLiteral("<div class=\"col\"><h1>青简录</h1><div class=\"today\">") +
                         chineseDate(data.today) + QStringLiteral(" ") + chineseWeekday(data.today) +
                         QStringLiteral("</div><h2>那年今日</h2>") + list + QStringLiteral("<h2>我的日记</h2><table>") +
                         row(u"日记", data.entries) + row(u"今年写了（天）", data.daysThisYear) +
                         row(u"字数", data.characters) + QStringLiteral("</table></div>");
    return page(fontFamily, style, body);
}

QString editorBannerPage(const QDate& today, const QString& fontFamily) {
    const QString style = QStringLiteral(
        ".strip{display:flex;align-items:center;justify-content:space-between;height:100%;padding:0 24px;"
        "border-bottom:1px solid #cfc6ad}"
        "h1{margin:0;font-size:22px;font-weight:bold;letter-spacing:4px;color:#2e5e4e;white-space:nowrap}"
        ".today{font-size:14px;color:#5a5a5a;white-space:nowrap}");
    const QString body = QStringLiteral("<div class=\"strip\"><h1>青简录</h1><div class=\"today\">") +
                         chineseDate(today) + QStringLiteral("　") + chineseWeekday(today) +
                         QStringLiteral("</div></div>");
    return page(fontFamily, style, body);
}

namespace {
// The numeric form the editor writes in most locales and every form below shares, a four-digit year first
// ("2009-09-08", "2009/9/8", "2009.9.8"), read without the locale's parser, which is slow for a large diary.
// Not that form: nothing (the text is read the general way).
std::optional<QDate> numericDate(QStringView text) {
    if (text.size() < 8 || text.size() > 10)
        return std::nullopt;
    const QChar separator = text.at(4);
    if (separator != u'-' && separator != u'/' && separator != u'.')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == separator && part < 2 && digits[part] > 0) {
            ++part;
        } else if (c >= u'0' && c <= u'9') {
            parts[part] = parts[part] * 10 + (c.unicode() - u'0');
            ++digits[part];
        } else {
            return std::nullopt;
        }
    }
    if (part != 2 || digits[0] != 4 || digits[1] > 2 || digits[2] < 1 || digits[2] > 2)
        return std::nullopt;
    return QDate(parts[0], parts[1], parts[2]);
}
} // namespace

QDate parseEntryDate(const QString& text) {
    const QString trimmed = text.trimmed();
    if (const std::optional<QDate> date = numericDate(trimmed))
        return *date;
    QDate date = platform::DateLocale::locale().toDate(trimmed, QLocale::ShortFormat);
    for (const char* format : {"yyyy-M-d", "yyyy/M/d", "yyyy.M.d", "yyyy年M月d日"}) {
        if (date.isValid())
            break;
        date = QDate::fromString(trimmed, QString::fromUtf8(format));
    }
    return date;
}

BannerData bannerDataOf(const EntrySet& entries, const QDate& today) {
    BannerData data;
    data.today = today;
    struct Found {
        int year;
        qint64 id;
        QString title;
    };
    QList<Found> found;
    QSet<QDate> daysThisYear;
    // Entries share their date texts (the tree groups by them), and reading a date by the locale is slow:
    // each text is read once.
    QHash<QString, QDate> dates;
    entries.forEach(EntryField::Id | EntryField::Title | EntryField::Date, [&](const DiaryEntry& entry) {
        ++data.entries;
        auto known = dates.constFind(entry.date);
        if (known == dates.cend())
            known = dates.insert(entry.date, parseEntryDate(entry.date));
        const QDate date = *known;
        if (date.year() == today.year())
            daysThisYear.insert(date);
        if (date.isValid() && date.year() < today.year() && date.month() == today.month() && date.day() == today.day())
            found.append({date.year(), entry.id, entry.title});
        return true;
    });
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.year != b.year ? a.year > b.year : a.id > b.id; });
    for (const Found& f : found)
        data.onThisDay.append({f.year, f.title});
    data.daysThisYear = int(daysThisYear.size());
    return data;
}

std::optional<qint64> countCharacters(dao::Database& db, const QString& user, const std::atomic<bool>& stop) {
    qint64 total = 0;
    const bool whole = db.ForEachRecord(
        sql::selectBodiesOfUser(user),
        [&total](const QVariantList& fields) {
            total += nonBlankCharacters(dao::fieldText(fields.first()));
            return true;
        },
        &stop);
    if (!whole)
        return std::nullopt;
    return total;
}

std::optional<qint64> countCharacters(const QString& path, const QString& connect, const QString& user,
                                      const std::atomic<bool>& stop) {
    const std::shared_ptr<dao::Database> db = dao::OpenDatabase(path, false, true, connect);
    return countCharacters(*db, user, stop);
}

} // namespace app
