#include "StatementChecks.h"

#include "app/SqlText.h"
#include "db/Connection.h"
#include "db/Dao.h"
#include "db/DaoInternal.h"
#include "db/DiaryDatabase.h"
#include "db/JetSql.h"

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace fuzzcheck {

namespace {

const char* const kRestore =
    "BEGIN;"
    "DELETE FROM users; DELETE FROM diary; DELETE FROM sqlite_sequence;"
    "INSERT INTO users(id, \"limit\", username, password) VALUES"
    " (1, 1, '张三', 'pw'), (2, 1, 'O''Brien', 'x'), (3, 1, 'ABC', NULL), (4, 1, '𠀀😀', '');"
    "INSERT INTO diary(id, username, diarytitle, diarydate, diaryweek, diaryweather, diarytext) VALUES"
    " (1, '张三', '晴天', '2009-09-08', '星期二', '晴朗', '今天' || char(13, 10) || '很好'),"
    " (2, '张三', '雨天', '2009-09-09', '星期三', '大雨', ''),"
    " (3, 'O''Brien', '标题', '2009-09-08', '星期二', NULL, NULL),"
    " (4, 'abc', 'x', 'd', 'w', 'r', replace(hex(zeroblob(700)), '0', '长')),"
    " (5, NULL, NULL, NULL, NULL, NULL, 'id = 5');"
    "COMMIT;";

// Records seeded per account name, for checking what a search by name finds.
const char* const kSeededDiaryUsers[] = {"张三", "张三", "O'Brien", "abc"};

const char* const kFingerprint =
    "SELECT (SELECT group_concat(quote(id) || ',' || quote(\"limit\") || ',' || quote(username) || ',' || "
    "quote(password), ';') FROM (SELECT * FROM users ORDER BY id)),"
    " (SELECT group_concat(quote(id) || ',' || quote(username) || ',' || quote(diarytitle) || ',' || "
    "quote(diarydate) || ',' || quote(diaryweek) || ',' || quote(diaryweather) || ',' || quote(diarytext), ';') "
    "FROM (SELECT * FROM diary ORDER BY id))";

// A property that does not hold. Not a std::exception, so that no check's own error handling takes it.
struct CheckFailure {
    QString what;
};

[[noreturn]] void fail(const char* what, const QString& detail = QString()) {
    throw CheckFailure{QString::fromUtf8(what) + QStringLiteral(": ") + detail};
}

void require(bool condition, const char* what, const QString& detail = QString()) {
    if (!condition)
        fail(what, detail);
}

bool isKnownNumber(int number) {
    static const int known[] = {
        dao::errEngine,
        dao::errNoCurrentRecord,
        dao::errDuplicateValue,
        dao::errFileNotFound,
        dao::errDiskFull,
        dao::errReadOnly,
        dao::errNotValidPassword,
        dao::errDiskIo,
        dao::errCannotOpen,
        dao::errTooFewParameters,
        dao::errSyntaxInExpression,
        dao::errTableNotFound,
        dao::errUnknownInsertField,
        dao::errInvalidStatement,
        dao::errSyntaxInFrom,
        dao::errSyntaxInInsert,
        dao::errSyntaxInUpdate,
        dao::errRecordDeleted,
        dao::errLocked,
        dao::errItemNotFound,
        dao::errUnrecognizedFormat,
        dao::errObjectClosed,
        dao::errTypeMismatch,
    };
    for (int candidate : known)
        if (candidate == number)
            return true;
    return false;
}

void requireWellFormed(const dao::DaoError& error) {
    require(isKnownNumber(error.number()), "unknown error number", QString::number(error.number()));
    require(!error.description().isEmpty(), "error without a description", QString::number(error.number()));
}

// The error number a call raises, 0 when it completes. Anything but a DaoError is a fault.
template <class Call> int errorOf(Call&& call) {
    try {
        call();
    } catch (const dao::DaoError& error) {
        requireWellFormed(error);
        return error.number();
    } catch (const std::exception& error) {
        fail("foreign exception", QString::fromLocal8Bit(error.what()));
    }
    return 0;
}

// The database the checks in progress work on.
dao::Database* g_db = nullptr;

dao::Database& db() {
    return *g_db;
}

struct Fingerprint {
    QByteArray users, diary;
    bool operator==(const Fingerprint&) const = default;
};

Fingerprint fingerprint() {
    dao::Connection& connection = *dao::connectionOf(db());
    dao::StatementHandle statement = connection.prepare(kFingerprint);
    if (sqlite3_step(statement.get()) != SQLITE_ROW)
        fail("fingerprint query failed");
    auto column = [&](int i) {
        return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), i)),
                          sqlite3_column_bytes(statement.get(), i));
    };
    return {column(0), column(1)};
}

