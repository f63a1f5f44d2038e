#pragma once

// The indexes the program's queries rely on, added to a diary file made without them (by an older version
// or another client). Building them reads the whole table, so it runs on a thread of its own with its own
// connection while the windows go on working; until it is done, the same queries simply scan the table.

#include <QByteArray>
#include <QString>

#include <mutex>
#include <set>
#include <thread>
#include <vector>

struct sqlite3;

namespace dao {

// The statements that create the indexes when missing; part of every new diary file as well.
extern const char* const kDiaryIndexes;

// The index builds of one run and their threads. The program's owner of background work holds the one
// object; while it lives, ensureDiaryIndexes() starts builds on it. Ending it stops and joins every build.
class IndexBuilds {
public:
    IndexBuilds();
    ~IndexBuilds();
    IndexBuilds(const IndexBuilds&) = delete;
    IndexBuilds& operator=(const IndexBuilds&) = delete;

    // Starts adding the missing indexes to the file, once per file for the life of this object.
    void start(const QString& path, const QByteArray& password);
    // Interrupts the builds under way (rolled back, tried again next run), starts no more, joins them.
    void stop();
    // Waits until every build started so far has finished (or failed; a failed one is tried again next run).
    void wait();

private:
    void build(const QString& path, const QByteArray& password);

    std::mutex m_mutex;
    std::set<QString> m_started;
    std::set<sqlite3*> m_handles;
    std::vector<std::thread> m_threads;
    bool m_leaving = false;
};

// Starts adding the missing indexes to the file on the IndexBuilds object that lives now; without one the
// queries scan.
void ensureDiaryIndexes(const QString& path, const QByteArray& password);

} // namespace dao
