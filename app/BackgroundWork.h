#pragma once

// The program's work on threads of its own: the backup after a sign-in, the index builds and the banner's
// character count. One object owns
// all of it: the application object in the program (a test program makes its own). While it lives it is the
// one current() returns; the work is started, stopped and waited for here, and every thread is joined when it
// ends, before the connections and the key store go away at the end of the program. No thread is ever let go.

#include "db/Backup.h"
#include "db/IndexBuilder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace app {

class BackgroundWork : public QObject {
public:
    explicit BackgroundWork(QObject* parent = nullptr);
    ~BackgroundWork() override;

    // The object that lives now (the first made of those alive), or nullptr.
    static BackgroundWork* current();

    // Off: startBackup() does nothing (test programs turn backups on where they are about them).
    bool backupsEnabled = true;
    dao::backup::Options backupOptions;

    // Starts a backup of the database file as a sign-in does, judged against now. Returns at once; while one
    // is under way another call does nothing.
    void startBackup(const QString& databasePath, const QDateTime& now);
    // Asks the backup under way to stop and waits for it at most `wait`; true when it has ended (and is
    // joined). One that has not ended yet is joined by the next start or at the end.
    bool stopBackup(std::chrono::milliseconds wait);
    // Waits until the backup under way has ended and says how; Failed when none was started.
    dao::backup::Outcome waitForBackup();

    // A count that reads the whole diary (the banner's character total): work runs on a thread of its own at
    // the lowest priority and gives up (nothing) once stop becomes true. done runs later on this object's
    // thread with the result, at most once, and only while this is the latest count and it was not stopped: a
    // count started since, or a stop, drops an earlier count's result. A count that fails (nothing, or an
    // exception) hands nothing over. Returns at once.
    using Counting = std::function<std::optional<qint64>(const std::atomic<bool>& stop)>;
    void startCount(Counting work, std::function<void(qint64)> done);
    // Stops the count under way without waiting for it; its result, should it still come, is dropped.
    void stopCount();

    // The user is waiting for a window (a sign-in until the main window shows): the backup pauses between its
    // steps and a count waits to begin until released (a few seconds at most in all), so that they do not
    // slow that window down. Holds nest; each is released once. holdUntilIdle() releases by itself when the
    // event loop next runs, once the work at hand and the windows' painting are done.
    void hold() { ++m_holds; }
    void release() { --m_holds; }
    void holdUntilIdle();

    // Stops everything: the backup (waiting about a second), the index builds (rolled back) and the counts.
    void stopAll();

private:
    struct Job;
    struct Count;
    void joinBackup();
    // Joins the count threads that have ended, or all of them (stopping them first).
    void joinCounts(bool all);
    void countEnded(quint64 serial, qint64 total);

    dao::IndexBuilds m_indexes;
    std::atomic<int> m_holds{0};
    std::unique_ptr<Job> m_job;
    std::thread m_thread;
    std::vector<std::unique_ptr<Count>> m_counts;
    quint64 m_countSerial = 0;
    std::function<void(qint64)> m_countDone;
};

} // namespace app
