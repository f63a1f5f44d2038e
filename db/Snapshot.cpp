#include "db/Snapshot.h"

#include <sqlite3.h>

#include <cstring>

namespace dao {

namespace {

// Encoded record: the rowid (8 bytes), then per stored column a tag byte followed by 8 bytes for numbers or
// a 4-byte length and the bytes for text and blobs. Copies go through memcpy: nothing in the arena is
// aligned.
enum CellTag : char { tagNull, tagInteger, tagReal, tagText, tagBlob };

constexpr std::size_t kFirstBlock = 4 * 1024;
constexpr std::size_t kLargestBlock = 1024 * 1024;

template <typename T> T readRaw(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T> char* writeRaw(char* at, T value) {
    std::memcpy(at, &value, sizeof value);
    return at + sizeof value;
}

// Skips over one encoded cell.
const char* nextCell(const char* cell) {
    switch (*cell) {
    case tagInteger:
    case tagReal:
        return cell + 1 + 8;
    case tagText:
    case tagBlob:
        return cell + 1 + 4 + readRaw<quint32>(cell + 1);
    default:
        return cell + 1;
    }
}

struct ScannedCell {
    int type;
    const void* data;
    int bytes;
};

} // namespace

char* RecordArena::allocate(std::size_t bytes) {
    if (m_blocks.empty() || m_capacity - m_used < bytes) {
        std::size_t size = m_blocks.empty() ? kFirstBlock : std::min(m_capacity * 2, kLargestBlock);
        size = std::max(size, bytes);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
        m_capacity = size;
        m_used = 0;
    }
    char* at = m_blocks.back().get() + m_used;
    m_used += bytes;
    return at;
}

void RecordArena::clear() {
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_used = m_capacity = 0;
}

Snapshot::Snapshot(std::shared_ptr<Connection> connection, const TableInfo& table, const jet::Compiled& query)
    : m_connection(std::move(connection)), m_tableName(table.name), m_fields(query.fields) {
    for (const jet::OutputField& field : m_fields) {
        m_fieldNames.push_back(table.columns[std::size_t(field.tableColumn)].name);
        m_longTextQueries.push_back(field.resultColumn < 0 ? jet::longTextQuery(table, field.tableColumn)
                                                           : QByteArray());
    }

    StatementLease lease = m_connection->statement(query.sql);
    sqlite3_stmt* statement = lease.get();
    jet::bindAll(statement, query.bindings, *m_connection);

    const int stored = query.storedColumns;
    std::vector<ScannedCell> cells(std::size_t(stored) + 1);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::size_t size = 8;
        for (int column = 1; column <= stored; ++column) {
            ScannedCell& cell = cells[std::size_t(column)];
            cell.type = sqlite3_column_type(statement, column);
            cell.data = nullptr;
            cell.bytes = 0;
            switch (cell.type) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                size += 1 + 8;
                break;
            case SQLITE_TEXT:
                cell.data = sqlite3_column_text(statement, column);
                cell.bytes = sqlite3_column_bytes(statement, column);
                size += 1 + 4 + std::size_t(cell.bytes);
                break;
            case SQLITE_BLOB:
                cell.data = sqlite3_column_blob(statement, column);
                cell.bytes = sqlite3_column_bytes(statement, column);
                size += 1 + 4 + std::size_t(cell.bytes);
                break;
            default:
                size += 1;
                break;
            }
        }
        char* record = m_arena.allocate(size);
        char* at = writeRaw<qint64>(record, sqlite3_column_int64(statement, 0));
        for (int column = 1; column <= stored; ++column) {
            const ScannedCell& cell = cells[std::size_t(column)];
            switch (cell.type) {
            case SQLITE_INTEGER:
                *at++ = tagInteger;
                at = writeRaw<qint64>(at, sqlite3_column_int64(statement, column));
                break;
            case SQLITE_FLOAT:
                *at++ = tagReal;
                at = writeRaw<double>(at, sqlite3_column_double(statement, column));
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                *at++ = cell.type == SQLITE_TEXT ? tagText : tagBlob;
                at = writeRaw<quint32>(at, quint32(cell.bytes));
                if (cell.bytes > 0)
                    std::memcpy(at, cell.data, std::size_t(cell.bytes));
                at += cell.bytes;
                break;
            default:
                *at++ = tagNull;
                break;
            }
        }
        m_records.push_back(record);
    }
    if (rc != SQLITE_DONE)
        throw m_connection->error(rc);
    m_records.shrink_to_fit();
    m_visited = m_records.empty() ? 0 : 1;
}

void Snapshot::requireOpen() const {
    if (m_closed)
        throw DaoError(errObjectClosed, QStringLiteral("对象无效或不再设置。记录集已关闭。"));
}

void Snapshot::requireRow(qsizetype row) const {
    if (row < 0 || row >= qsizetype(m_records.size()))
        throw DaoError(errNoCurrentRecord, QStringLiteral("无当前记录。"));
}

