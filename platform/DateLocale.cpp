#include "DateLocale.h"

#include <optional>

namespace platform::DateLocale {
namespace {
std::optional<QDate> g_today;
std::optional<QLocale> g_locale;
} // namespace

QLocale locale() {
    if (g_locale)
        return *g_locale;
    QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Chinese, QLocale::China);
    return system;
}

QDate today() {
    return g_today ? *g_today : QDate::currentDate();
}

QString shortDate(const QDate& date) {
    return locale().toString(date, QLocale::ShortFormat);
}

QString weekdayName(const QDate& date) {
    return locale().dayName(date.dayOfWeek(), QLocale::LongFormat);
}

void setTodayForTests(const QDate& date) {
    if (date.isValid())
        g_today = date;
    else
        g_today.reset();
}
void setLocaleForTests(const QLocale& locale) {
    g_locale = locale;
}
void resetForTests() {
    g_today.reset();
    g_locale.reset();
}

} // namespace platform::DateLocale
