#include "EntrySearch.h"

namespace entrysearch {

app::EntryField fieldOfChoice(int choiceIndex) {
    using app::EntryField;
    switch (choiceIndex) {
    case 1:
        return EntryField::Date;
    case 2:
        return EntryField::Weekday;
    case 3:
        return EntryField::Weather;
    case 4:
        return EntryField::Body;
    default:
        return EntryField::Title;
    }
}

bool keywordMatches(const QString& text, const QString& keyword) {
    return !text.isEmpty() && text.contains(keyword, Qt::CaseSensitive);
}

std::vector<ResultRow> collectMatches(const app::EntrySet& entries, app::EntryField field, const QString& keyword,
                                      const std::function<void()>& breathe,
                                      const std::function<void(const std::vector<ResultRow>&)>& shown) {
    std::vector<ResultRow> rows;
    const bool bodiesLater = field != app::EntryField::Body;
    entries.search(
        field, [keyword](const QString& text) { return keywordMatches(text, keyword); },
        [&](qsizetype at, const DiaryEntry& entry) {
            ResultRow& row = rows.emplace_back();
            row.entryId = entry.id;
            row.cells = {QString::number(entry.id), entry.title, entry.date, entry.weekday, entry.weather, entry.body};
            if (bodiesLater)
                row.bodyAt = at;
        },
        [&] {
            if (shown)
                shown(rows);
            if (breathe)
                breathe();
        });
    return rows;
}

} // namespace entrysearch
