#include "app/BackgroundWork.h"

#include <QCoreApplication>
#include <QTimer>

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

// One count: its own thread, stopped through its flag (the work looks at it as it goes), ended once it has
// handed its total over or given up.
struct BackgroundWork::Count {
    static constexpr int kWaitStepMs = 5, kLongestWaitMs = 3000;
    quint64 serial = 0;
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    std::thread thread;

    void run(BackgroundWork* owner, const Counting& work) {
        giveWay();
        // Begins once the window the user waits for is shown (or after a few seconds).
        for (int waited = 0; owner->m_holds.load() > 0 && waited < kLongestWaitMs && !stop; waited += kWaitStepMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
        std::optional<qint64> total;
        try {
            if (!stop)
                total = work(stop);
        } catch (...) {
            // A file that cannot be read now, say: the caller goes on without the result.
        }
        // The owner outlives this thread (it joins it before it goes), so the result can be posted to it;
        // it decides there, on its own thread, whether the result is still wanted.
        if (total && !stop)
            QMetaObject::invokeMethod(
                owner, [owner, serial = serial, value = *total] { owner->countEnded(serial, value); },
                Qt::QueuedConnection);
        ended = true;
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
    joinCounts(true);
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
    job->options.pauseWhile = &m_holds;
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

void BackgroundWork::startCount(Counting work, std::function<void(qint64)> done) {
    stopCount();
    auto count = std::make_unique<Count>();
    count->serial = ++m_countSerial;
    try {
        count->thread = std::thread(&Count::run, count.get(), this, std::move(work));
    } catch (const std::system_error&) {
        return; // no thread to be had: the caller goes on without the result
    }
    m_countDone = std::move(done);
    m_counts.push_back(std::move(count));
}

void BackgroundWork::stopCount() {
    ++m_countSerial;
    m_countDone = nullptr;
    for (const auto& count : m_counts)
        count->stop = true;
    joinCounts(false);
}

void BackgroundWork::joinCounts(bool all) {
    for (auto it = m_counts.begin(); it != m_counts.end();) {
        Count& count = **it;
        if (all)
            count.stop = true;
        if (all || count.ended) {
            if (count.thread.joinable())
                count.thread.join();
            it = m_counts.erase(it);
        } else {
            ++it;
        }
    }
}

void BackgroundWork::countEnded(quint64 serial, qint64 total) {
    joinCounts(false);
    if (serial != m_countSerial || !m_countDone)
        return; // a count stopped or overtaken since
    // Handed over once; done may start another count.
    const std::function<void(qint64)> done = std::move(m_countDone);
    m_countDone = nullptr;
    done(total);
}

void BackgroundWork::holdUntilIdle() {
    hold();
    QTimer::singleShot(0, this, [this] { release(); });
}

void BackgroundWork::stopAll() {
    stopBackup(std::chrono::seconds(1));
    m_indexes.stop();
    stopCount();
    joinCounts(true);
}

} // namespace app
