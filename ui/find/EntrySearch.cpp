#include "EntrySearch.h"

#include "app/ErrorRules.h"
#include "db/Dao.h"
#include "db/LongTextReader.h"
#include "db/Snapshot.h"

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

    const qint64 count = app::countRecords(records);

    auto takeBreath = [&] {
        if (shown)
            shown(rows);
        if (breathe)
            breathe();
    };
    using Outcome = dao::LongTextReader::Outcome;
    // Waits for what a reader has read ahead, letting the window breathe meanwhile.
    auto readAhead = [&](dao::LongTextReader& reader, qint64 row, QVariant* value) {
        Outcome outcome;
        while ((outcome = reader.outcome(qsizetype(row), kWaitMs, value)) == Outcome::Pending)
            takeBreath();
        return outcome;
    };
    auto matches = [keyword](const QVariant& value) { return keywordMatches(value, keyword); };

    // Searching the bodies: they are read and tested ahead, on the other cores.
    dao::LongTextReader bodiesTested(records, fieldPosition, matches);
    // Searching a short field of a snapshot: each row's body is read when the list first asks for it.
    const bool bodiesLater = fieldPosition != kBodyField && dynamic_cast<dao::Snapshot*>(records);

    for (qint64 i = 0; i < count; ++i) {
        const bool noHitYet = rows.empty();
        app::skipOnError([&] {
            QVariant value;
            // Not read ahead, or the read failed: the record set reads it (and fails as it would have).
            if (readAhead(bodiesTested, i, &value) != Outcome::Accepted) {
                value = records->Fields(fieldPosition);
                if (!matches(value))
                    return;
            }
            ResultRow& row = rows.emplace_back();
            app::skipOnError([&] { row.cells[0] = dao::fieldText(records->Fields(kRecordNumberField)); });
            for (int column = 1; column < ResultRow::kColumns; ++column) {
                const int field = kFirstShownField + column - 1;
                if (field == fieldPosition)
                    row.cells[column] = dao::fieldText(value);
                else if (field == kBodyField && bodiesLater)
                    row.bodyAt = qsizetype(i);
                else
                    app::skipOnError([&] { row.cells[column] = dao::fieldText(records->Fields(field)); });
            }
        });
        app::skipOnError([&] { records->MoveNext(); });
        // The first hit is shown at once; then a breath every few hundred records.
        if ((i + 1) % kRecordsBetweenBreaths == 0 || (noHitYet && !rows.empty()))
            takeBreath();
    }
    return rows;
}

} // namespace entrysearch
