#include "EntrySearch.h"

#include "app/ErrorRules.h"
#include "db/Dao.h"
#include "db/LongTextReader.h"

namespace entrysearch {
namespace {
constexpr int kRecordNumberField = 0;
constexpr int kFirstShownField = 2; // fields 2..6 are the sub-items 1..5
constexpr qint64 kRecordsBetweenBreaths = 256;
// How long the walk waits for a body read ahead before it lets the window breathe.
constexpr int kWaitMs = 10;
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
                                      const std::function<void()>& breathe,
                                      const std::function<void(const std::vector<ResultRow>&)>& shown) {
    std::vector<ResultRow> rows;
    // Without a record set every step on it fails and is skipped: nothing to list.
    if (!records)
        return rows;

    qint64 count = 0;
    app::skipOnError([&] { records->MoveLast(); });
    app::skipOnError([&] { count = records->RecordCount(); });
    app::skipOnError([&] { records->MoveFirst(); });

    auto takeBreath = [&] {
        if (shown)
            shown(rows);
        if (breathe)
            breathe();
    };
    dao::LongTextReader ahead(records, fieldPosition,
                              [keyword](const QVariant& value) { return keywordMatches(value, keyword); });

    for (qint64 i = 0; i < count; ++i) {
        app::skipOnError([&] {
            QVariant value;
            dao::LongTextReader::Outcome outcome = dao::LongTextReader::Outcome::Unavailable;
            while ((outcome = ahead.outcome(qsizetype(i), kWaitMs, &value)) == dao::LongTextReader::Outcome::Pending)
                takeBreath();
            if (outcome == dao::LongTextReader::Outcome::Refused)
                return;
            // Not read ahead, or the read failed: the record set reads it (and fails as it would have).
            if (outcome != dao::LongTextReader::Outcome::Accepted) {
                value = records->Fields(fieldPosition);
                if (!keywordMatches(value, keyword))
                    return;
            }
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
        if ((i + 1) % kRecordsBetweenBreaths == 0)
            takeBreath();
    }
    return rows;
}

} // namespace entrysearch
