#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace platform {

// The system's date and its short date format and weekday names. Where the system has no locale set
// (the "C" locale), the program speaks Chinese (China). Tests fix "today" and the locale.
namespace DateLocale {

QLocale locale();
QDate today();
QString shortDate(const QDate& date);
QString weekdayName(const QDate& date);

void setTodayForTests(const QDate& date); // an invalid date restores the system clock
void setLocaleForTests(const QLocale& locale);
void resetForTests();

} // namespace DateLocale
} // namespace platform
