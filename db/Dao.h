#pragma once

// A DAO-shaped interface to the diary database: a connection that opens read-only snapshots and executes
// statements, written in the program's SQL dialect (the Jet engine's), over an encrypted SQLite file.
// Every failure is thrown as dao::DaoError.

#include "db/DaoError.h"

#include <QString>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>

namespace dao {

class Recordset;
class Connection;

enum RecordsetType { dbOpenSnapshot = 4 };

class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens a read-only snapshot of what the SELECT text finds, in the order the engine returns it.
    std::shared_ptr<Recordset> OpenRecordset(const QString& sql, RecordsetType type = dbOpenSnapshot);

    // Walks what the SELECT text finds straight from the file, one record at a time, keeping nothing: visit gets
    // the fields in the order of the select list (long texts included, values as Recordset::Fields gives them)
    // and returns false to end the walk. For reads too large to copy. When stop is given and becomes true the
    // walk ends at once, within the engine's work too, with no error; true when the walk was not stopped.
    bool ForEachRecord(const QString& sql, const std::function<bool(const QVariantList&)>& visit,
                       const std::atomic<bool>* stop = nullptr);

    // Runs an INSERT, UPDATE or DELETE. Durable when it returns (inside a transaction: once it is committed).
    // A statement that changes no record completes without error; one that fails changes nothing, and a
    // transaction around it stays open.
    void Execute(const QString& sql);

    // The number of records the last Execute changed.
    qint64 RecordsAffected() const;

    // A transaction around several Execute calls: all of them are stored by CommitTrans, none by Rollback.
    // It holds the file's write lock from BeginTrans on; one transaction at a time (3034 for a commit or
    // rollback without one). A database released with a transaction open rolls it back.
    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // True when the file this database was opened on is no longer at its path: moved away, deleted, or
    // replaced by another file since (writes to it then fail).
    bool fileReplaced() const;

    QString path() const;

private:
    friend std::shared_ptr<Connection> connectionOf(const Database& db);
    friend std::shared_ptr<Database> OpenDatabase(const QString&, bool, bool, const QString&);
    explicit Database(std::shared_ptr<Connection> connection);
    std::shared_ptr<Connection> m_connection;
    qint64 m_recordsAffected = 0;
    bool m_inTransaction = false;
};

// Opens an existing database file. connect carries the password as ";Pwd=<password>".
// Raises 3024 for a missing file, 3031 for a wrong password or a file that is not such a database,
// 3051 when the file cannot be opened.
std::shared_ptr<Database> OpenDatabase(const QString& path, bool exclusive, bool readOnly, const QString& connect);

// A read-only, fixed copy of the records a query found. Long text columns are read when first asked for,
// as the Jet engine does with memo fields; a record deleted since then reads as error 3167.
class Recordset {
public:
    virtual ~Recordset() = default;

    // 0 right after opening when nothing was found, at least 1 otherwise; after MoveLast, the total.
    virtual qint64 RecordCount() const = 0;
    virtual void MoveFirst() = 0; // 3021 when there is no record
    virtual void MoveLast() = 0;  // 3021 when there is no record
    virtual void MoveNext() = 0;  // 3021 when already past the last record
    virtual bool BOF() const = 0;
    virtual bool Eof() const = 0;

    virtual int FieldCount() const = 0;
    virtual QString FieldName(int position) const = 0;
    // The current record's value: an invalid (null) QVariant for a field without a value, a qint64 for
    // whole numbers, a QString for text. 3021 without a current record; 3265 for an unknown field.
    virtual QVariant Fields(int position) const = 0;
    virtual QVariant Fields(const QString& name) const = 0;

    virtual void Close() = 0;
};

// A field value as text: a missing value reads as empty text.
QString fieldText(const QVariant& value);

} // namespace dao
