#include "db/LongTextReader.h"

#include "db/Connection.h"
#include "db/DaoInternal.h"
#include "db/Snapshot.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>

namespace dao {

namespace {
// How many records a reader finishes between two signals to the walker.
constexpr qsizetype kSignalEvery = 32;
constexpr int kMaxThreads = 8;
} // namespace

LongTextReader::LongTextReader(Recordset* records, int field, std::function<bool(const QVariant&)> test, int threads)
    : m_test(std::move(test)) {
    start(records, field, threads);
}

void LongTextReader::start(Recordset* records, int field, int threads) {
    auto* snapshot = dynamic_cast<Snapshot*>(records);
    if (!snapshot || !snapshot->connection() || threads < 2 || snapshot->size() < kMinimumRecords)
        return;
    m_query = snapshot->longTextQueryOf(field);
    if (m_query.isEmpty())
        return;
    m_path = snapshot->connection()->path();
    m_connect = snapshot->connection()->connect().toUtf8();
    const qsizetype count = snapshot->size();
    m_rowids.resize(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        m_rowids[std::size_t(i)] = snapshot->rowidAt(i);
    m_outcomes = std::make_unique<std::atomic<Outcome>[]>(std::size_t(count));
    for (qsizetype row = 0; row < count; ++row)
        m_outcomes[std::size_t(row)].store(Outcome::Pending, std::memory_order_relaxed);
    m_values.resize(std::size_t(count));

    threads = std::min(threads, kMaxThreads);
    try {
        for (int part = 0; part < threads; ++part) {
            const qsizetype from = count * part / threads;
            const qsizetype to = count * (part + 1) / threads;
            m_threads.emplace_back([this, from, to] { read(from, to); });
        }
    } catch (...) {
        // Fewer threads than asked for: the rows of the parts without one are read through the record set.
        const qsizetype covered = m_threads.empty() ? 0 : count * qsizetype(m_threads.size()) / threads;
        for (qsizetype row = covered; row < count; ++row)
            m_outcomes[std::size_t(row)].store(Outcome::Unavailable, std::memory_order_release);
    }
}

LongTextReader::~LongTextReader() {
    m_stop = true;
    for (std::thread& thread : m_threads)
        thread.join();
}

void LongTextReader::read(qsizetype from, qsizetype to) {
    auto finish = [this](qsizetype row, Outcome outcome) {
        m_outcomes[std::size_t(row)].store(outcome, std::memory_order_release);
    };
    auto signal = [this] {
        std::lock_guard lock(m_mutex);
        m_progress.notify_all();
    };
    qsizetype row = from;
    try {
        // A connection of this thread's own, opened as the snapshot's was (with the key derived already).
        const std::shared_ptr<Database> database = OpenDatabase(m_path, false, true, QString::fromUtf8(m_connect));
        Connection& connection = *connectionOf(*database);
        StatementHandle statement = connection.prepare(m_query);
        // One read transaction for the whole part: every lookup then skips taking and dropping the file's
        // lock and checking whether the file changed, which costs as much as reading a short body.
        connection.exec("BEGIN");
        for (; row < to && !m_stop; ++row) {
            int rc = sqlite3_bind_int64(statement.get(), 1, m_rowids[std::size_t(row)]);
            if (rc == SQLITE_OK)
                rc = sqlite3_step(statement.get());
            if (rc == SQLITE_ROW) {
                QVariant value = Snapshot::columnValue(statement.get(), 0);
                if (m_test(value)) {
                    m_values[std::size_t(row)] = std::move(value);
                    finish(row, Outcome::Accepted);
                } else {
                    finish(row, Outcome::Refused);
                }
            } else {
                finish(row, Outcome::Failed);
            }
            sqlite3_reset(statement.get());
            if ((row - from) % kSignalEvery == kSignalEvery - 1)
                signal();
        }
        statement.reset();
        sqlite3_exec(connection.handle(), "COMMIT", nullptr, nullptr, nullptr);
    } catch (...) {
        // No connection (or no memory): the rest of this part is read through the record set.
        for (; row < to; ++row)
            finish(row, Outcome::Unavailable);
    }
    signal();
}

LongTextReader::Outcome LongTextReader::outcome(qsizetype row, int waitMs, QVariant* value) {
    if (!active())
        return Outcome::Unavailable;
    if (row < 0 || row >= qsizetype(m_rowids.size()))
        return Outcome::Unavailable;
    std::atomic<Outcome>& slot = m_outcomes[std::size_t(row)];
    Outcome result = slot.load(std::memory_order_acquire);
    if (result == Outcome::Pending) {
        std::unique_lock lock(m_mutex);
        m_progress.wait_for(lock, std::chrono::milliseconds(waitMs),
                            [&] { return (result = slot.load(std::memory_order_acquire)) != Outcome::Pending; });
    }
    if (result == Outcome::Accepted && value) {
        *value = std::move(m_values[std::size_t(row)]);
        m_values[std::size_t(row)] = QVariant();
    }
    return result;
}

} // namespace dao
