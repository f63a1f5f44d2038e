#include "db/Dao.h"

#include "db/Connection.h"
#include "db/DaoInternal.h"
#include "db/JetSql.h"
#include "db/OpenKeyed.h"
#include "db/Snapshot.h"

#include <sqlite3.h>

#include <optional>

namespace dao {

namespace {

const TableInfo& tableFor(Connection& connection, const QString& name) {
    const TableInfo* table = connection.table(name);
    if (!table)
        throw tableNotFoundError(name);
    return *table;
}

// BEGIN IMMEDIATE … COMMIT around one change. Taking the write lock up front serialises writers across
// processes, so checks made inside see every committed change and cannot be overtaken. Inside a transaction
// of the caller's, a savepoint instead: a failed change is undone alone and the caller's transaction goes on.
class WriteTransaction {
public:
    WriteTransaction(Connection& connection, bool insideTransaction)
        : m_connection(connection), m_inside(insideTransaction) {
        m_connection.exec(m_inside ? "SAVEPOINT qjl_statement" : "BEGIN IMMEDIATE");
    }
    ~WriteTransaction() {
        if (!m_finished)
            sqlite3_exec(m_connection.handle(),
                         m_inside ? "ROLLBACK TO qjl_statement; RELEASE qjl_statement" : "ROLLBACK", nullptr, nullptr,
                         nullptr);
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit() {
        m_connection.exec(m_inside ? "RELEASE qjl_statement" : "COMMIT");
        m_finished = true;
    }

private:
    Connection& m_connection;
    bool m_inside;
    bool m_finished = false;
};

// The account name an INSERT into users or an UPDATE of users.username stores, if any.
std::optional<QByteArray> accountNameWritten(const jet::Statement& statement, const jet::Compiled& compiled,
                                             const TableInfo& table) {
    if (table.name.compare(QLatin1String("users"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    for (std::size_t i = 0; i < statement.columns.size(); ++i) {
        if (statement.columns[i].compare(QLatin1String("username"), Qt::CaseInsensitive) != 0)
            continue;
        if (const auto* name = std::get_if<QByteArray>(&compiled.bindings[i]))
            return *name;
        return std::nullopt; // no name, nothing to collide with
    }
    return std::nullopt;
}

[[noreturn]] void duplicateAccountName(const QByteArray& name) {
    throw DaoError(
        errDuplicateValue,
        QStringLiteral("用户名“%1”已经存在（不区分大小写），请求对表的更改没有成功。").arg(QString::fromUtf8(name)));
}

// Raises 3022 when, inside the running transaction, more than one account carries the name (letter case
// ignored for every cased letter).
void requireUniqueAccountName(Connection& connection, const QByteArray& name) {
    const QByteArray sql =
        QByteArray("SELECT count(*) FROM \"users\" WHERE ") + kTextCompareFunction + "(\"username\", ?) = 0";
    StatementLease lease = connection.statement(sql);
    int rc = sqlite3_bind_text(lease.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(lease.get());
    if (rc != SQLITE_ROW)
        throw connection.error(rc);
    if (sqlite3_column_int64(lease.get(), 0) > 1)
        duplicateAccountName(name);
}

} // namespace

Database::Database(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}

Database::~Database() {
    // Snapshots may keep the connection open after this: the write lock must not stay with them.
    if (m_inTransaction)
        sqlite3_exec(m_connection->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

QString Database::path() const {
    return m_connection->path();
}

qint64 Database::RecordsAffected() const {
    return m_recordsAffected;
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString& sql, RecordsetType) {
    const jet::Statement statement = jet::parse(sql);
    if (statement.kind != jet::Statement::Kind::Select)
        throw DaoError(errInvalidStatement, QStringLiteral("无效的操作。只有选择查询才能打开记录集。"));
    const TableInfo& table = tableFor(*m_connection, statement.table);
    const jet::Compiled compiled = jet::compile(statement, table);
    return std::make_shared<Snapshot>(m_connection, table, compiled);
}

bool Database::ForEachRecord(const QString& sql, const std::function<bool(const QVariantList&)>& visit,
                             const std::atomic<bool>* stop) {
    const jet::Statement statement = jet::parse(sql);
    if (statement.kind != jet::Statement::Kind::Select)
        throw DaoError(errInvalidStatement, QStringLiteral("无效的操作。只有选择查询才能打开记录集。"));
    Connection& connection = *m_connection;
    const jet::Compiled compiled = jet::compile(statement, tableFor(connection, statement.table), true);
    sqlite3* handle = connection.handle();
    // The engine asks now and then whether to go on, so a stop ends even a long step at once.
    struct Watch {
        sqlite3* handle;
        Watch(sqlite3* h, const std::atomic<bool>* stop) : handle(h) {
            if (stop)
                sqlite3_progress_handler(
                    handle, 1000, [](void* flag) { return int(static_cast<const std::atomic<bool>*>(flag)->load()); },
                    const_cast<std::atomic<bool>*>(stop));
        }
        ~Watch() { sqlite3_progress_handler(handle, 0, nullptr, nullptr); }
    } watch(handle, stop);
    StatementLease lease = connection.statement(compiled.sql);
    jet::bindAll(lease.get(), compiled.bindings, connection);
    QVariantList fields;
    fields.reserve(qsizetype(compiled.fields.size()));
    for (;;) {
        if (stop && stop->load())
            return false;
        const int rc = sqlite3_step(lease.get());
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW) {
            if (stop && stop->load())
                return false;
            throw connection.error(rc);
        }
        fields.clear();
        for (const jet::OutputField& field : compiled.fields)
            fields.append(Snapshot::columnValue(lease.get(), field.resultColumn));
        if (!visit(fields))
            return true;
    }
}

void Database::Execute(const QString& sql) {
    m_recordsAffected = 0;
    const jet::Statement statement = jet::parse(sql);
    if (statement.kind == jet::Statement::Kind::Select)
        throw DaoError(errInvalidStatement, QStringLiteral("不能执行选择查询。"));
    Connection& connection = *m_connection;
    const TableInfo& table = tableFor(connection, statement.table);
    const jet::Compiled compiled = jet::compile(statement, table);
    const std::optional<QByteArray> accountName = accountNameWritten(statement, compiled, table);

    WriteTransaction transaction(connection, m_inTransaction);
    {
        StatementLease lease = connection.statement(compiled.sql);
        jet::bindAll(lease.get(), compiled.bindings, connection);
        const int rc = sqlite3_step(lease.get());
        if (accountName && (rc & 0xff) == SQLITE_CONSTRAINT)
            duplicateAccountName(*accountName); // the name index caught it first
        if (rc != SQLITE_DONE)
            throw connection.error(rc);
    }
    const qint64 changes = sqlite3_changes(connection.handle());
    if (accountName && changes > 0)
        requireUniqueAccountName(connection, *accountName);
    transaction.commit();
    m_recordsAffected = changes;
}

void Database::BeginTrans() {
    if (m_inTransaction)
        throw DaoError(errEngine, QStringLiteral("事务已经开始，不能再开始一个。"));
    m_connection->exec("BEGIN IMMEDIATE");
    m_inTransaction = true;
}

void Database::CommitTrans() {
    if (!m_inTransaction)
        throw DaoError(errNoTransaction, QStringLiteral("没有开始事务就提交或回滚。"));
    // A commit that fails (the file busy) leaves the transaction open, to be committed again or rolled back.
    m_connection->exec("COMMIT");
    m_inTransaction = false;
}

void Database::Rollback() {
    if (!m_inTransaction)
        throw DaoError(errNoTransaction, QStringLiteral("没有开始事务就提交或回滚。"));
    m_inTransaction = false;
    m_connection->exec("ROLLBACK");
}

bool Database::fileReplaced() const {
    return m_connection->fileMoved();
}

std::shared_ptr<Database> OpenDatabase(const QString& path, bool exclusive, bool readOnly, const QString& connect) {
    const QByteArray password = passwordOf(connect);
    SqliteHandle handle = openKeyed(path, readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite, password);
    auto connection = std::make_shared<Connection>(std::move(handle), path, readOnly);
    if (!password.isEmpty())
        connection->setConnect(connectText(password));
    if (exclusive) {
        // Keep the locks once taken: nobody else reads or writes until this connection closes.
        connection->exec("PRAGMA locking_mode = EXCLUSIVE");
        connection->exec(readOnly ? "SELECT count(*) FROM sqlite_master" : "BEGIN EXCLUSIVE; COMMIT");
    }
    return std::shared_ptr<Database>(new Database(std::move(connection)));
}

QString fieldText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}

std::shared_ptr<Connection> connectionOf(const Database& db) {
    return db.m_connection;
}

} // namespace dao
