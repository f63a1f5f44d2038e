#include "Bare.h"

#include <sqlite3.h>

#include <openssl/evp.h>

#include <QHash>

#include <QFile>

#include <stdexcept>

namespace bare {

void DbCloser::operator()(sqlite3* db) const noexcept {
    sqlite3_close_v2(db);
}

void StatementCloser::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

namespace {
[[noreturn]] void failed(sqlite3* db, const char* what) {
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "no database"));
}
} // namespace

Statement::Statement(sqlite3* db, const char* sql) : m_db(db) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        failed(db, sql);
    m_statement.reset(raw);
}

void Statement::bind(int index, const QByteArray& text) {
    if (sqlite3_bind_text(get(), index, text.constData(), int(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        failed(m_db, "bind");
}

void Statement::bind(int index, qint64 number) {
    if (sqlite3_bind_int64(get(), index, number) != SQLITE_OK)
        failed(m_db, "bind");
}

bool Statement::step() {
    const int rc = sqlite3_step(get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    failed(m_db, "step");
}

void Statement::reset() {
    sqlite3_reset(get());
}

qint64 Statement::integer(int column) const {
    return sqlite3_column_int64(get(), column);
}

QString Statement::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(get(), column));
    return QString::fromUtf8(data, sqlite3_column_bytes(get(), column));
}

QByteArrayView Statement::utf8(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(get(), column));
    return QByteArrayView(data, sqlite3_column_bytes(get(), column));
}

Db open(const QString& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        failed(db.get(), "open");
    if (sqlite3_key(db.get(), "vexol", 5) != SQLITE_OK)
        failed(db.get(), "key");
    // The diary's file format for SQLCipher 4 and later, as the program asks for it; older versions ignore it.
    exec(db.get(), "PRAGMA cipher_compatibility = 3");
    return db;
}

Db openWarm(const QString& path) {
    Db db = open(path);
    exec(db.get(), "SELECT count(*) FROM sqlite_master");
    return db;
}

Db openFast(const QString& path) {
    static QHash<QString, QByteArray> keys; // path + salt → raw key text
    QFile file(path);
    QByteArray salt;
    if (file.open(QIODevice::ReadOnly))
        salt = file.read(16);
    QByteArray& key = keys[path + QString::fromLatin1(salt.toHex())];
    if (key.isEmpty()) {
        unsigned char derived[32];
        if (PKCS5_PBKDF2_HMAC_SHA1("vexol", 5, reinterpret_cast<const unsigned char*>(salt.constData()),
                                   int(salt.size()), 64000, 32, derived) != 1)
            throw std::runtime_error("key derivation failed");
        key = "x'" + QByteArray(reinterpret_cast<const char*>(derived), 32).toHex() + "'";
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        failed(db.get(), "open");
    if (sqlite3_key(db.get(), key.constData(), int(key.size())) != SQLITE_OK)
        failed(db.get(), "key");
    exec(db.get(), "PRAGMA cipher_compatibility = 3");
    exec(db.get(), "SELECT count(*) FROM sqlite_master");
    return db;
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failed(db, sql);
}

} // namespace bare
