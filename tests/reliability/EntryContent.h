#pragma once

// Entries with contents fixed by their number: a worker process saves entry n of its series, and a test
// later knows exactly what entry n (in its r-th version) must hold, without being told.

#include <QString>

#include <optional>

namespace reliability {

// "第n篇（series）": unique per series and number, so an entry's title says which one it is.
QString entryTitle(const QString& series, int number);
// The number in a title of the series; nothing for a title of another series or not of this form.
std::optional<int> entryNumber(const QString& series, const QString& title);

// The body of version `revision` of entry `number`: mostly a few lines, now and then over a hundred
// kilobytes so that a save writes many pages; Chinese, ASCII, an apostrophe, emoji and a character beyond
// the basic plane, lines ended with CR LF.
QString entryBody(const QString& series, int number, int revision);
// The weather word of version `revision`, an apostrophe in every fourth.
QString entryWeather(int number, int revision);

} // namespace reliability