void restore() {
    dao::connectionOf(db())->exec(kRestore);
}

// No two accounts whose names differ only in letter case.
void requireUniqueAccountNames() {
    dao::Connection& connection = *dao::connectionOf(db());
    dao::StatementHandle statement = connection.prepare("SELECT username FROM users WHERE username IS NOT NULL");
    std::vector<QByteArray> names;
    while (sqlite3_step(statement.get()) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)),
                           sqlite3_column_bytes(statement.get(), 0));
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j)
            require(dao::compareTextIgnoringCase(names[i].constData(), int(names[i].size()), names[j].constData(),
                                                 int(names[j].size())) != 0,
                    "two accounts share a name", QString::fromUtf8(names[i]));
}

// Walks a snapshot the way the windows do and checks that its movements and counts agree.
void walk(dao::Recordset& rs) {
    const qint64 first = rs.RecordCount();
    const bool empty = rs.Eof();
    require((first == 0) == empty, "RecordCount right after opening disagrees with EOF");
    if (empty) {
        require(errorOf([&] { rs.MoveFirst(); }) == dao::errNoCurrentRecord, "MoveFirst on nothing");
        require(errorOf([&] { rs.MoveLast(); }) == dao::errNoCurrentRecord, "MoveLast on nothing");
        require(errorOf([&] { rs.Fields(0); }) != 0, "a field without a current record");
    } else {
        rs.MoveLast();
        const qint64 count = rs.RecordCount();
        require(count >= 1, "MoveLast count");
        rs.MoveFirst();
        for (qint64 i = 0; i < count; ++i) {
            require(!rs.Eof(), "EOF before the counted records were read");
            for (int f = 0; f < rs.FieldCount(); ++f) {
                const QVariant byPosition = rs.Fields(f);
                require(byPosition == rs.Fields(rs.FieldName(f)), "field by name differs from field by position",
                        rs.FieldName(f));
            }
            rs.MoveNext();
        }
        require(rs.Eof(), "records beyond the count");
        require(errorOf([&] { rs.MoveNext(); }) == dao::errNoCurrentRecord, "MoveNext past the end");
    }
    require(errorOf([&] { rs.Fields(-1); }) == dao::errItemNotFound, "field at a negative position");
    rs.Close();
    require(errorOf([&] { rs.RecordCount(); }) == dao::errObjectClosed, "a closed snapshot still answers");
}

void runAsStatement(const QString& text) {
    const Fingerprint before = fingerprint();

    std::optional<dao::jet::Statement> parsed;
    errorOf([&] { parsed = dao::jet::parse(text); });

    const int queryError = errorOf([&] {
        std::shared_ptr<dao::Recordset> rs = db().OpenRecordset(text);
        walk(*rs);
    });
    require(fingerprint() == before, "a query changed the database", text);
    if (parsed && parsed->kind != dao::jet::Statement::Kind::Select)
        require(queryError == dao::errInvalidStatement, "a snapshot opened on a change", text);

    const int executeError = errorOf([&] { db().Execute(text); });
    const Fingerprint after = fingerprint();
    if (executeError != 0) {
        require(after == before, "a failed statement changed the database", text);
    } else {
        require(parsed.has_value(), "a statement ran that does not parse", text);
        require(parsed->kind != dao::jet::Statement::Kind::Select, "Execute ran a query", text);
        if (after != before)
            require(db().RecordsAffected() > 0, "records changed but none reported", text);
        const bool namesUsers = parsed->table.compare(QLatin1String("users"), Qt::CaseInsensitive) == 0;
        require(namesUsers || after.users == before.users, "users changed by a statement on another table", text);
        require(!namesUsers || after.diary == before.diary, "diary changed by a statement on users", text);
    }
    requireUniqueAccountNames();
    if (after != before)
        restore();
}

