#include "Reliability.h"

#include "support/TestSupport.h"

#include "app/SqlText.h"
#include "platform/DateLocale.h"

#include <QDeadlineTimer>

#include <set>

namespace reliability {

QString entryTitle(const QString& series, int number) {
    return QStringLiteral("第%1篇（%2）").arg(number).arg(series);
}

QString entryWeather(int number, int revision) {
    static const QStringList words{"晴朗", "大雨", "小雪", "雨'夹雪"};
    return words[(number + revision) % words.size()];
}

QString entryBody(const QString& series, int number, int revision) {
    static const QString line = QStringLiteral("今天天气很好，It's fine. 😀𠀀 100% _x_ [y] \"引号\" --;\r\n");
    const int lines = (number + revision) % 8 == 0 ? 3000 : 1 + (number * 7 + revision) % 60;
    return QStringLiteral("第%1篇第%2版（%3）：").arg(number).arg(revision).arg(series) + line.repeated(lines);
}

int entryNumber(const QString& series, const QString& title) {
    const int number = title.mid(1, title.indexOf(QStringLiteral("篇")) - 1).toInt();
    return number > 0 && title == entryTitle(series, number) ? number : 0;
}

bool holdsVersion(const QStringList& row, int number, int revision) {
    const QDate day(2009, 9, 8);
    return row.mid(3) == QStringList{platform::DateLocale::shortDate(day), platform::DateLocale::weekdayName(day),
                                     sql::entryText(entryWeather(number, revision)),
                                     sql::entryText(entryBody(row[1], number, revision))};
}

Worker::Worker(const QStringList& arguments) {
    process.start(QStringLiteral(QJL_DIARY_WORKER), arguments);
}

Worker::~Worker() {
    killNow();
}

void Worker::killNow() {
    process.kill();
    process.waitForFinished(10000);
}

bool Worker::waitForLine(const QByteArray& line, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!('\n' + (m_output += process.readAllStandardOutput())).contains('\n' + line + '\n')) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
        process.waitForReadyRead(200);
    }
    return true;
}

Versions Worker::saved(QStringList* failures, int* saves) {
    m_output += process.readAllStandardOutput();
    Versions versions;
    // A line cut off by a kill was never reported.
    for (const QByteArray& raw : m_output.left(m_output.lastIndexOf('\n') + 1).split('\n')) {
        const QStringList words = QString::fromUtf8(raw).split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QLatin1String("saved")) {
            versions[words[1].toInt()] = words[2].toInt();
            if (saves)
                ++*saves;
        } else if (words[0] == QLatin1String("failed")) {
            *failures << QString::fromUtf8(raw);
        }
    }
    return versions;
}

QString verifyDiary(const QString& path, const QStringList& series, std::vector<Versions>& saved, int* unreported) {
    const QStringList integrity = testsupport::rawSql(path, QStringLiteral("PRAGMA integrity_check"));
    if (integrity != QStringList{QStringLiteral("ok")})
        return QStringLiteral("integrity check: ") + integrity.join(QLatin1Char('\n'));
    std::set<qint64> ids;
    std::vector<std::set<int>> seen(series.size());
    for (const QStringList& row : testsupport::storedRows(*dao::OpenDiaryDatabase(), QStringLiteral("diary"))) {
        const int owner = int(series.indexOf(row[1]));
        const int number = owner < 0 ? 0 : entryNumber(row[1], row[2]);
        if (number == 0)
            return QStringLiteral("a record nobody saved: ") + row.join(QLatin1Char('|')).left(80);
        if (!ids.insert(row[0].toLongLong()).second || !seen[owner].insert(number).second)
            return QStringLiteral("entry %1 twice").arg(row[2]);
        const auto holds = [&](int revision) { return holdsVersion(row, number, revision); };
        const auto found = saved[owner].find(number);
        const int next = found == saved[owner].end() ? 0 : found->second + 1;
        if (next > 0 && holds(next - 1))
            continue;
        if (!unreported || !holds(next))
            return QStringLiteral("%1 is not as saved (%2 characters of body)").arg(row[2]).arg(row[6].size());
        saved[owner][number] = next;
        ++*unreported;
    }
    for (std::size_t owner = 0; owner < saved.size(); ++owner)
        for (const auto& [number, revision] : saved[owner])
            if (!seen[owner].count(number))
                return QStringLiteral("%1 lost").arg(entryTitle(series[int(owner)], number));
    return QString();
}

} // namespace reliability
