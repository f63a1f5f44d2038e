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

QString columnText(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return QString();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return valueText(QString::fromUtf8(text, sqlite3_column_bytes(statement, column)));
}

void stepToDone(dao::Connection& connection, sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE)
        throw connection.error(rc);
}

} // namespace

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

void DiaryFile::forEachEntry(const QString& owner, const std::function<bool(const Entry&)>& each) {
    dao::StatementLease lease =
        m_connection->statement(QByteArray("SELECT id, username, diarytitle, diarydate, diaryweek, diaryweather, "
                                           "diarytext FROM diary WHERE ") +
                                dao::kTextCompareFunction + "(username, ?) = 0 ORDER BY id");
    bindText(*m_connection, lease.get(), 1, owner);
    for (;;) {
        const int rc = sqlite3_step(lease.get());
        if (rc == SQLITE_DONE)
            return;
        if (rc != SQLITE_ROW)
            throw m_connection->error(rc);
        Entry entry;
        entry.id = sqlite3_column_int64(lease.get(), 0);
        entry.owner = columnText(lease.get(), 1);
        entry.title = columnText(lease.get(), 2);
        entry.date = columnText(lease.get(), 3);
        entry.weekday = columnText(lease.get(), 4);
        entry.weather = columnText(lease.get(), 5);
        entry.body = columnText(lease.get(), 6);
        if (!each(entry))
            return;
    }
}

QByteArray DiaryFile::sameEntryKey(const Entry& entry) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const auto* field : {&entry.date, &entry.title, &entry.body}) {
        // A field without a value differs from an empty one.
        if (!field->isNull()) {
            const QByteArray utf8 = field->toUtf8();
            hash.addData(QByteArray::number(utf8.size()) + ':');
            hash.addData(utf8);
        } else {
            hash.addData(QByteArrayView("-;"));
        }
    }
    return hash.result();
}

QSet<QByteArray> DiaryFile::sameEntryKeys(const QString& owner) {
    QSet<QByteArray> keys;
    forEachEntry(owner, [&keys](const Entry& entry) {
        keys.insert(sameEntryKey(entry));
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

void DiaryFile::addEntry(const QString& owner, const Entry& entry) {
    dao::StatementLease lease =
        m_connection->statement("INSERT INTO diary(username, diarytitle, diarydate, diaryweek, diaryweather, "
                                "diarytext) VALUES(?, ?, ?, ?, ?, ?)");
    bindText(*m_connection, lease.get(), 1, owner);
    bindText(*m_connection, lease.get(), 2, entry.title);
    bindText(*m_connection, lease.get(), 3, entry.date);
    bindText(*m_connection, lease.get(), 4, entry.weekday);
    bindText(*m_connection, lease.get(), 5, entry.weather);
    bindText(*m_connection, lease.get(), 6, entry.body);
    stepToDone(*m_connection, lease.get());
}

} // namespace datatool
