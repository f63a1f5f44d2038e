#pragma once

// The open SQLite (SQLCipher) connection behind a dao::Database and the snapshots it opened: owns the
// handle, the table descriptions read from the file and the statements worth keeping prepared.

#include "db/DaoError.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dao {

struct SqliteCloser {
    void operator()(sqlite3* handle) const noexcept;
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class Connection;

// A kept statement lent out for one use. While lent it belongs to the borrower alone; when the lease ends
// the statement is reset (so no read or write lock outlives the work it was taken for), its bound values
// are dropped and it goes back to the connection's cache.
class StatementLease {
public:
    StatementLease(Connection* owner, QByteArray sql, StatementHandle statement) noexcept
        : m_owner(owner), m_sql(std::move(sql)), m_statement(std::move(statement)) {}
    ~StatementLease();
    StatementLease(const StatementLease&) = delete;
    StatementLease& operator=(const StatementLease&) = delete;

    sqlite3_stmt* get() const noexcept { return m_statement.get(); }

private:
    Connection* m_owner;
    QByteArray m_sql;
    StatementHandle m_statement;
};

struct ColumnInfo {
    QString name;
    bool numeric = false;      // INTEGER, REAL or NUMERIC affinity: compared as numbers
    bool longText = false;     // declared LONGTEXT (a memo field): left out of scans, read on demand
    bool textAffinity = false; // TEXT affinity: every number stored is kept as its text
};

struct TableInfo {
    QString name; // as the file spells it
    std::vector<ColumnInfo> columns;

    // The column's position, compared ignoring case; -1 when the table has no such column.
    int columnIndex(const QString& column) const;
};

// Identifier quoted for SQLite ("name" with inner quotes doubled).
QByteArray quotedIdentifier(const QString& name);

class Connection {
public:
    Connection(SqliteHandle handle, QString path, bool readOnly);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const noexcept { return m_handle.get(); }
    const QString& path() const noexcept { return m_path; }
    bool readOnly() const noexcept { return m_readOnly; }
    // The connect text another connection to the same file opens with (its password), kept in memory only.
    const QString& connect() const noexcept { return m_connect; }
    void setConnect(const QString& connect) { m_connect = connect; }

    // The table whose name matches ignoring case (user tables only); nullptr when there is none.
    const TableInfo* table(const QString& name);

    // A statement prepared once and kept while the connection lives (a fresh one when the kept one is lent
    // out already).
    StatementLease statement(const QByteArray& sql);
    StatementHandle prepare(const QByteArray& sql);

    // True when the file opened is no longer the one at path (moved, deleted or replaced).
    bool fileMoved() const;

    // Runs statements that return nothing of interest; raises the mapped error on failure.
    void exec(const char* sql);

    // The DaoError for a failed SQLite call on this connection.
    DaoError error(int resultCode) const;

    // Registers the SQL functions generated statements rely on. Every connection needs them.
    static void registerFunctions(sqlite3* handle);

private:
    friend class StatementLease;
    void giveBack(QByteArray sql, StatementHandle statement) noexcept;

    SqliteHandle m_handle;
    QString m_path;
    bool m_readOnly;
    QString m_connect;
    std::map<QString, std::unique_ptr<TableInfo>> m_tables; // key: case-folded name
    std::map<QByteArray, StatementHandle> m_statements;
};

// Maps an SQLite result code (with the connection's message) to the DAO error the program expects.
DaoError sqliteError(int resultCode, sqlite3* handle, const QString& path);
// 3078 for a table the statement names that the file does not hold.
DaoError tableNotFoundError(const QString& name);

// Name of the case-insensitive comparison function: qjl_textcmp(a, b) is <0, 0 or >0, or NULL when either
// side is NULL. Letter case is ignored for every cased letter, not only ASCII.
inline constexpr const char* kTextCompareFunction = "qjl_textcmp";

// The comparison qjl_textcmp performs, for callers outside SQL.
int compareTextIgnoringCase(const char* a, int aBytes, const char* b, int bBytes);

// Every text (UTF-8) that qjl_textcmp finds equal to text, written so that the engine's ASCII-only NOCASE
// collation finds each of them: letters other than ASCII ones that fold alike (é and É, ſ and s, the Kelvin
// sign and k) are spelled out. An index declared COLLATE NOCASE can then narrow an equality to these
// candidates. Empty when there would be more than limit of them, or the text is not valid.
std::vector<QByteArray> caseVariants(const QString& text, std::size_t limit);

} // namespace dao
