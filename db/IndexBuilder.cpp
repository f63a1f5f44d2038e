#include "db/IndexBuilder.h"

#include "db/Connection.h"
#include "db/OpenKeyed.h"

#include <sqlite3.h>

#include <QFileInfo>

#include <atomic>

namespace dao {

// The tree and the search read every short field of one account's entries in id order; with the account
// name first and the id next, the index holds exactly those rows in that order. The account lookup at
// sign-in uses the name index.
const char* const kDiaryIndexes =
    "CREATE UNIQUE INDEX IF NOT EXISTS users_username_nocase ON users(username COLLATE NOCASE);"
    "CREATE INDEX IF NOT EXISTS diary_username_entries ON diary(username COLLATE NOCASE, id, diarytitle, "
    "diarydate, diaryweek, diaryweather);";

namespace {

bool indexesPresent(sqlite3* handle) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle,
                           "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                           "('users_username_nocase', 'diary_username_entries')",
                           -1, &raw, nullptr) != SQLITE_OK)
        return true; // unreadable: nothing to build
    StatementHandle statement(raw);
    return sqlite3_step(statement.get()) != SQLITE_ROW || sqlite3_column_int(statement.get(), 0) == 2;
}

// The object ensureDiaryIndexes() starts builds on.
std::atomic<IndexBuilds*> g_installed{nullptr};

} // namespace

IndexBuilds::IndexBuilds() {
    IndexBuilds* none = nullptr;
    g_installed.compare_exchange_strong(none, this);
}

IndexBuilds::~IndexBuilds() {
    stop();
    IndexBuilds* self = this;
    g_installed.compare_exchange_strong(self, nullptr);
}

void IndexBuilds::start(const QString& path, const QByteArray& password) {
    std::lock_guard lock(m_mutex);
    if (m_leaving || !m_started.insert(QFileInfo(path).absoluteFilePath()).second)
        return;
    try {
        m_threads.emplace_back([this, path, password] { build(path, password); });
    } catch (...) {
        // No thread: the queries scan, and the next run tries again.
    }
}

void IndexBuilds::stop() {
    {
        // An unfinished build is rolled back and tried again next run.
        std::lock_guard lock(m_mutex);
        m_leaving = true;
        for (sqlite3* handle : m_handles)
            sqlite3_interrupt(handle);
    }
    wait();
}

void IndexBuilds::wait() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_mutex);
        threads.swap(m_threads);
    }
    for (std::thread& thread : threads)
        thread.join();
}

// Each CREATE on its own, so a name index that duplicates refuse does not keep the entry index away.
void IndexBuilds::build(const QString& path, const QByteArray& password) {
    SqliteHandle handle;
    try {
        handle = openKeyed(path, OpenMode::ReadWrite, password);
    } catch (const DaoError&) {
        return; // not openable now: the queries scan, and the next run tries again
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_leaving)
            return;
        m_handles.insert(handle.get());
    }
    if (!indexesPresent(handle.get())) {
        const QByteArray statements(kDiaryIndexes);
        for (const QByteArray& statement : statements.split(';')) {
            if (!statement.trimmed().isEmpty())
                sqlite3_exec(handle.get(), statement.constData(), nullptr, nullptr, nullptr);
        }
    }
    std::lock_guard lock(m_mutex);
    m_handles.erase(handle.get());
}

void ensureDiaryIndexes(const QString& path, const QByteArray& password) {
    if (IndexBuilds* builds = g_installed.load())
        builds->start(path, password);
}

} // namespace dao
