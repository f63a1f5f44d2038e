#include "tools/data/DiaryFile.h"

#include "app/SqlText.h"
#include "db/DaoInternal.h"
#include "db/DiaryDatabase.h"

#include <sqlite3.h>

#include <QCryptographicHash>

namespace datatool {
namespace {

void bindText(dao::Connection& connection, sqlite3_stmt* statement, int index, const QString& text) {
    int rc;
    if (!text.isNull()) {
        const QByteArray utf8 = text.toUtf8();
        rc = sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    } else {
        rc = sqlite3_bind_null(statement, index);
    }
    if (rc != SQLITE_OK)
        throw connection.error(rc);
}

// Binds bytes that stay in place until the statement has run.
void bindBytes(dao::Connection& connection, sqlite3_stmt* statement, int index, QByteArrayView bytes) {
    const int rc = bytes.isNull() ? sqlite3_bind_null(statement, index)
                                  : sqlite3_bind_text(statement, index, bytes.data(), int(bytes.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK)
        throw connection.error(rc);
}

QByteArrayView columnBytes(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return {};
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    return text ? QByteArrayView(text, size) : QByteArrayView("", 0);
}

QString textOf(QByteArrayView bytes) {
    return bytes.isNull() ? QString() : valueText(QString::fromUtf8(bytes));
}

Entry entryOf(const Row& row) {
    Entry entry;
    entry.id = row.id;
    entry.title = textOf(row.title);
    entry.date = textOf(row.date);
    entry.weekday = textOf(row.weekday);
    entry.weather = textOf(row.weather);
    entry.body = textOf(row.body);
    return entry;
}

QByteArrayView viewOf(const QString& text, const QByteArray& utf8) {
    return text.isNull() ? QByteArrayView() : QByteArrayView(utf8.constData(), utf8.size());
}

void stepToDone(dao::Connection& connection, sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE)
        throw connection.error(rc);
}

} // namespace

EntryBytes::EntryBytes(const Entry& entry)
    : title(entry.title.toUtf8()), date(entry.date.toUtf8()), weekday(entry.weekday.toUtf8()),
      weather(entry.weather.toUtf8()), body(entry.body.toUtf8()) {
    row = {entry.id,
           viewOf(entry.title, title),
           viewOf(entry.date, date),
           viewOf(entry.weekday, weekday),
           viewOf(entry.weather, weather),
           viewOf(entry.body, body)};
}

struct DiaryFile::Statement {
    dao::StatementHandle handle;
};

DiaryFile::DiaryFile(const QString& path)
    : m_database(dao::openDiaryDatabaseAt(path)), m_connection(dao::connectionOf(*m_database)), m_store(m_database) {}

DiaryFile::~DiaryFile() {
    if (m_inTransaction)
        rollback();
}

qint64 DiaryFile::entryCount(const QString& owner) {
    dao::StatementLease lease = m_connection->statement(QByteArray("SELECT count(*) FROM diary WHERE ") +
                                                        dao::kTextCompareFunction + "(username, ?) = 0");
    bindText(*m_connection, lease.get(), 1, owner);
    const int rc = sqlite3_step(lease.get());
    if (rc != SQLITE_ROW)
        throw m_connection->error(rc);
    return sqlite3_column_int64(lease.get(), 0);
}

void DiaryFile::forEachRow(const QString& owner, const std::function<bool(const Row&)>& each) {
    dao::StatementLease lease =
        m_connection->statement(QByteArray("SELECT id, diarytitle, diarydate, diaryweek, diaryweather, diarytext "
                                           "FROM diary WHERE ") +
                                dao::kTextCompareFunction + "(username, ?) = 0 ORDER BY id");
    bindText(*m_connection, lease.get(), 1, owner);
    for (;;) {
        const int rc = sqlite3_step(lease.get());
        if (rc == SQLITE_DONE)
            return;
        if (rc != SQLITE_ROW)
            throw m_connection->error(rc);
        sqlite3_stmt* row = lease.get();
        if (!each(Row{sqlite3_column_int64(row, 0), columnBytes(row, 1), columnBytes(row, 2), columnBytes(row, 3),
                      columnBytes(row, 4), columnBytes(row, 5)}))
            return;
    }
}

void DiaryFile::forEachDate(const QString& owner, const std::function<void(qint64 id, QByteArrayView date)>& each) {
    dao::StatementLease lease = m_connection->statement(QByteArray("SELECT id, diarydate FROM diary WHERE ") +
                                                        dao::kTextCompareFunction + "(username, ?) = 0 ORDER BY id");
    bindText(*m_connection, lease.get(), 1, owner);
    int rc;
    while ((rc = sqlite3_step(lease.get())) == SQLITE_ROW)
        each(sqlite3_column_int64(lease.get(), 0), columnBytes(lease.get(), 1));
    if (rc != SQLITE_DONE)
        throw m_connection->error(rc);
}

Entry DiaryFile::entry(qint64 id) {
    dao::StatementLease lease = m_connection->statement(
        "SELECT id, diarytitle, diarydate, diaryweek, diaryweather, diarytext FROM diary WHERE id = ?");
    sqlite3_bind_int64(lease.get(), 1, id);
    const int rc = sqlite3_step(lease.get());
    if (rc != SQLITE_ROW)
        throw m_connection->error(rc == SQLITE_DONE ? SQLITE_NOTFOUND : rc);
    sqlite3_stmt* row = lease.get();
    return entryOf(Row{id, columnBytes(row, 1), columnBytes(row, 2), columnBytes(row, 3), columnBytes(row, 4),
                       columnBytes(row, 5)});
}

void DiaryFile::forEachEntry(const QString& owner, const std::function<bool(const Entry&)>& each) {
    forEachRow(owner, [&](const Row& row) {
        Entry entry = entryOf(row);
        entry.owner = owner;
        return each(entry);
    });
}

QByteArray DiaryFile::sameEntryKey(const Row& row) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QByteArrayView field : {row.date, row.title, row.body}) {
        // A field without a value differs from an empty one.
        if (!field.isNull()) {
            hash.addData(QByteArray::number(field.size()) + ':');
            hash.addData(field);
        } else {
            hash.addData(QByteArrayView("-;"));
        }
    }
    return hash.result();
}

