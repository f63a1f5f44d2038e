#include "db/IndexBuilder.h"

#include "db/Connection.h"
#include "db/KeyCache.h"
#include "db/PortableFile.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace dao {

// The tree and the search read every short field of one account's entries in id order; with the account
// name first and the id next, the index holds exactly those rows in that order. The account lookup at
// sign-in uses the name index.
const char* const kDiaryIndexes =
    "CREATE UNIQUE INDEX IF NOT EXISTS users_username_nocase ON users(username COLLATE NOCASE);"
    "CREATE INDEX IF NOT EXISTS diary_username_entries ON diary(username COLLATE NOCASE, id, diarytitle, "
    "diarydate, diaryweek, diaryweather);";

namespace {

constexpr int kBusyTimeoutMs = 15000;

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

class Builders {
public:
    ~Builders() {
        {
            // Leaving the program: an unfinished build is rolled back and tried again next run.
            std::lock_guard lock(m_mutex);
            m_leaving = true;
            for (sqlite3* handle : m_handles)
                sqlite3_interrupt(handle);
        }
        wait();
    }

    void start(const QString& path, const QByteArray& password) {
        std::lock_guard lock(m_mutex);
        if (m_leaving || !m_started.insert(QFileInfo(path).absoluteFilePath()).second)
            return;
        try {
            m_threads.emplace_back([this, path, password] { build(path, password); });
        } catch (...) {
            // No thread: the queries scan, and the next run tries again.
        }
    }

    void wait() {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(m_mutex);
            threads.swap(m_threads);
        }
        for (std::thread& thread : threads)
            thread.join();
    }

private:
    // Each CREATE on its own, so a name index that duplicates refuse does not keep the entry index away.
    void build(const QString& path, const QByteArray& password) {
        sqlite3* raw = nullptr;
        const QByteArray nativePath = files::sqliteFileName(QFileInfo(path).absoluteFilePath());
        const int rc = sqlite3_open_v2(nativePath.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        SqliteHandle handle(raw);
        if (rc != SQLITE_OK || keys::applyKey(handle.get(), password, keys::saltOf(path)) != SQLITE_OK)
            return;
        {
            std::lock_guard lock(m_mutex);
            if (m_leaving)
                return;
            m_handles.insert(handle.get());
        }
        sqlite3_exec(handle.get(), "PRAGMA cipher_compatibility = 3", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(handle.get(), kBusyTimeoutMs);
        if (sqlite3_exec(handle.get(), "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL", nullptr, nullptr,
                         nullptr) == SQLITE_OK &&
            !indexesPresent(handle.get())) {
            const QByteArray statements(kDiaryIndexes);
            for (const QByteArray& statement : statements.split(';')) {
                if (!statement.trimmed().isEmpty())
                    sqlite3_exec(handle.get(), statement.constData(), nullptr, nullptr, nullptr);
            }
        }
        std::lock_guard lock(m_mutex);
        m_handles.erase(handle.get());
    }

    std::mutex m_mutex;
    std::set<QString> m_started;
    std::set<sqlite3*> m_handles;
    std::vector<std::thread> m_threads;
    bool m_leaving = false;
};

Builders& builders() {
    static Builders instance;
    return instance;
}

} // namespace

void ensureDiaryIndexes(const QString& path, const QByteArray& password) {
    builders().start(path, password);
}

void waitForIndexBuilds() {
    builders().wait();
}

} // namespace dao
