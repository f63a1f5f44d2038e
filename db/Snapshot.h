#pragma once

// The snapshot recordset: every found record copied at opening into a compact arena (one encoded run of
// bytes per record, text kept as UTF-8), decoded only when a field is asked for. Long-text fields are not
// copied; they are read by rowid on first access, through the connection the snapshot shares.

#include "db/Dao.h"
#include "db/JetSql.h"

#include <memory>
#include <vector>

namespace dao {

// Append-only storage for encoded records. Memory comes in large blocks that never move, so a record's
// address stays valid and growing never copies what is stored already.
class RecordArena {
public:
    char* allocate(std::size_t bytes);
    void clear();

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = 0;
    std::size_t m_capacity = 0;
};

class Snapshot final : public Recordset {
public:
    // Runs the compiled SELECT and copies what it finds. No statement stays open and no lock is held
    // once the constructor returns.
    Snapshot(std::shared_ptr<Connection> connection, const TableInfo& table, const jet::Compiled& query);

    qint64 RecordCount() const override;
    void MoveFirst() override;
    void MoveLast() override;
    void MoveNext() override;
    bool BOF() const override;
    bool Eof() const override;

    int FieldCount() const override;
    QString FieldName(int position) const override;
    QVariant Fields(int position) const override;
    QVariant Fields(const QString& name) const override;

    void Close() override;

    // For readers working beside the snapshot (see LongTextReader): the records found, their rowids, the
    // statement reading a long-text field by rowid (empty for a stored field) and the connection.
    qsizetype size() const noexcept { return qsizetype(m_records.size()); }
    qint64 rowidAt(qsizetype row) const;
    QByteArray longTextQueryOf(int field) const;
    const std::shared_ptr<Connection>& connection() const noexcept { return m_connection; }
    // The long-text field (a position of the fields) of the record at row, read now, wherever the current
    // record is; throws as Fields would for that record.
    QVariant longTextAt(qsizetype row, int field) const;

    // The value of a result column as the snapshot reports it.
    static QVariant columnValue(sqlite3_stmt* statement, int column);

private:
    void requireOpen() const;
    // Throws 3021 unless row is a record of the snapshot.
    void requireRow(qsizetype row) const;
    // Throws 3265 unless position is a field of the snapshot (with longTextOnly, one read on demand).
    void requireField(int position, bool longTextOnly = false) const;
    void visit(qsizetype position);
    QVariant storedValue(qsizetype row, int resultColumn) const;
    QVariant longText(int field) const;
    QVariant readLongText(qsizetype row, int field) const;

    std::shared_ptr<Connection> m_connection;
    QString m_tableName;
    std::vector<QString> m_fieldNames;
    std::vector<jet::OutputField> m_fields;
    std::vector<QByteArray> m_longTextQueries; // per field; empty for stored fields
    RecordArena m_arena;
    std::vector<const char*> m_records;
    qsizetype m_position = 0;
    qsizetype m_visited = 0;
    bool m_closed = false;

    // The long text of the current record read last, so repeated reads of one body cost one lookup.
    mutable qsizetype m_cachedRow = -1;
    mutable int m_cachedField = -1;
    mutable QVariant m_cachedText;
};

} // namespace dao