QSet<QByteArray> DiaryFile::sameEntryKeys(const QString& owner) {
    QSet<QByteArray> keys;
    // The count is read from an index; the walk reads the whole table.
    if (entryCount(owner) == 0)
        return keys;
    forEachRow(owner, [&keys](const Row& row) {
        keys.insert(sameEntryKey(row));
        return true;
    });
    return keys;
}

void DiaryFile::begin() {
    m_database->BeginTrans();
    m_inTransaction = true;
}

void DiaryFile::commit() {
    m_database->CommitTrans();
    m_inTransaction = false;
}

void DiaryFile::rollback() {
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    try {
        m_database->Rollback();
    } catch (const dao::DaoError&) {
        // The connection is closed with the file right after; the engine undoes what was not committed.
    }
}

void DiaryFile::createAccount(const QString& name, const QString& password) {
    m_store.createAccount(name, password);
}

void DiaryFile::addEntry(const QString& owner, const Row& row) {
    if (!m_insert)
        m_insert = std::make_unique<Statement>(
            Statement{m_connection->prepare("INSERT INTO diary(username, diarytitle, diarydate, diaryweek, "
                                            "diaryweather, diarytext) VALUES(?, ?, ?, ?, ?, ?)")});
    sqlite3_stmt* statement = m_insert->handle.get();
    sqlite3_reset(statement);
    bindText(*m_connection, statement, 1, owner);
    const QByteArrayView fields[] = {row.title, row.date, row.weekday, row.weather, row.body};
    for (int i = 0; i < 5; ++i)
        bindBytes(*m_connection, statement, i + 2, fields[i]);
    stepToDone(*m_connection, statement);
    // The bound bytes belong to the caller: none is kept past this call.
    sqlite3_clear_bindings(statement);
}

} // namespace datatool
