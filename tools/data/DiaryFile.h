#pragma once

// The data tool's way into data.mdb: accounts looked up as the login window looks them up, an account's
// entries streamed in id order, and entries and accounts added inside one transaction that the caller
// commits or abandons. Every failure is thrown as dao::DaoError.

#include "tools/data/Entry.h"

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

class DiaryFile {
public:
    explicit DiaryFile(const QString& path);
    ~DiaryFile();
    DiaryFile(const DiaryFile&) = delete;
    DiaryFile& operator=(const DiaryFile&) = delete;

    QString path() const { return m_database->path(); }

    struct Account {
        QString name;                          // as stored
        std::optional<QString> storedPassword; // a hash, or the plain text of an older file
    };
    // The account the login window finds for the typed name (letter case ignored), if any.
    std::optional<Account> account(const QString& name);
    // True when the account exists and typed is its password, exactly as the login window decides.
    static bool signsIn(const Account& account, const QString& typed);

    qint64 entryCount(const QString& owner);
    // Every entry of the owner (letter case ignored, as the diary tree does) in id order, one at a time;
    // each returns false to stop early.
    void forEachEntry(const QString& owner, const std::function<bool(const Entry&)>& each);

    // What makes two entries of one account the same for an import: date, title and body.
    static QByteArray sameEntryKey(const Entry& entry);
    QSet<QByteArray> sameEntryKeys(const QString& owner);

    // A write transaction: begin() takes the file's write lock; nothing written after it is kept unless
    // commit() is called. The destructor abandons an open one.
    void begin();
    void commit();
    void rollback();
    // Inside the transaction: a new account (the password stored as a hash), a new entry of owner with the
    // entry's fields as given (a field without a value stays without one).
    void createAccount(const QString& name, const QString& password);
    void addEntry(const QString& owner, const Entry& entry);

private:
    std::shared_ptr<dao::Database> m_database;
    std::shared_ptr<dao::Connection> m_connection;
    bool m_inTransaction = false;
};

} // namespace datatool