void Snapshot::requireField(int position, bool longTextOnly) const {
    requireOpen();
    if (position < 0 || position >= int(m_fields.size()) ||
        (longTextOnly && m_fields[std::size_t(position)].resultColumn >= 0))
        throw DaoError(errItemNotFound, QStringLiteral("在此集合中找不到项目（位置 %1）。").arg(position));
}

void Snapshot::visit(qsizetype position) {
    m_position = position;
    m_visited = std::max(m_visited, std::min(position + 1, qsizetype(m_records.size())));
}

qint64 Snapshot::RecordCount() const {
    requireOpen();
    return m_visited;
}

void Snapshot::MoveFirst() {
    requireOpen();
    requireRow(0);
    visit(0);
}

void Snapshot::MoveLast() {
    requireOpen();
    requireRow(0);
    visit(qsizetype(m_records.size()) - 1);
}

void Snapshot::MoveNext() {
    requireOpen();
    requireRow(m_position);
    visit(m_position + 1);
}

bool Snapshot::BOF() const {
    requireOpen();
    return m_records.empty();
}

bool Snapshot::Eof() const {
    requireOpen();
    return m_position >= qsizetype(m_records.size());
}

int Snapshot::FieldCount() const {
    requireOpen();
    return int(m_fields.size());
}

QString Snapshot::FieldName(int position) const {
    requireField(position);
    return m_fieldNames[std::size_t(position)];
}

QVariant Snapshot::Fields(int position) const {
    requireField(position);
    requireRow(m_position);
    const jet::OutputField& field = m_fields[std::size_t(position)];
    if (field.resultColumn < 0)
        return longText(position);
    return storedValue(m_position, field.resultColumn);
}

QVariant Snapshot::Fields(const QString& name) const {
    requireOpen();
    for (std::size_t i = 0; i < m_fieldNames.size(); ++i) {
        if (QString::compare(m_fieldNames[i], name, Qt::CaseInsensitive) == 0)
            return Fields(int(i));
    }
    throw DaoError(errItemNotFound, QStringLiteral("在此集合中找不到项目“%1”。").arg(name));
}

QVariant Snapshot::storedValue(qsizetype row, int resultColumn) const {
    const char* cell = m_records[std::size_t(row)] + 8;
    for (int column = 1; column < resultColumn; ++column)
        cell = nextCell(cell);
    switch (*cell) {
    case tagInteger:
        return QVariant(readRaw<qint64>(cell + 1));
    case tagReal:
        return QVariant(readRaw<double>(cell + 1));
    case tagText:
        return QVariant(QString::fromUtf8(cell + 1 + 4, qsizetype(readRaw<quint32>(cell + 1))));
    case tagBlob:
        return QVariant(QByteArray(cell + 1 + 4, qsizetype(readRaw<quint32>(cell + 1))));
    default:
        return QVariant();
    }
}

QVariant Snapshot::longText(int field) const {
    if (m_cachedRow == m_position && m_cachedField == field)
        return m_cachedText;
    const QVariant value = readLongText(m_position, field);
    m_cachedRow = m_position;
    m_cachedField = field;
    m_cachedText = value;
    return value;
}

QVariant Snapshot::longTextAt(qsizetype row, int field) const {
    requireField(field, true);
    requireRow(row);
    if (m_cachedRow == row && m_cachedField == field)
        return m_cachedText;
    return readLongText(row, field);
}

QVariant Snapshot::readLongText(qsizetype row, int field) const {
    const qint64 rowid = readRaw<qint64>(m_records[std::size_t(row)]);
    StatementLease lease = m_connection->statement(m_longTextQueries[std::size_t(field)]);
    sqlite3_stmt* statement = lease.get();
    int rc = sqlite3_bind_int64(statement, 1, rowid);
    if (rc != SQLITE_OK)
        throw m_connection->error(rc);
    rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE)
        throw DaoError(errRecordDeleted, QStringLiteral("记录已被删除。"));
    if (rc != SQLITE_ROW)
        throw m_connection->error(rc);
    return columnValue(statement, 0);
}

QVariant Snapshot::columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(statement, column);
        return QVariant(QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(statement, column)));
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(statement, column)));
    }
    }
}

qint64 Snapshot::rowidAt(qsizetype row) const {
    return readRaw<qint64>(m_records[std::size_t(row)]);
}

QByteArray Snapshot::longTextQueryOf(int field) const {
    if (field < 0 || field >= int(m_longTextQueries.size()))
        return QByteArray();
    return m_longTextQueries[std::size_t(field)];
}

void Snapshot::Close() {
    requireOpen();
    m_closed = true;
    m_records.clear();
    m_records.shrink_to_fit();
    m_arena.clear();
    m_cachedText.clear();
    m_connection.reset();
}

} // namespace dao
