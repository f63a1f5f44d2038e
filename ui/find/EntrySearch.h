#pragma once

#include "ResultModel.h"
#include "app/DiaryStore.h"

#include <functional>
#include <vector>

// The search over one user's entries: which field a choice searches, when a field matches the keyword, and
// the rows a search lists.
namespace entrysearch {

// The field that the field choice with this list index searches (title, date, weekday, weather, body).
app::EntryField fieldOfChoice(int choiceIndex);

// True when keyword occurs in the field's text, compared character for character with letter case. A field
// without a value or with empty text never matches; an empty keyword matches every other field.
bool keywordMatches(const QString& text, const QString& keyword);

// Searches field of the entries and returns a row for each entry it matches, in the entries' order: the
// entry's number, title, date, weekday, weather and body. breathe is called every few hundred entries (and
// while bodies read ahead are awaited) so a long search can keep the window painting; shown, when given, gets
// the rows found so far just before each breath. A search of a short field leaves each row's body to be read
// when the list first asks for it (ResultRow::bodyAt, read from the same entries).
std::vector<ResultRow> collectMatches(const app::EntrySet& entries, app::EntryField field, const QString& keyword,
                                      const std::function<void()>& breathe = {},
                                      const std::function<void(const std::vector<ResultRow>&)>& shown = {});

} // namespace entrysearch
