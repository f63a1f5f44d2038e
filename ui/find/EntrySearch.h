#pragma once

#include "ResultModel.h"

#include <QVariant>

#include <functional>
#include <vector>

namespace dao {
class Recordset;
}

// The search over one user's entries: which field a choice searches, when a field matches the keyword, and
// the walk over the found records that collects the rows to list.
namespace entrysearch {

// The position of the body among the fields of the user's records.
inline constexpr int kBodyField = 6;

// The field position that the field choice with this list index searches (title 2 … body 6).
int fieldPositionOfChoice(int choiceIndex);

// True when keyword occurs in the field's text, compared character for character with letter case. A field
// without a value or with empty text never matches; an empty keyword matches every other field.
bool keywordMatches(const QVariant& value, const QString& keyword);

// Walks the records (last, count, first, then one by one) and returns a row for each record whose field at
// fieldPosition matches: the record number, then fields 2 to 6. Every step that fails is skipped and the walk
// goes on. breathe is called every few hundred records (and while waiting for bodies read ahead) so a long
// walk can keep the window painting; shown, when given, gets the rows found so far just before each breath.
// A search through the bodies of many records reads them ahead on the other cores (dao::LongTextReader);
// the rows and their order are the same. A search of a short field of a snapshot leaves each row's body to
// be read when first asked for (ResultRow::bodyAt; the model reads it from the same records).
std::vector<ResultRow> collectMatches(dao::Recordset* records, int fieldPosition, const QString& keyword,
                                      const std::function<void()>& breathe = {},
                                      const std::function<void(const std::vector<ResultRow>&)>& shown = {});

} // namespace entrysearch
