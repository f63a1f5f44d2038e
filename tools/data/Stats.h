#pragma once

// Figures of one account's diary, gathered entry by entry: nothing is kept per entry, only per day and year.

#include "tools/data/Entry.h"

#include <QDate>
#include <QMap>
#include <QSet>
#include <QStringList>

namespace datatool {

class Stats {
public:
    void add(const Entry& entry);

    qint64 entries() const { return m_entries; }
    // Days with at least one entry; an entry whose date names no day counts by its text.
    qint64 daysWritten() const { return m_days.size() + m_otherDates.size(); }
    QDate firstDay() const { return m_days.isEmpty() ? QDate() : *std::min_element(m_days.begin(), m_days.end()); }
    QDate lastDay() const { return m_days.isEmpty() ? QDate() : *std::max_element(m_days.begin(), m_days.end()); }
    const QMap<int, qint64>& entriesPerYear() const { return m_perYear; }
    qint64 undatedEntries() const { return m_undated; }
    qint64 characters() const { return m_characters; }
    int longestRun() const;

    // The figures as printed, one a line, in Chinese with English beside.
    QStringList lines() const;

private:
    qint64 m_entries = 0;
    QSet<QDate> m_days;
    QSet<QString> m_otherDates;
    QMap<int, qint64> m_perYear;
    qint64 m_undated = 0;
    qint64 m_characters = 0;
};

// Characters written in text: every character that is not blank (a space, a tab, a line break) counts one,
// a character beyond the BMP included.
qint64 countCharacters(const QString& text);

} // namespace datatool
