#include "tools/data/Stats.h"

#include <algorithm>
#include <vector>

namespace datatool {

qint64 countCharacters(const QString& text) {
    qint64 count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isLowSurrogate())
            continue; // the high half counted the pair
        if (c.isHighSurrogate() || !c.isSpace())
            ++count;
    }
    return count;
}

void Stats::add(const Entry& entry) {
    ++m_entries;
    const QDate day = dayOfDateText(entry.date);
    if (day.isValid()) {
        m_days.insert(day);
        ++m_perYear[day.year()];
    } else {
        ++m_undated;
        m_otherDates.insert(entry.date);
    }
    m_characters += countCharacters(entry.title) + countCharacters(entry.body);
}

int Stats::longestRun() const {
    std::vector<qint64> days;
    days.reserve(std::size_t(m_days.size()));
    for (const QDate& day : m_days)
        days.push_back(day.toJulianDay());
    std::sort(days.begin(), days.end());
    int longest = 0;
    int run = 0;
    for (std::size_t i = 0; i < days.size(); ++i) {
        run = (i > 0 && days[i] == days[i - 1] + 1) ? run + 1 : 1;
        longest = std::max(longest, run);
    }
    return longest;
}

QStringList Stats::lines() const {
    const auto dayText = [](const QDate& day) {
        return day.isValid() ? day.toString(Qt::ISODate) : QStringLiteral("-");
    };
    QStringList out;
    out << QStringLiteral("日记篇数 entries: %1").arg(m_entries);
    out << QStringLiteral("写日记的天数 days written: %1").arg(daysWritten());
    out << QStringLiteral("第一天 first date: %1").arg(dayText(firstDay()));
    out << QStringLiteral("最后一天 last date: %1").arg(dayText(lastDay()));
    for (auto it = m_perYear.begin(); it != m_perYear.end(); ++it)
        out << QStringLiteral("%1 年篇数 entries in %1: %2").arg(it.key()).arg(it.value());
    if (m_undated > 0)
        out << QStringLiteral("日期不明的篇数 entries without a readable date: %1").arg(m_undated);
    out << QStringLiteral("字数 characters written: %1").arg(m_characters);
    out << QStringLiteral("最长连续天数 longest run of consecutive days: %1").arg(longestRun());
    return out;
}

} // namespace datatool
