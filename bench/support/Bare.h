#pragma once

// The baselines' whole toolkit: SQLCipher called directly, with nothing of ours in between. A baseline opens
// the file with its key, prepares its statement, steps and reads columns, as a hand-written program would.

#include <QByteArray>
#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace bare {

struct DbCloser {
    void operator()(sqlite3* db) const noexcept;
};
struct StatementCloser {
    void operator()(sqlite3_stmt* statement) const noexcept;
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

// A prepared statement; throws std::runtime_error on any failure (a baseline that fails is a broken run).
class Statement {
public:
    Statement(sqlite3* db, const char* sql);

    void bind(int index, const QByteArray& text); // copied by the engine
    void bind(int index, qint64 number);
    bool step(); // true for a row, false when done
    void reset();

    qint64 integer(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView utf8(int column) const;

    sqlite3_stmt* get() const { return m_statement.get(); }

private:
    sqlite3* m_db;
    std::unique_ptr<sqlite3_stmt, StatementCloser> m_statement;
};

// sqlite3_open_v2 + sqlite3_key. The key is derived when the first statement is prepared.
Db open(const QString& path);
// The same, with the key derived and the schema read already: a connection that has been in use.
Db openWarm(const QString& path);
// The fast way: the key derived from the password and the file's salt once per run, then every open with
// that raw key (no key stretching), and the schema read already.
Db openFast(const QString& path);
void exec(sqlite3* db, const char* sql);

} // namespace bare
