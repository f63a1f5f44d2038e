#pragma once

// What the reliability tests share: entries whose contents follow from their number, the worker (another
// copy of the program) that saves them, and the check of a diary file against what the workers reported.

#include <QProcess>
#include <QStringList>

#include <map>
#include <vector>

namespace reliability {

// How many times a test repeats its work: a third under AddressSanitizer, where every key derivation is slow.
inline int repetitions(int plain) {
#if defined(__SANITIZE_ADDRESS__)
    return std::max(2, plain / 3);
#else
    return plain;
#endif
}

// Entry `number` of a series in its version `revision`: "第n篇（series）", a weather with an apostrophe now
// and then, a body of Chinese, ASCII, an apostrophe, emoji and a character beyond the basic plane in CR LF
// lines, every eighth over a hundred kilobytes so that a save writes many pages.
QString entryTitle(const QString& series, int number);
QString entryWeather(int number, int revision);
QString entryBody(const QString& series, int number, int revision);
// The number in a title of the series; 0 for a title of another series or not of this form.
int entryNumber(const QString& series, const QString& title);
// Whether a stored diary record (fields as testsupport::storedRows gives them) is version `revision` of
// its entry, saved on the test day.
bool holdsVersion(const QStringList& row, int number, int revision);

// Entry number -> the version last saved (0: the new entry).
using Versions = std::map<int, int>;

// qjl_diary_worker, started with the arguments; a running worker is killed when this goes.
class Worker {
public:
    explicit Worker(const QStringList& arguments);
    ~Worker();
    // Ends the worker at once with SIGKILL, as a power cut or the task manager would.
    void killNow();
    QString errors() { return QString::fromLocal8Bit(process.readAllStandardError()); }
    // Waits until the worker printed the line; false when it ended or the time ran out first.
    bool waitForLine(const QByteArray& line, int timeoutMs = 60000);
    // The saves reported in complete lines; the "failed" lines, as the user was shown them, go to failures.
    Versions saved(QStringList* failures, int* saves = nullptr);
    QProcess process;

private:
    QByteArray m_output;
};

// The diary file against what the workers of the series saved (saved[i] for series[i]): the file is sound,
// every record is an entry of theirs, each once and exactly as last saved. With unreported given, an entry
// may be one save ahead of its report (a save the kill cut short after it was done); such entries are then
// counted in saved. Returns what is wrong, empty when all is well.
QString verifyDiary(const QString& path, const QStringList& series, std::vector<Versions>& saved,
                    int* unreported = nullptr);

} // namespace reliability
