#include "db/Connection.h"

#include <sqlite3.h>

#include <QList>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace dao {

void SqliteCloser::operator()(sqlite3* handle) const noexcept {
    // close_v2 defers the close until every statement is finalised instead of failing.
    sqlite3_close_v2(handle);
}

void StatementFinalizer::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

StatementLease::~StatementLease() {
    if (!m_statement)
        return;
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
    m_owner->giveBack(std::move(m_sql), std::move(m_statement));
}

int TableInfo::columnIndex(const QString& column) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (QString::compare(columns[i].name, column, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QByteArray quotedIdentifier(const QString& name) {
    QByteArray quoted = name.toUtf8();
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

namespace {

QString textOf(const unsigned char* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

// SQLite's affinity rules applied to a declared column type.
bool isNumericDeclaration(const QByteArray& upper) {
    if (upper.contains("INT"))
        return true;
    if (upper.contains("CHAR") || upper.contains("CLOB") || upper.contains("TEXT"))
        return false;
    if (upper.contains("BLOB") || upper.isEmpty())
        return false;
    return true;
}

bool isAscii(const unsigned char* text, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        if (text[i] & 0x80)
            return false;
    }
    return true;
}

int asciiCompareIgnoringCase(const unsigned char* a, int aBytes, const unsigned char* b, int bBytes) {
    const int common = std::min(aBytes, bBytes);
    for (int i = 0; i < common; ++i) {
        unsigned char ca = a[i], cb = b[i];
        if (ca >= 'A' && ca <= 'Z')
            ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z')
            cb += 'a' - 'A';
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return aBytes < bBytes ? -1 : (aBytes > bBytes ? 1 : 0);
}

int sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The fast answers that need no decoding; returns false when the texts need full Unicode folding.
bool quickCompare(const unsigned char* a, int aBytes, const unsigned char* b, int bBytes, int* result) {
    if (aBytes == bBytes && std::memcmp(a, b, std::size_t(aBytes)) == 0) {
        *result = 0;
        return true;
    }
    if (isAscii(a, aBytes) && isAscii(b, bBytes)) {
        *result = asciiCompareIgnoringCase(a, aBytes, b, bBytes);
        return true;
    }
    return false;
}

void deleteQString(void* text) {
    delete static_cast<QString*>(text);
}

void textCompareFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const unsigned char* a = sqlite3_value_text(argv[0]);
    const int aBytes = sqlite3_value_bytes(argv[0]);
    const unsigned char* b = sqlite3_value_text(argv[1]);
    const int bBytes = sqlite3_value_bytes(argv[1]);
    if (!a || !b) {
        sqlite3_result_error_nomem(context);
        return;
    }
    int result = 0;
    if (quickCompare(a, aBytes, b, bBytes, &result)) {
        sqlite3_result_int(context, result);
        return;
    }
    // The right-hand side is the bound literal: decode it once per statement run, not once per row.
    auto* right = static_cast<QString*>(sqlite3_get_auxdata(context, 1));
    std::unique_ptr<QString> decoded;
    if (!right) {
        decoded = std::make_unique<QString>(QString::fromUtf8(reinterpret_cast<const char*>(b), bBytes));
        right = decoded.get();
    }
    const QString left = QString::fromUtf8(reinterpret_cast<const char*>(a), aBytes);
    sqlite3_result_int(context, sign(QString::compare(left, *right, Qt::CaseInsensitive)));
    if (decoded)
        sqlite3_set_auxdata(context, 1, decoded.release(), deleteQString);
}

} // namespace

int compareTextIgnoringCase(const char* a, int aBytes, const char* b, int bBytes) {
    const auto* ua = reinterpret_cast<const unsigned char*>(a);
    const auto* ub = reinterpret_cast<const unsigned char*>(b);
    int result = 0;
    if (quickCompare(ua, aBytes, ub, bBytes, &result))
        return result;
    return sign(QString::compare(QString::fromUtf8(a, aBytes), QString::fromUtf8(b, bBytes), Qt::CaseInsensitive));
}

namespace {

// For each case-folded character, the other characters that fold to it (a few hundred in all).
const std::unordered_map<char32_t, std::vector<char32_t>>& foldClasses() {
    static const auto classes = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> map;
        for (char32_t c = 0; c < 0x110000; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            const char32_t folded = QChar::toCaseFolded(c);
            if (folded != c)
                map[folded].push_back(c);
        }
        return map;
    }();
    return classes;
}

char32_t asciiLower(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

} // namespace

std::vector<QByteArray> caseVariants(const QString& text, std::size_t limit) {
    if (!text.isValidUtf16())
        return {};
    const auto& classes = foldClasses();
    std::vector<std::vector<char32_t>> choices;
    std::size_t count = 1;
    for (char32_t c : text.toUcs4()) {
        const char32_t folded = QChar::toCaseFolded(c);
        std::vector<char32_t> members{asciiLower(folded)};
        if (auto found = classes.find(folded); found != classes.end()) {
            for (char32_t member : found->second) {
                member = asciiLower(member);
                if (std::find(members.begin(), members.end(), member) == members.end())
                    members.push_back(member);
            }
        }
        count *= members.size();
        if (count > limit)
            return {};
        choices.push_back(std::move(members));
    }
    std::vector<QByteArray> variants;
    std::vector<char32_t> current(choices.size());
    std::vector<std::size_t> pick(choices.size(), 0);
    for (;;) {
        for (std::size_t i = 0; i < choices.size(); ++i)
            current[i] = choices[i][pick[i]];
        variants.push_back(QString::fromUcs4(current.data(), qsizetype(current.size())).toUtf8());
        std::size_t i = 0;
        while (i < choices.size() && ++pick[i] == choices[i].size())
            pick[i++] = 0;
        if (i == choices.size())
            return variants;
    }
}

DaoError sqliteError(int resultCode, sqlite3* handle, const QString& path) {
    const QString message = handle ? textOf(reinterpret_cast<const unsigned char*>(sqlite3_errmsg(handle)))
                                   : QString::fromUtf8(sqlite3_errstr(resultCode));
    switch (resultCode & 0xff) {
    case SQLITE_FULL:
        return DaoError(errDiskFull, QStringLiteral("磁盘已满，无法完成操作。"));
    case SQLITE_READONLY:
        return DaoError(errReadOnly, QStringLiteral("不能更新。数据库或对象为只读。"));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DaoError(errLocked, QStringLiteral("不能更新；数据库已被其他用户锁定。请稍后再试。"));
    case SQLITE_IOERR:
        return DaoError(errDiskIo, QStringLiteral("磁盘或网络错误（%1）。").arg(message));
    case SQLITE_CORRUPT:
        return DaoError(errUnrecognizedFormat, QStringLiteral("无法识别的数据库格式“%1”。文件可能已损坏。").arg(path));
    case SQLITE_NOTADB:
        return DaoError(errNotValidPassword,
                        QStringLiteral("不是有效的密码，或者“%1”不是本程序的数据库文件。").arg(path));
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return DaoError(errCannotOpen, QStringLiteral("不能打开文件“%1”。它可能已被其他程序以独占方式打开，"
                                                      "或者您没有查看和写入其数据的权限。")
                                           .arg(path));
    case SQLITE_CONSTRAINT:
        return DaoError(errDuplicateValue,
                        QStringLiteral("由于会在索引或主关键字中产生重复的值，请求对表的更改没有成功。"));
    case SQLITE_ERROR:
        // A table this connection knew, dropped since by another one.
        if (const QLatin1String noSuchTable("no such table: "); message.startsWith(noSuchTable))
            return tableNotFoundError(message.mid(noSuchTable.size()));
        break;
    default:
        break;
    }
    return DaoError(errEngine, QStringLiteral("数据库引擎出错（%1）：%2").arg(resultCode).arg(message));
}

DaoError tableNotFoundError(const QString& name) {
    return DaoError(errTableNotFound,
                    QStringLiteral("找不到输入表或查询“%1”。请确定它存在，并且名称的拼写正确。").arg(name));
}

Connection::Connection(SqliteHandle handle, QString path, bool readOnly)
    : m_handle(std::move(handle)), m_path(std::move(path)), m_readOnly(readOnly) {}

Connection::~Connection() {
    m_statements.clear(); // finalise before the handle closes
    m_handle.reset();
}

DaoError Connection::error(int resultCode) const {
    return sqliteError(resultCode, m_handle.get(), m_path);
}

void Connection::registerFunctions(sqlite3* handle) {
    sqlite3_create_function_v2(handle, kTextCompareFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               textCompareFunction, nullptr, nullptr, nullptr);
}

StatementHandle Connection::prepare(const QByteArray& sql) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_handle.get(), sql.constData(), int(sql.size()), &raw, nullptr);
    StatementHandle statement(raw);
    if (rc != SQLITE_OK)
        throw error(rc);
    return statement;
}

StatementLease Connection::statement(const QByteArray& sql) {
    auto found = m_statements.find(sql);
    if (found != m_statements.end()) {
        StatementHandle kept = std::move(found->second);
        m_statements.erase(found);
        return StatementLease(this, sql, std::move(kept));
    }
    return StatementLease(this, sql, prepare(sql));
}

void Connection::giveBack(QByteArray sql, StatementHandle statement) noexcept {
    // A handful of shapes repeat (lists, lookups by id, long-text reads); keep the cache from growing
    // without bound when many different ones are seen.
    if (m_statements.size() >= 32)
        m_statements.clear();
    try {
        m_statements.emplace(std::move(sql), std::move(statement));
    } catch (...) {
        // Out of memory: the statement is simply finalised.
    }
}

bool Connection::fileMoved() const {
    int moved = 0;
    // A file control the engine does not know (another VFS) leaves moved at 0: nothing is known to be wrong.
    if (sqlite3_file_control(m_handle.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK)
        return false;
    return moved != 0;
}

void Connection::exec(const char* sql) {
    const int rc = sqlite3_exec(m_handle.get(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw error(rc);
}

const TableInfo* Connection::table(const QString& name) {
    const QString key = name.toCaseFolded();
    auto found = m_tables.find(key);
    if (found != m_tables.end())
        return found->second.get();

    QString actual;
    {
        StatementHandle list = prepare("SELECT name FROM sqlite_master WHERE type = 'table'");
        int rc;
        while ((rc = sqlite3_step(list.get())) == SQLITE_ROW) {
            const QString candidate = textOf(sqlite3_column_text(list.get(), 0));
            if (candidate.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                continue; // the engine's own tables are not the program's business
            if (QString::compare(candidate, name, Qt::CaseInsensitive) == 0) {
                actual = candidate;
                break;
            }
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw error(rc);
    }
    if (actual.isEmpty())
        return nullptr; // not remembered: the table may still be created later

    auto info = std::make_unique<TableInfo>();
    info->name = actual;
    StatementHandle columns = prepare("PRAGMA table_info(" + quotedIdentifier(actual) + ")");
    int rc;
    while ((rc = sqlite3_step(columns.get())) == SQLITE_ROW) {
        ColumnInfo column;
        column.name = textOf(sqlite3_column_text(columns.get(), 1));
        const QByteArray declared =
            QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), 2))).trimmed().toUpper();
        column.numeric = isNumericDeclaration(declared);
        column.longText = declared == "LONGTEXT";
        column.textAffinity = !column.numeric && !declared.contains("INT") &&
                              (declared.contains("CHAR") || declared.contains("CLOB") || declared.contains("TEXT"));
        info->columns.push_back(std::move(column));
    }
    if (rc != SQLITE_DONE)
        throw error(rc);
    const TableInfo* result = info.get();
    m_tables.emplace(key, std::move(info));
    return result;
}

} // namespace dao