// What the parser made of one of the program's statements.
dao::jet::Statement parsedOrFail(const QString& sql) {
    dao::jet::Statement statement;
    const int error = errorOf([&] { statement = dao::jet::parse(sql); });
    require(error == 0, "a statement the program built does not parse", sql);
    return statement;
}

void requireTextLiteral(const dao::jet::Literal& literal, const QString& expected, const char* what) {
    require(literal.kind == dao::jet::Literal::Kind::Text && literal.text == expected, what, expected);
}

void requireComparison(const dao::jet::Condition* condition, const char* column, const QString& text) {
    require(condition && condition->kind == dao::jet::Condition::Kind::Compare &&
                condition->column == QLatin1String(column) && condition->op == dao::jet::CompareOp::Equal,
            "condition changed by a value", text);
    requireTextLiteral(condition->value, text, "condition value changed");
}

void requireColumns(const dao::jet::Statement& statement, std::initializer_list<const char*> names,
                    const QString& text) {
    require(statement.columns.size() == names.size() && statement.values.size() == names.size(),
            "column list changed by a value", text);
    std::size_t i = 0;
    for (const char* name : names)
        require(statement.columns[i++] == QLatin1String(name), "column list changed by a value", text);
}

// Every statement the program builds keeps its shape whatever the typed text holds.
void checkBuiltStatements(const QString& v) {
    using Kind = dao::jet::Statement::Kind;
    const QString entry = sql::entryText(v);
    require(!entry.contains(QLatin1Char('\'')), "an apostrophe survives in entry text", v);

    const auto user = parsedOrFail(sql::selectUser(v));
    require(user.kind == Kind::Select && user.allColumns && user.table == QLatin1String("users"), "selectUser", v);
    requireComparison(user.where.get(), "username", v);

    const auto diary = parsedOrFail(sql::selectDiaryOfUser(v));
    require(diary.kind == Kind::Select && diary.allColumns && diary.table == QLatin1String("diary"),
            "selectDiaryOfUser", v);
    requireComparison(diary.where.get(), "username", v);

    const auto newUser = parsedOrFail(sql::insertUser(v, v));
    require(newUser.kind == Kind::Insert && newUser.table == QLatin1String("users"), "insertUser", v);
    requireColumns(newUser, {"username", "password", "limit"}, v);
    requireTextLiteral(newUser.values[0], v, "insertUser name");
    requireTextLiteral(newUser.values[1], v, "insertUser password");
    requireTextLiteral(newUser.values[2], QStringLiteral("1"), "insertUser limit");

    const auto insert = parsedOrFail(sql::insertDiary({0, v, v, v, v, v, v}));
    require(insert.kind == Kind::Insert && insert.table == QLatin1String("diary"), "insertDiary", v);
    requireColumns(insert, {"username", "diarytitle", "diarydate", "diaryweek", "diaryweather", "diarytext"}, v);
    const QString expectedInsert[] = {v, entry, v, v, entry, entry};
    for (int i = 0; i < 6; ++i)
        requireTextLiteral(insert.values[std::size_t(i)], expectedInsert[i], "insertDiary value");

    const auto update = parsedOrFail(sql::updateDiary({4, v, v, v, v, v, v}));
    require(update.kind == Kind::Update && update.table == QLatin1String("diary"), "updateDiary", v);
    requireColumns(update, {"diarytitle", "diarydate", "diaryweek", "diaryweather", "diarytext"}, v);
    const QString expectedUpdate[] = {entry, v, v, entry, entry};
    for (int i = 0; i < 5; ++i)
        requireTextLiteral(update.values[std::size_t(i)], expectedUpdate[i], "updateDiary value");
    const dao::jet::Condition* where = update.where.get();
    require(where && where->kind == dao::jet::Condition::Kind::Compare && where->column == QLatin1String("id") &&
                where->value.kind == dao::jet::Literal::Kind::Integer && where->value.integer == 4,
            "updateDiary condition changed by a value", v);
}

QString textField(dao::Recordset& rs, const char* name) {
    return dao::fieldText(rs.Fields(QLatin1String(name)));
}

bool sameNameIgnoringCase(const QString& a, const QString& b) {
    const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
    return dao::compareTextIgnoringCase(ua.constData(), int(ua.size()), ub.constData(), int(ub.size())) == 0;
}

