#pragma once

// Reads one long-text field of every record of a snapshot ahead of the one walking it, on threads of their
// own, each with its own connection to the file, in consecutive parts of the records. A test given by the
// caller runs on those threads as well, so only the records it accepts keep their value. The walker asks
// for the records in order and waits (a short while at a time, so it can keep painting) for those not read
// yet. Reading a body costs most of a search through the bodies; two cores share it this way.

#include <QVariant>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dao {

class Recordset;

class LongTextReader {
public:
    enum class Outcome : char { Pending, Accepted, Refused, Failed, Unavailable };

    // Starts reading field (a position of records' fields) when records is a snapshot, the field a long text
    // field and records many enough for threads to pay off; otherwise active() is false and nothing runs.
    // test must be safe to call from other threads.
    LongTextReader(Recordset* records, int field, std::function<bool(const QVariant&)> test,
                   int threads = int(std::thread::hardware_concurrency()));
    ~LongTextReader(); // stops the threads and waits for them
    LongTextReader(const LongTextReader&) = delete;
    LongTextReader& operator=(const LongTextReader&) = delete;

    bool active() const noexcept { return !m_threads.empty(); }

    // The outcome for the record at row (0-based, in the snapshot's order), waiting at most waitMs for it.
    // Accepted sets *value. Failed: the record could not be read (deleted meanwhile, an engine error).
    // Unavailable: this reader could not read it at all; read it through the record set instead.
    Outcome outcome(qsizetype row, int waitMs, QVariant* value);

    static constexpr qsizetype kMinimumRecords = 2000;

private:
    void start(Recordset* records, int field, int threads);
    void read(qsizetype from, qsizetype to);

    QString m_path;
    QByteArray m_connect;
    QByteArray m_query;
    std::vector<qint64> m_rowids;
    std::function<bool(const QVariant&)> m_test;
    std::unique_ptr<std::atomic<Outcome>[]> m_outcomes;
    std::vector<QVariant> m_values;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_progress;
    std::vector<std::thread> m_threads;
};

} // namespace dao
