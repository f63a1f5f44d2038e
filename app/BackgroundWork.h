#pragma once

// The program's work on threads of its own: the backup after a sign-in and the index builds. One object owns
// all of it: the application object in the program (a test program makes its own). While it lives it is the
// one current() returns; the work is started, stopped and waited for here, and every thread is joined when it
// ends, before the connections and the key store go away at the end of the program. No thread is ever let go.

#include "db/Backup.h"
#include "db/IndexBuilder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <thread>

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

    // Stops everything: the backup (waiting about a second) and the index builds (rolled back).
    void stopAll();

private:
    struct Job;
    void joinBackup();

    dao::IndexBuilds m_indexes;
    std::unique_ptr<Job> m_job;
    std::thread m_thread;
};

} // namespace app