// Saves the text through the program's statements and reads it back.
void roundTripThroughDatabase(const QString& v) {
    const QString entry = sql::entryText(v);
    const Fingerprint before = fingerprint();

    require(errorOf([&] {
                db().Execute(sql::insertDiary({0, v, v, v, v, v, v}));
            }) == 0,
            "saving a new entry failed", v);
    require(db().RecordsAffected() == 1, "saving a new entry stored no record", v);
    {
        auto rs = db().OpenRecordset(sql::selectDiaryOfUser(v));
        qint64 seeded = 0;
        for (const char* name : kSeededDiaryUsers)
            seeded += sameNameIgnoringCase(QString::fromUtf8(name), v) ? 1 : 0;
        require(!rs->Eof(), "the new entry is not found by its owner", v);
        rs->MoveLast();
        require(rs->RecordCount() == seeded + 1, "the owner's list holds other accounts' entries", v);
        // The new entry has the highest id, and records come in the order they were added.
        require(textField(*rs, "username") == v && textField(*rs, "diarytitle") == entry &&
                    textField(*rs, "diarydate") == v && textField(*rs, "diaryweek") == v &&
                    textField(*rs, "diaryweather") == entry && textField(*rs, "diarytext") == entry,
                "a new entry did not come back as typed", v);
        rs->MoveFirst();
        while (!rs->Eof()) {
            require(sameNameIgnoringCase(textField(*rs, "username"), v), "another account's entry listed", v);
            rs->MoveNext();
        }
    }

    require(errorOf([&] {
                db().Execute(sql::updateDiary({4, v, v, v, v, v, v}));
            }) == 0,
            "saving a changed entry failed", v);
    require(db().RecordsAffected() == 1, "a change touched other than one record", v);
    {
        auto rs = db().OpenRecordset(sql::selectDiaryWhere(sql::entryKey(4)));
        require(rs->RecordCount() == 1, "the changed entry is gone", v);
        require(textField(*rs, "username") == QLatin1String("abc") && textField(*rs, "diarytitle") == entry &&
                    textField(*rs, "diarydate") == v && textField(*rs, "diaryweek") == v &&
                    textField(*rs, "diaryweather") == entry && textField(*rs, "diarytext") == entry,
                "a changed entry did not come back as typed", v);
    }

    const int registered = errorOf([&] { db().Execute(sql::insertUser(v, v)); });
    bool taken = false;
    for (const char* name : {"张三", "O'Brien", "ABC", "𠀀😀"})
        taken = taken || sameNameIgnoringCase(QString::fromUtf8(name), v);
    require(registered == (taken ? int(dao::errDuplicateValue) : 0), "registering an account", v);
    {
        auto rs = db().OpenRecordset(sql::selectUser(v));
        rs->MoveLast();
        require(rs->RecordCount() == 1, "looking up an account by name", v);
        if (!taken)
            require(dao::fieldText(rs->Fields(2)) == v && dao::fieldText(rs->Fields(3)) == v,
                    "an account did not come back as typed", v);
    }
    requireUniqueAccountNames();
    if (fingerprint() != before)
        restore();
}

} // namespace

StatementChecker::StatementChecker(const QString& path) {
    QString message;
    if (!dao::createDiaryDatabase(path, &message))
        qFatal("cannot create the scratch database: %s", qPrintable(message));
    m_db = dao::OpenDatabase(path, false, false, dao::diaryConnect());
    // Durability is not under test here, and every page written costs an encryption: the journal stays in
    // memory and nothing waits for the disk.
    dao::connectionOf(*m_db)->exec("PRAGMA journal_mode = MEMORY");
    dao::connectionOf(*m_db)->exec("PRAGMA synchronous = OFF");
    dao::connectionOf(*m_db)->exec(kRestore);
}

StatementChecker::~StatementChecker() = default;

QString StatementChecker::check(const QString& text) {
    g_db = m_db.get();
    try {
        runAsStatement(text);
        checkBuiltStatements(text);
        roundTripThroughDatabase(text);
    } catch (const CheckFailure& failure) {
        // Leave the next check a clean start.
        try {
            restore();
        } catch (const dao::DaoError&) {
            // The failure being reported matters more than a failed clean-up.
        }
        return failure.what;
    }
    return QString();
}

} // namespace fuzzcheck
