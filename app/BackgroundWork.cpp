#include "app/BackgroundWork.h"

#include <QCoreApplication>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace app {

namespace {

using dao::backup::Outcome;

std::atomic<BackgroundWork*> g_current{nullptr};

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

} // namespace

// One backup under way: what it was given, and how it ended.
struct BackgroundWork::Job {
    QString databasePath;
    QDateTime now;
    dao::backup::Options options;
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    Outcome outcome;

    void run() {
        giveWay();
        Outcome result;
        try {
            result = dao::backup::backUpIfDue(databasePath, now, cancel, options);
        } catch (const std::exception& error) {
            // Out of memory or the like: no backup this time; the next sign-in tries again.
            result.reason = QString::fromLocal8Bit(error.what());
        }
        const std::lock_guard lock(mutex);
        outcome = std::move(result);
        done = true;
        ended.notify_all();
    }
};

BackgroundWork::BackgroundWork(QObject* parent) : QObject(parent) {
    BackgroundWork* none = nullptr;
    g_current.compare_exchange_strong(none, this);
    // Quitting stops the work at once; the threads are joined when the owner ends.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &BackgroundWork::stopAll);
}

BackgroundWork::~BackgroundWork() {
    BackgroundWork* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    if (m_job)
        m_job->cancel = true;
    joinBackup();
    m_indexes.stop();
}

BackgroundWork* BackgroundWork::current() {
    return g_current.load();
}

void BackgroundWork::joinBackup() {
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundWork::startBackup(const QString& databasePath, const QDateTime& now) {
    if (!backupsEnabled)
        return;
    if (m_job) {
        const std::lock_guard lock(m_job->mutex);
        if (!m_job->done)
            return;
    }
    joinBackup(); // the previous one has ended
    auto job = std::make_unique<Job>();
    job->databasePath = databasePath;
    job->now = now;
    job->options = backupOptions;
    try {
        m_thread = std::thread(&Job::run, job.get());
        m_job = std::move(job);
    } catch (const std::system_error&) {
        // No thread to be had: no backup this time; the next sign-in tries again.
    }
}

bool BackgroundWork::stopBackup(std::chrono::milliseconds wait) {
    if (!m_job)
        return true;
    m_job->cancel = true;
    bool ended;
    {
        std::unique_lock lock(m_job->mutex);
        ended = m_job->ended.wait_for(lock, wait, [this] { return m_job->done; });
    }
    // One still inside a call that cannot be interrupted (a sync to a slow disk) is joined later; its
    // temporary file never carries a backup's name.
    if (ended)
        joinBackup();
    return ended;
}

Outcome BackgroundWork::waitForBackup() {
    if (!m_job)
        return {Outcome::Kind::Failed, QString(), QStringLiteral("no backup was started")};
    {
        std::unique_lock lock(m_job->mutex);
        m_job->ended.wait(lock, [this] { return m_job->done; });
    }
    joinBackup();
    return m_job->outcome;
}

void BackgroundWork::stopAll() {
    stopBackup(std::chrono::seconds(1));
    m_indexes.stop();
}

} // namespace app
