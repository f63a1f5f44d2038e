#include "EntrySearch.h"

#include "app/ErrorRules.h"
#include "db/Dao.h"

namespace entrysearch {
namespace {
constexpr int kRecordNumberField = 0;
constexpr int kFirstShownField = 2; // fields 2..6 are the sub-items 1..5
constexpr qint64 kRecordsBetweenBreaths = 256;
} // namespace

int fieldPositionOfChoice(int choiceIndex) {
    return choiceIndex + 2;
}

bool keywordMatches(const QVariant& value, const QString& keyword) {
    if (value.isNull())
        return false;
    const QString text = dao::fieldText(value);
    return !text.isEmpty() && text.contains(keyword, Qt::CaseSensitive);
}

std::vector<ResultRow> collectMatches(dao::Recordset* records, int fieldPosition, const QString& keyword,
                                      const std::function<void()>& breathe) {
    std::vector<ResultRow> rows;
    // Without a record set every step on it fails and is skipped: nothing to list.
    if (!records)
        return rows;

    const qint64 count = app::countRecords(records);

    for (qint64 i = 0; i < count; ++i) {
        app::skipOnError([&] {
            const QVariant value = records->Fields(fieldPosition);
            if (!keywordMatches(value, keyword))
                return;
            ResultRow& row = rows.emplace_back();
            app::skipOnError([&] { row.cells[0] = dao::fieldText(records->Fields(kRecordNumberField)); });
            for (int column = 1; column < ResultRow::kColumns; ++column) {
                const int field = kFirstShownField + column - 1;
                if (field == fieldPosition)
                    row.cells[column] = dao::fieldText(value);
                else
                    app::skipOnError([&] { row.cells[column] = dao::fieldText(records->Fields(field)); });
            }
        });
        app::skipOnError([&] { records->MoveNext(); });
        if (breathe && (i + 1) % kRecordsBetweenBreaths == 0)
            breathe();
    }
    return rows;
}

} // namespace entrysearch
