#pragma once

// What the reliability tests share: entries whose contents follow from their number, the worker (another
// copy of the program) that saves them, and the check of a diary file against what the workers reported.

#include "support/Windows.h"

#include "app/SqlText.h"
#include "platform/DateLocale.h"
#include "platform/MessageBox.h"
#include "ui/login/FormLogin.h"
#include "update/Updater.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <map>
#include <set>
#include <vector>

namespace reliability {

using platform::forms;
using platform::MessageBox;

// How many times a test repeats its work: a third under AddressSanitizer, where every key derivation is slow.
inline int repetitions(int plain) {
#if defined(__SANITIZE_ADDRESS__)
    return std::max(2, plain / 3);
#else
    return plain;
#endif
}

// Entry `number` of a series in its version `revision`: the title "第n篇（series）", a weather with an
// apostrophe now and then, a body of Chinese, ASCII, an apostrophe, emoji and a character beyond the basic
// plane in CR LF lines, every eighth over a hundred kilobytes so that a save writes many pages.
inline QStringList entry(const QString& series, int number, int revision) {
    static const QStringList weathers{"晴朗", "大雨", "小雪", "雨'夹雪"};
    static const QString line = QStringLiteral("今天天气很好，It's fine. 😀𠀀 100% _x_ [y] \"引号\" --;\r\n");
    const int lines = (number + revision) % 8 == 0 ? 3000 : 1 + (number * 7 + revision) % 60;
    return {QStringLiteral("第%1篇（%2）").arg(number).arg(series), weathers[(number + revision) % 4],
            QStringLiteral("第%1篇第%2版（%3）：").arg(number).arg(revision).arg(series) + line.repeated(lines)};
}
// The number in a title of the form above; 0 for another title.
inline int entryNumber(const QString& title) {
    return title.section(QStringLiteral("篇"), 0, 0).mid(1).toInt();
}
// Whether a stored diary record (fields as testsupport::storedRows gives them) is version `revision` of its
// entry, saved on the test day.
inline bool holdsVersion(const QStringList& row, int number, int revision) {
    const QDate day(2009, 9, 8);
    const QStringList fields = entry(row[1], number, revision);
    return row.mid(2) == QStringList{fields[0], platform::DateLocale::shortDate(day),
                                     platform::DateLocale::weekdayName(day), sql::entryText(fields[1]),
                                     sql::entryText(fields[2])};
}

// Entry number -> the version last saved (0: the new entry).
using Versions = std::map<int, int>;

// qjl_diary_worker, started with the arguments; a running worker is killed (SIGKILL, as a power cut or the
// task manager would) when this goes.
class Worker : public QProcess {
public:
    explicit Worker(const QStringList& arguments) { start(QStringLiteral(QJL_DIARY_WORKER), arguments); }
    ~Worker() override { killNow(); }
    void killNow() {
        kill();
        waitForFinished(10000);
    }
    // Signed in ("ready"), the save worker starts saving on this.
    void go() {
        write("go\n");
        waitForBytesWritten(10000);
    }
    // Waits until the worker printed the line; false when it ended or the time ran out first.
    bool waitForLine(const QByteArray& line, int timeoutMs = 60000) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!('\n' + (m_output += readAllStandardOutput())).contains('\n' + line + '\n')) {
            if (state() == QProcess::NotRunning || deadline.hasExpired())
                return false;
            waitForReadyRead(200);
        }
        return true;
    }
    // Adds the saves reported in complete lines (a line cut off by a kill was never reported) to `into` and
    // returns how many there were; the "failed" lines, as the user was shown them, go to failures.
    int collect(Versions& into) {
        m_output += readAllStandardOutput();
        int saves = 0;
        for (const QByteArray& raw : m_output.left(m_output.lastIndexOf('\n') + 1).split('\n')) {
            const QList<QByteArray> words = raw.split(' ');
            if (words.size() == 3 && words[0] == "saved") {
                into[words[1].toInt()] = words[2].toInt();
                ++saves;
            } else if (words[0] == "failed")
                failures << QString::fromUtf8(raw);
        }
        return saves;
    }

    QStringList failures;

private:
    QByteArray m_output;
};

// The diary file against what the workers of the series saved (saved[i] for series[i]): the file is sound,
// every record is an entry of theirs, each once and exactly as last saved. With unreported given, an entry
// may be one save ahead of its report (a save the kill cut short after it was done); such entries are then
// counted in saved. Returns what is wrong, empty when all is well.
inline QString verifyDiary(const QString& path, const QStringList& series, std::vector<Versions>& saved,
                           int* unreported = nullptr) {
    const QStringList integrity = testsupport::rawSql(path, QStringLiteral("PRAGMA integrity_check"));
    if (integrity != QStringList{QStringLiteral("ok")})
        return QStringLiteral("integrity check: ") + integrity.join(QLatin1Char('\n'));
    std::vector<std::set<int>> seen(series.size());
    for (const QStringList& row : testsupport::storedRows(*dao::OpenDiaryDatabase(), QStringLiteral("diary"))) {
        const int owner = int(series.indexOf(row[1]));
        const int number = owner < 0 ? 0 : entryNumber(row[2]);
        if (number == 0 || !seen[owner].insert(number).second)
            return QStringLiteral("a record nobody saved, or twice: ") + row.join(QLatin1Char('|')).left(80);
        const int next = saved[owner].count(number) ? saved[owner][number] + 1 : 0;
        if (next > 0 && holdsVersion(row, number, next - 1))
            continue;
        if (!unreported || !holdsVersion(row, number, next))
            return row[2] + QStringLiteral(" is not as saved");
        saved[owner][number] = next;
        ++*unreported;
    }
    for (std::size_t owner = 0; owner < saved.size(); ++owner)
        for (const auto& [number, revision] : saved[owner])
            if (!seen[owner].count(number))
                return entry(series[int(owner)], number, 0)[0] + QStringLiteral(" lost");
    return QString();
}

// Every file and folder under the folder, with a hash of its contents, to prove nothing changed.
inline QStringList folderState(const QString& folder) {
    QStringList state;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        state << path + QLatin1Char(' ') +
                     QCryptographicHash::hash(testsupport::contentsOf(path), QCryptographicHash::Sha256).toHex();
    }
    state.sort();
    return state;
}

} // namespace reliability
