#pragma once

// qingjianlu-data's commands, run on a given argument list with the outside world handed in, so that a
// test runs every command in-process: what is printed, how the password is read, the clock.
//
// Exit codes: 0 done, 1 failed (nothing written), 2 bad usage, 3 unknown account or wrong password.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace datatool {

enum ExitCode { kDone = 0, kFailed = 1, kBadUsage = 2, kNotSignedIn = 3 };

struct Io {
    std::function<void(const QString&)> out; // a whole line, without its line break
    std::function<void(const QString&)> err; // the same on standard error
    // Writes text on standard error as it stands (progress that overwrites itself).
    std::function<void(const QString&)> errRaw;
    // The password: the first line of standard input (fromStdin), else typed at the terminal without echo;
    // nothing when it cannot be read.
    std::function<std::optional<QString>(bool fromStdin)> readPassword;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};

extern const char* const kUsage;

int run(const QStringList& arguments, Io& io);

// The backup a sign-in makes, made now whatever the age of the newest one (and the oldest beyond those kept
// removed); false with a message when it could not be made. madePath, when given, gets the new backup's path.
bool backUp(const QString& databasePath, const QDateTime& now, QString* problem, QString* madePath = nullptr);

// Progress on standard error for work that takes longer than about a second: "done of total", rewritten in
// place, at most twice a second; nothing at all with quiet or for quick work.
class Progress {
public:
    Progress(Io& io, QString what, qint64 total, bool quiet);
    ~Progress();
    void step(qint64 done);
    // Ends the progress line, if one was shown, before the result is printed.
    void finish();

private:
    Io& m_io;
    QString m_what;
    qint64 m_total;
    bool m_quiet;
    qint64 m_started;
    qint64 m_lastShown = -1;
};

} // namespace datatool
