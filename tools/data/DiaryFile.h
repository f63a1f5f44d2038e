#pragma once

// The data tool's way into data.mdb: passwords checked and accounts created by the program's store, an
// account's entries streamed in id order, and entries and accounts added inside one transaction that the
// caller commits or abandons. Every failure is thrown as dao::DaoError.

#include "tools/data/Entry.h"

#include "app/DiaryStore.h"
#include "db/Dao.h"

#include <QByteArray>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace dao {
class Connection;
}

namespace datatool {

// An entry's stored fields as UTF-8 bytes, read or written without turning them into QStrings; a null view
// (data() == nullptr) where the field has no value, an empty one for an empty text.
struct Row {
    qint64 id = 0;
    QByteArrayView title, date, weekday, weather, body;
};

// An entry's fields as UTF-8, held for as long as row (which views them) is used.
struct EntryBytes {
    explicit EntryBytes(const Entry& entry);
    QByteArray title, date, weekday, weather, body;
    Row row;
};

class DiaryFile {
public:
    explicit DiaryFile(const QString& path);
    ~DiaryFile();
    DiaryFile(const DiaryFile&) = delete;
    DiaryFile& operator=(const DiaryFile&) = delete;

    QString path() const { return m_database->path(); }

    // The login window's check of a typed name and password; the stored name when accepted.
    app::DiaryStore::SignIn checkPassword(const QString& name, const QString& password) {
        return m_store.checkPassword(name, password);
    }

    qint64 entryCount(const QString& owner);
    // Every entry of the owner (letter case ignored, as the diary tree does) in id order, one at a time;
    // each returns false to stop early. Unlike the tree's walk, an entry that cannot be read is not passed
    // over: the failure is raised, so an export is whole or fails.
    void forEachEntry(const QString& owner, const std::function<bool(const Entry&)>& each);
    // The same walk, each row's bytes as the engine holds them (valid until each returns).
    void forEachRow(const QString& owner, const std::function<bool(const Row&)>& each);
    // The same walk reading only the id and the date text of each entry.
    void forEachDate(const QString& owner, const std::function<void(qint64 id, QByteArrayView date)>& each);
    // The entry with that id (thrown as an error when there is none).
    Entry entry(qint64 id);

    // What makes two entries of one account the same for an import: date, title and body.
    static QByteArray sameEntryKey(const Row& row);
    QSet<QByteArray> sameEntryKeys(const QString& owner);

    // A write transaction: begin() takes the file's write lock; nothing written after it is kept unless
    // commit() is called. The destructor abandons an open one.
    void begin();
    void commit();
    void rollback();
    // Inside the transaction: a new account (the password stored as a hash, by the store), a new entry of
    // owner with the entry's fields as given. The values are bound, not written into a statement text, so a
    // field without a value stays without one and a lossless copy stays lossless.
    void createAccount(const QString& name, const QString& password);
    void addEntry(const QString& owner, const Row& row);

private:
    struct Statement;
    std::unique_ptr<Statement> m_insert; // prepared once, reused for every entry added
    std::shared_ptr<dao::Database> m_database;
    std::shared_ptr<dao::Connection> m_connection;
    app::DiaryStore m_store;
    bool m_inTransaction = false;
};

} // namespace datatool
