#include "app/AutoBackup.h"

#include "db/DaoError.h"
#include "db/DiaryDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace app {

namespace {

using dao::backup::Outcome;

// One backup under way. The thread shares it with the starter and uses nothing else of the program, so it
// may outlive the starter's wait safely.
struct Job {
    QString databasePath;
    dao::backup::Options options;
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    Outcome outcome;
};

// The copy gives way to the windows: the lowest CPU priority, and the lowest of the normal disk priorities
// (not the idle class, under which a sync could wait without end behind other work).
void giveWay() {
#ifdef Q_OS_LINUX
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, 19);
    constexpr int kBestEffortClass = 2, kClassShift = 13, kLowestLevel = 7, kWhoProcess = 1;
    ::syscall(SYS_ioprio_set, kWhoProcess, int(thread), (kBestEffortClass << kClassShift) | kLowestLevel);
#endif
}

void run(const std::shared_ptr<Job>& job) {
    giveWay();
    Outcome outcome;
    try {
        outcome = dao::backup::backUpIfDue(job->databasePath, QDateTime::currentDateTime(), job->cancel, job->options);
    } catch (const std::exception& error) {
        // Out of memory or the like: no backup this time; the next sign-in tries again.
        outcome.reason = QString::fromLocal8Bit(error.what());
    }
    const std::lock_guard lock(job->mutex);
    job->outcome = std::move(outcome);
    job->done = true;
    job->ended.notify_all();
}

class Runner {
public:
    ~Runner() { stop(); }

    bool enabled = true;
    dao::backup::Options options;

    bool busy() {
        if (!m_job)
            return false;
        const std::lock_guard lock(m_job->mutex);
        return !m_job->done;
    }

    void start(const QString& databasePath) {
        if (m_thread.joinable())
            m_thread.join(); // the previous one has ended: busy() said so
        auto job = std::make_shared<Job>();
        job->databasePath = databasePath;
        job->options = options;
        try {
            m_thread = std::thread(run, job);
            m_job = std::move(job);
        } catch (const std::system_error&) {
            // No thread to be had: no backup this time; the next sign-in tries again.
        }
    }

    bool stop() {
        if (!m_job)
            return true;
        m_job->cancel = true;
        if (!m_thread.joinable()) {
            const std::lock_guard lock(m_job->mutex);
            return m_job->done; // let go at an earlier stop: not waited for twice
        }
        bool ended;
        {
            std::unique_lock lock(m_job->mutex);
            ended = m_job->ended.wait_for(lock, std::chrono::seconds(1), [this] { return m_job->done; });
        }
        // A thread still inside a call that cannot be interrupted (a sync to a slow disk) is let go: it owns
        // what it uses, and its temporary file never carries a backup's name.
        if (ended)
            m_thread.join();
        else
            m_thread.detach();
        return ended;
    }

    Outcome wait() {
        if (!m_job)
            return {Outcome::Kind::Failed, QString(), QStringLiteral("no backup was started")};
        std::unique_lock lock(m_job->mutex);
        m_job->ended.wait(lock, [this] { return m_job->done; });
        return m_job->outcome;
    }

private:
    std::shared_ptr<Job> m_job;
    std::thread m_thread;
};

Runner& runner() {
    static Runner instance;
    return instance;
}

} // namespace

void backUpAfterSignIn() {
    Runner& backups = runner();
    if (!backups.enabled || backups.busy())
        return;
    static bool stopsOnQuit = false;
    if (!stopsOnQuit && QCoreApplication::instance()) {
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { stopBackup(); });
        stopsOnQuit = true;
    }
    // The path is taken here, on the thread that owns the program's state; the job keeps its own copy.
    backups.start(dao::diaryDatabasePath());
}

bool stopBackup() {
    return runner().stop();
}

QString restoreHint(int errorNumber) {
    // A file held by another program is not damaged: restoring would be the wrong advice.
    if (errorNumber == dao::errLocked || errorNumber == dao::errCannotOpen)
        return QString();
    const QString newest = dao::backup::newestBackup(dao::backup::backupFolderOf(dao::diaryDatabasePath()));
    if (newest.isEmpty())
        return QString();
    const QString relative =
        QLatin1String(dao::backup::kBackupFolderName) + QLatin1Char('/') + QFileInfo(newest).fileName();
    return QStringLiteral("\n\n最新的备份：%1\n恢复方法：先关闭本程序，再在程序文件夹里运行\nmkdiarydb --restore %1")
        .arg(relative);
}

void setAutoBackupForTests(bool enabled, const dao::backup::Options& options) {
    runner().enabled = enabled;
    runner().options = options;
}

Outcome waitForBackupForTests() {
    return runner().wait();
}

} // namespace app
