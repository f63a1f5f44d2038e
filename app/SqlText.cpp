#include "SqlText.h"

namespace sql {

QString quoted(const QString& value) {
    QString text = value;
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString entryText(const QString& value) {
    QString text = value;
    text.replace(QChar(0x0027), QChar(0x2019));
    return text;
}

QString entryKey(qint64 id) {
    return QStringLiteral("id = ") + QString::number(id);
}
std::optional<qint64> entryIdOf(const QString& key) {
    constexpr qsizetype kMaxDigits = 18;
    static const QString prefix = QStringLiteral("id = ");
    if (!key.startsWith(prefix) || key.size() == prefix.size() || key.size() > prefix.size() + kMaxDigits)
        return std::nullopt;
    qint64 id = 0;
    for (qsizetype i = prefix.size(); i < key.size(); ++i) {
        const char16_t c = key.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        id = id * 10 + (c - u'0');
    }
    return id;
}

bool isEntryKey(const QString& key) {
    return entryIdOf(key).has_value();
}

QString selectUserNames() {
    return QStringLiteral("Select username from users");
}

QString selectUser(const QString& name) {
    return QStringLiteral("Select * from users where username = ") + quoted(name);
}

QString insertUser(const QString& name, const QString& password) {
    return QStringLiteral("INSERT INTO users(username,password,limit) Values(") + quoted(name) + QStringLiteral(", ") +
           quoted(password) + QStringLiteral(", '1')");
}

QString selectDiaryOfUser(const QString& user) {
    return QStringLiteral("Select * from diary where username = ") + quoted(user);
}

QString selectBodiesOfUser(const QString& user) {
    return QStringLiteral("Select diarytext from diary where username = ") + quoted(user);
}

QString selectDiaryWhere(const QString& condition) {
    return QStringLiteral("Select * from diary where ") + condition;
}

QString deleteDiaryWhere(const QString& condition) {
    return QStringLiteral("Delete from diary where ") + condition;
}

QString insertDiary(const DiaryEntry& entry) {
    return QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) Values(") +
           quoted(entry.owner) + QStringLiteral(", ") + quoted(entryText(entry.title)) + QStringLiteral(", ") +
           quoted(entry.date) + QStringLiteral(", ") + quoted(entry.weekday) + QStringLiteral(", ") +
           quoted(entryText(entry.weather)) + QStringLiteral(", ") + quoted(entryText(entry.body)) +
           QStringLiteral(")");
}

QString updateDiary(const DiaryEntry& entry) {
    return QStringLiteral("UPDATE diary SET diarytitle=") + quoted(entryText(entry.title)) +
           QStringLiteral(", diarydate=") + quoted(entry.date) + QStringLiteral(", diaryweek=") +
           quoted(entry.weekday) + QStringLiteral(", diaryweather=") + quoted(entryText(entry.weather)) +
           QStringLiteral(", diarytext=") + quoted(entryText(entry.body)) + QStringLiteral(" where ") +
           entryKey(entry.id);
}

} // namespace sql
