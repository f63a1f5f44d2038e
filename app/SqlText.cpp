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
QString entryKey(const QString& idText) {
    return QStringLiteral("id = ") + idText;
}

bool isEntryKey(const QString& key) {
    return key.contains(QLatin1String("id = "), Qt::CaseSensitive);
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

QString selectDiaryWhere(const QString& condition) {
    return QStringLiteral("Select * from diary where ") + condition;
}

QString deleteDiaryWhere(const QString& condition) {
    return QStringLiteral("Delete from diary where ") + condition;
}

QString insertDiary(const QString& user, const QString& title, const QString& date, const QString& week,
                    const QString& weather, const QString& text) {
    return QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) Values(") +
           quoted(user) + QStringLiteral(", ") + quoted(entryText(title)) + QStringLiteral(", ") + quoted(date) +
           QStringLiteral(", ") + quoted(week) + QStringLiteral(", ") + quoted(entryText(weather)) +
           QStringLiteral(", ") + quoted(entryText(text)) + QStringLiteral(")");
}

QString updateDiary(const QString& title, const QString& date, const QString& week, const QString& weather,
                    const QString& text, const QString& condition) {
    return QStringLiteral("UPDATE diary SET diarytitle=") + quoted(entryText(title)) + QStringLiteral(", diarydate=") +
           quoted(date) + QStringLiteral(", diaryweek=") + quoted(week) + QStringLiteral(", diaryweather=") +
           quoted(entryText(weather)) + QStringLiteral(", diarytext=") + quoted(entryText(text)) +
           QStringLiteral(" where ") + condition;
}

} // namespace sql
