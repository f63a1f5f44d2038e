// The statement layer and snapshots: the program's SQL forms, case-insensitive text comparison, literals
// that stay literals, syntax errors, snapshot moves, long text read on demand and unique account names.

#include "DaoTestUtil.h"
#include "db/Connection.h"
#include "db/DaoInternal.h"
#include "db/LongTextReader.h"
#include "support/TestSupport.h"

#include <sqlite3.h>

#include <QTest>

#include <latch>
#include <thread>

using daotest::errorNumber;
using daotest::quoted;
using daotest::rows;

class TestDao : public QObject {
    Q_OBJECT

private slots:
    void programStatements();
    void limitReadsAsWholeNumber();
    void whereConditions_data();
    void whereConditions();
    void literalsStayValues_data();
    void literalsStayValues();
    void syntaxErrors_data();
    void syntaxErrors();
    void recordsAffected();
    void idsNotReused();
    void emptySnapshot();
    void snapshotMoves();
    void snapshotFields();
    void closedSnapshot();
    void fieldText_data();
    void fieldText();
    void longTextOnDemand();
    void snapshotHoldsNoLock();
    void bodiesReadAhead_data();
    void bodiesReadAhead();
    void uniqueAccountNames_data();
    void uniqueAccountNames();
    void renameIntoTakenName();
    void racingRegistrations();
};

void TestDao::programStatements() {
    testsupport::TempDiary diary;
    auto db = diary.open();

    db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values('Zhang''s', 'pw', '1')"));
    db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values('li', 'secret', '1')"));
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList({"Zhang's", "li"}));
    QCOMPARE(rows(*db, QStringLiteral("Select * from users where username = 'Zhang''s'")),
             QStringList({"1|1|Zhang's|pw"}));

    db->Execute(QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                               "Values('U', 'T', '2009/9/8', '星期二', '大雨', 'B')"));
    db->Execute(QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                               "Values('x', 'T2', '2009/9/9', '星期三', '晴', 'B2')"));
    QCOMPARE(rows(*db, QStringLiteral("Select * from diary where username = 'x'")),
             QStringList({"2|x|T2|2009/9/9|星期三|晴|B2"}));
    QCOMPARE(rows(*db, QStringLiteral("Select * from diary where id = 1")),
             QStringList({"1|U|T|2009/9/8|星期二|大雨|B"}));

    db->Execute(QStringLiteral(
        "UPDATE diary SET diarytitle='T', diarydate='D', diaryweek='W', diaryweather='R', diarytext='B' where id = 2"));
    QCOMPARE(db->RecordsAffected(), 1);
    QCOMPARE(rows(*db, QStringLiteral("Select * from diary where id = 2")), QStringList({"2|x|T|D|W|R|B"}));

    db->Execute(QStringLiteral("Delete from diary where id = 1"));
    QCOMPARE(db->RecordsAffected(), 1);
    QCOMPARE(rows(*db, QStringLiteral("Select id from diary")), QStringList({"2"}));

    // Keywords in any case, any whitespace, bracketed names, DELETE *, a trailing semicolon.
    QCOMPARE(rows(*db, QStringLiteral("sElEcT\tdiarytitle ,[diaryweek]\n FROM  Diary\r\nWHERE ID=2 ;")),
             QStringList({"T|W"}));
    db->Execute(QStringLiteral("DELETE * FROM diary WHERE id = 2;"));
    QCOMPARE(rows(*db, QStringLiteral("Select id from diary")), QStringList());
}

void TestDao::limitReadsAsWholeNumber() {
    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("u"), QStringLiteral("p"));
    auto rs = diary.open()->OpenRecordset(QStringLiteral("Select limit, id from users"));
    QCOMPARE(rs->Fields(QStringLiteral("limit")).typeId(), QMetaType::LongLong);
    QCOMPARE(rs->Fields(QStringLiteral("limit")).toLongLong(), 1);
    QCOMPARE(rs->Fields(1).typeId(), QMetaType::LongLong);
}

void TestDao::whereConditions_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("ascii ignores case") << "username = 'alice'" << QStringList{"Alice"};
    QTest::newRow("latin-1 letters") << "username = 'ärger'" << QStringList{"ÄRGER"};
    QTest::newRow("full-width letters") << "username = 'ａｂｃ'" << QStringList{"ＡＢＣ"};
    QTest::newRow("greek") << "username = 'ΣΟΦΊΑ'" << QStringList{"σοφία"};
    QTest::newRow("cyrillic") << "username = 'иван'" << QStringList{"Иван"};
    QTest::newRow("chinese exact") << "username = '张三'" << QStringList{"张三"};
    QTest::newRow("not equal ignores case")
        << "username <> 'ALICE'" << QStringList{"ÄRGER", "ＡＢＣ", "σοφία", "Иван", "张三"};
    QTest::newRow("less than ignores case") << "username < 'B'" << QStringList{"Alice"};
    QTest::newRow("greater or equal") << "username >= 'alice'"
                                      << QStringList{"Alice", "ÄRGER", "ＡＢＣ", "σοφία", "Иван", "张三"};
    QTest::newRow("no partial match") << "username = 'ali'" << QStringList{};
    QTest::newRow("empty text") << "username = ''" << QStringList{};
    QTest::newRow("numbers numerically") << "limit > 9" << QStringList{"ÄRGER", "ＡＢＣ"};
    QTest::newRow("negative literal") << "limit > -1" << QStringList{"Alice", "ÄRGER", "ＡＢＣ", "σοφία", "Иван"};
    QTest::newRow("id equal") << "id = 3" << QStringList{"ＡＢＣ"};
    QTest::newRow("and binds tighter than or")
        << "username = 'alice' or username = 'иван' and limit = 2" << QStringList{"Alice", "Иван"};
    QTest::newRow("parentheses") << "(username = 'alice' or username = 'иван') and limit = 2" << QStringList{"Иван"};
    QTest::newRow("not") << "not limit >= 9" << QStringList{"σοφία", "Иван"};
    QTest::newRow("null never equal") << "password = NULL" << QStringList{};
    QTest::newRow("null never unequal") << "password <> NULL" << QStringList{};
    QTest::newRow("unequal skips missing")
        << "password <> 'x'" << QStringList{"Alice", "ÄRGER", "ＡＢＣ", "σοφία", "Иван"};
    QTest::newRow("is null") << "password is null" << QStringList{"张三"};
    QTest::newRow("is not null") << "password IS NOT NULL and limit = 9" << QStringList{"Alice"};
}

void TestDao::whereConditions() {
    QFETCH(QString, where);
    QFETCH(QStringList, names);

    testsupport::TempDiary diary;
    auto db = diary.open();
    const struct {
        const char* name;
        const char* limit;
        const char* password;
    } users[] = {{"Alice", "9", "'p'"}, {"ÄRGER", "10", "'p'"}, {"ＡＢＣ", "100", "'p'"},
                 {"σοφία", "1", "'p'"}, {"Иван", "2", "'p'"},   {"张三", "NULL", "NULL"}};
    for (const auto& user : users) {
        db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values(%1, %2, %3)")
                        .arg(quoted(QString::fromUtf8(user.name)), QString::fromUtf8(user.password),
                             QString::fromUtf8(user.limit)));
    }
    QCOMPARE(rows(*db, QStringLiteral("Select username from users where ") + where), names);
}

void TestDao::literalsStayValues_data() {
    QTest::addColumn<QString>("value");

    QTest::newRow("apostrophe") << "Zhang's";
    QTest::newRow("only quotes") << "''";
    QTest::newRow("one quote") << "'";
    QTest::newRow("or injection") << "' OR '1'='1";
    QTest::newRow("drop injection") << "; DROP TABLE diary; --";
    QTest::newRow("delete injection") << "x'); DELETE FROM users; --";
    QTest::newRow("brackets and double quotes") << "[diary] \"users\"";
    QTest::newRow("backslashes") << "C:\\temp\\ \\' \\";
    QTest::newRow("lines and tabs") << "第一行\n第二行\r\n\t缩进";
    QTest::newRow("empty") << "";
}

void TestDao::literalsStayValues() {
    QFETCH(QString, value);

    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("owner"), QStringLiteral("pw"));
    auto db = diary.open();
    db->Execute(QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                               "Values(%1, %1, '2009/9/8', '', '', %1)")
                    .arg(quoted(value)));
    const QStringList found =
        rows(*db, QStringLiteral("Select diarytitle, diarytext from diary where username = %1").arg(quoted(value)));
    QCOMPARE(found, QStringList{value + QLatin1Char('|') + value});

    db->Execute(QStringLiteral("UPDATE diary SET diaryweather=%1 where diarytitle = %1").arg(quoted(value)));
    QCOMPARE(db->RecordsAffected(), 1);
    QCOMPARE(rows(*db, QStringLiteral("Select diaryweather from diary")), QStringList{value});

    // Nothing else was touched: both tables still there with their records.
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList{"owner"});
    QCOMPARE(rows(*db, QStringLiteral("Select id from diary")), QStringList{"1"});
    db->Execute(QStringLiteral("Delete from diary where diarytext = %1").arg(quoted(value)));
    QCOMPARE(db->RecordsAffected(), 1);
}

void TestDao::syntaxErrors_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("execute"); // Execute rather than OpenRecordset
    QTest::addColumn<int>("number");

    QTest::newRow("empty") << "" << false << 3129;
    QTest::newRow("unknown statement") << "Drop table diary" << true << 3129;
    QTest::newRow("execute a select") << "Select * from users" << true << 3129;
    QTest::newRow("open an action") << "Delete from diary" << false << 3129;
    QTest::newRow("two selects") << "Select * from users; Select * from diary" << false << 3131;
    QTest::newRow("two deletes") << "Delete from diary where id = 1; Delete from users" << true << 3075;
    QTest::newRow("unterminated quote") << "Select * from users where username = 'abc" << false << 3075;
    QTest::newRow("or injection not doubled") << "Select * from users where username = '' OR '1'='1'" << false << 3075;
    QTest::newRow("line comment") << "Select * from users where id = 1 -- x" << false << 3075;
    QTest::newRow("block comment") << "Select * from users /* x */" << false << 3131;
    QTest::newRow("column without operator") << "Select * from users where username" << false << 3075;
    QTest::newRow("unclosed parenthesis") << "Select * from users where (id = 1" << false << 3075;
    QTest::newRow("column on both sides") << "Select * from users where username = password" << false << 3075;
    QTest::newRow("decimal number") << "Select * from users where id = 1.5" << false << 3075;
    QTest::newRow("number too large") << "Select * from users where id = 99999999999999999999" << false << 3075;
    QTest::newRow("missing comma") << "Select username password from users" << false << 3131;
    QTest::newRow("missing from") << "Select * users" << false << 3131;
    QTest::newRow("stray word") << "Select * from users extra" << false << 3131;
    QTest::newRow("unknown table") << "Select * from nosuch" << false << 3078;
    QTest::newRow("engine table") << "Select * from sqlite_master" << false << 3078;
    QTest::newRow("unknown select column") << "Select nosuch from users" << false << 3061;
    QTest::newRow("unknown where column") << "Select * from users where nosuch = 'a'" << false << 3061;
    QTest::newRow("number column, text") << "Select * from users where id = 'a'" << false << 3464;
    QTest::newRow("text column, number") << "Select * from users where username = 1" << false << 3464;
    QTest::newRow("insert count mismatch") << "INSERT INTO users(username) Values('a', 'b')" << true << 3134;
    QTest::newRow("insert name as value") << "INSERT INTO users(username) Values(password)" << true << 3134;
    QTest::newRow("insert duplicate column") << "INSERT INTO users(username,USERNAME) Values('a','b')" << true << 3134;
    QTest::newRow("insert then delete") << "INSERT INTO users(username) Values('a'); Delete from users" << true << 3134;
    QTest::newRow("insert unknown column") << "INSERT INTO users(nosuch) Values('a')" << true << 3127;
    QTest::newRow("insert unknown table") << "INSERT INTO nosuch(a) Values('a')" << true << 3078;
    QTest::newRow("insert text into number") << "INSERT INTO users(limit) Values('abc')" << true << 3464;
    QTest::newRow("update missing comma")
        << "UPDATE diary SET diarytitle='T' diarytext='B' where id = 1" << true << 3144;
    QTest::newRow("update unknown column") << "UPDATE diary SET nosuch='T'" << true << 3061;
    QTest::newRow("update bad where") << "UPDATE diary SET diarytitle='T' where id = 1 or" << true << 3075;
    QTest::newRow("delete without from") << "Delete diary where id = 1" << true << 3131;
    QTest::newRow("delete stray quote") << "Delete from diary where id = 1 '" << true << 3075;
    QTest::newRow("non-ascii outside text") << "Select * from users where username = ＇a＇" << false << 3075;
}

void TestDao::syntaxErrors() {
    QFETCH(QString, sql);
    QFETCH(bool, execute);
    QFETCH(int, number);

    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("a"), QStringLiteral("p"));
    diary.addEntry(QStringLiteral("a"), QStringLiteral("t"), QStringLiteral("2009/9/8"));
    auto db = diary.open();
    QString description;
    const int raised = errorNumber(
        [&] {
            if (execute)
                db->Execute(sql);
            else
                db->OpenRecordset(sql);
        },
        &description);
    QCOMPARE(raised, number);
    QVERIFY(!description.isEmpty());
    // A refused statement changed nothing.
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList{"a"});
    QCOMPARE(rows(*db, QStringLiteral("Select id from diary")), QStringList{"1"});
}

void TestDao::recordsAffected() {
    testsupport::TempDiary diary;
    for (int i = 0; i < 3; ++i)
        diary.addEntry(QStringLiteral("u"), QStringLiteral("t"), QStringLiteral("d"));
    diary.addEntry(QStringLiteral("v"), QStringLiteral("t"), QStringLiteral("d"));
    auto db = diary.open();
    db->Execute(QStringLiteral("UPDATE diary SET diarytitle='x' where username = 'U'"));
    QCOMPARE(db->RecordsAffected(), 3);
    db->Execute(QStringLiteral("Delete from diary where id = 99"));
    QCOMPARE(db->RecordsAffected(), 0);
    db->Execute(QStringLiteral("Delete from diary"));
    QCOMPARE(db->RecordsAffected(), 4);
}

void TestDao::idsNotReused() {
    testsupport::TempDiary diary;
    diary.addEntry(QStringLiteral("u"), QStringLiteral("a"), QStringLiteral("d"));
    const qint64 second = diary.addEntry(QStringLiteral("u"), QStringLiteral("b"), QStringLiteral("d"));
    diary.open()->Execute(QStringLiteral("Delete from diary where id = %1").arg(second));
    QCOMPARE(diary.addEntry(QStringLiteral("u"), QStringLiteral("c"), QStringLiteral("d")), second + 1);
}

void TestDao::emptySnapshot() {
    testsupport::TempDiary diary;
    auto rs = diary.open()->OpenRecordset(QStringLiteral("Select * from diary"));
    QCOMPARE(rs->RecordCount(), 0);
    QVERIFY(rs->BOF());
    QVERIFY(rs->EOF());
    QCOMPARE(rs->FieldCount(), 7);
    QCOMPARE(errorNumber([&] { rs->MoveFirst(); }), 3021);
    QCOMPARE(errorNumber([&] { rs->MoveLast(); }), 3021);
    QCOMPARE(errorNumber([&] { rs->MoveNext(); }), 3021);
    QCOMPARE(errorNumber([&] { rs->Fields(0); }), 3021);
    QCOMPARE(errorNumber([&] { rs->Fields(QStringLiteral("diarytext")); }), 3021);
    QCOMPARE(errorNumber([&] { rs->Fields(QStringLiteral("nosuch")); }), 3265);
    QCOMPARE(rs->RecordCount(), 0);
}

void TestDao::snapshotMoves() {
    testsupport::TempDiary diary;
    for (const char* title : {"a", "b", "c"})
        diary.addEntry(QStringLiteral("u"), QString::fromUtf8(title), QStringLiteral("d"));
    auto rs = diary.open()->OpenRecordset(QStringLiteral("Select diarytitle from diary"));

    QCOMPARE(rs->RecordCount(), 1); // only the first record visited so far
    QVERIFY(!rs->BOF());
    QVERIFY(!rs->EOF());
    QCOMPARE(rs->Fields(0).toString(), QStringLiteral("a"));
    rs->MoveNext();
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(rs->Fields(0).toString(), QStringLiteral("b"));
    rs->MoveLast();
    QCOMPARE(rs->RecordCount(), 3);
    QCOMPARE(rs->Fields(0).toString(), QStringLiteral("c"));
    rs->MoveFirst();
    QCOMPARE(rs->RecordCount(), 3);
    QCOMPARE(rs->Fields(0).toString(), QStringLiteral("a"));

    rs->MoveLast();
    rs->MoveNext();
    QVERIFY(rs->EOF());
    QVERIFY(!rs->BOF());
    QCOMPARE(errorNumber([&] { rs->Fields(0); }), 3021);
    QCOMPARE(errorNumber([&] { rs->MoveNext(); }), 3021);
    rs->MoveFirst(); // EOF is left by moving back
    QVERIFY(!rs->EOF());
    QCOMPARE(rs->Fields(QStringLiteral("DiaryTitle")).toString(), QStringLiteral("a"));
}

void TestDao::snapshotFields() {
    testsupport::TempDiary diary;
    auto db = diary.open();
    db->Execute(QStringLiteral("INSERT INTO users(username,limit) Values('u', 7)"));
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM USERS"));
    QCOMPARE(rs->FieldCount(), 4);
    QStringList names;
    for (int i = 0; i < rs->FieldCount(); ++i)
        names << rs->FieldName(i);
    QCOMPARE(names, QStringList({"id", "limit", "username", "password"}));
    QCOMPARE(rs->Fields(0), QVariant(qint64(1)));
    QCOMPARE(rs->Fields(QStringLiteral("LIMIT")), QVariant(qint64(7)));
    QCOMPARE(rs->Fields(QStringLiteral("username")), QVariant(QStringLiteral("u")));
    QVERIFY(!rs->Fields(QStringLiteral("password")).isValid());
    QCOMPARE(errorNumber([&] { rs->Fields(4); }), 3265);
    QCOMPARE(errorNumber([&] { rs->Fields(-1); }), 3265);
    QCOMPARE(errorNumber([&] { rs->FieldName(4); }), 3265);
    QCOMPARE(errorNumber([&] { rs->Fields(QStringLiteral("diarytext")); }), 3265);

    // A list of columns comes back in the order asked for, under the table's own spelling.
    auto picked = db->OpenRecordset(QStringLiteral("Select PASSWORD, Id from users"));
    QCOMPARE(picked->FieldName(0), QStringLiteral("password"));
    QCOMPARE(picked->FieldName(1), QStringLiteral("id"));
    QCOMPARE(picked->Fields(1), QVariant(qint64(1)));
}

void TestDao::closedSnapshot() {
    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("u"), QStringLiteral("p"));
    auto rs = diary.open()->OpenRecordset(QStringLiteral("Select * from users"));
    rs->Close();
    QCOMPARE(errorNumber([&] { rs->RecordCount(); }), 3420);
    QCOMPARE(errorNumber([&] { rs->Fields(0); }), 3420);
    QCOMPARE(errorNumber([&] { rs->MoveFirst(); }), 3420);
    QCOMPARE(errorNumber([&] { rs->EOF(); }), 3420);
    QCOMPARE(errorNumber([&] { rs->Close(); }), 3420);
}

void TestDao::fieldText_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("null") << QVariant() << "";
    QTest::newRow("whole number") << QVariant(qint64(-42)) << "-42";
    QTest::newRow("fraction") << QVariant(2.5) << "2.5";
    QTest::newRow("text") << QVariant(QStringLiteral("日记")) << "日记";
}

void TestDao::fieldText() {
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QCOMPARE(dao::fieldText(value), text);
}

void TestDao::longTextOnDemand() {
    testsupport::TempDiary diary;
    QString longBody;
    for (int i = 0; longBody.size() < 3000; ++i)
        longBody += QStringLiteral("青简录第%1行，今天天气很好。").arg(i);
    diary.addEntry(QStringLiteral("u"), QStringLiteral("one"), QStringLiteral("d"), {}, {}, longBody);
    diary.addEntry(QStringLiteral("u"), QStringLiteral("two"), QStringLiteral("d"), {}, {}, QStringLiteral("旧"));
    diary.addEntry(QStringLiteral("u"), QStringLiteral("three"), QStringLiteral("d"), {}, {}, QStringLiteral("x"));
    diary.addEntry(QStringLiteral("u"), QStringLiteral("four"), QStringLiteral("d"));
    auto db = diary.open();
    db->Execute(QStringLiteral("UPDATE diary SET diarytext=NULL where id = 4"));

    auto rs = db->OpenRecordset(QStringLiteral("Select * from diary"));
    QCOMPARE(rs->Fields(QStringLiteral("diarytext")).toString(), longBody);
    QCOMPARE(rs->Fields(6).toString(), longBody);

    // Changed after opening: the body reads as it is now, the copied fields as they were.
    auto other = diary.open();
    other->Execute(QStringLiteral("UPDATE diary SET diarytitle='new', diarytext='新' where id = 2"));
    other->Execute(QStringLiteral("Delete from diary where id = 3"));
    rs->MoveNext();
    QCOMPARE(rs->Fields(QStringLiteral("diarytitle")).toString(), QStringLiteral("two"));
    QCOMPARE(rs->Fields(QStringLiteral("diarytext")).toString(), QStringLiteral("新"));

    // Deleted after opening: the copy still answers, the body cannot be read.
    rs->MoveNext();
    QCOMPARE(rs->Fields(QStringLiteral("diarytitle")).toString(), QStringLiteral("three"));
    QCOMPARE(errorNumber([&] { rs->Fields(QStringLiteral("diarytext")); }), 3167);

    // The snapshot outlives the Database object that opened it.
    db.reset();
    other.reset();
    rs->MoveNext();
    QVERIFY(!rs->Fields(QStringLiteral("diarytext")).isValid());
    rs->MoveFirst();
    QCOMPARE(rs->Fields(QStringLiteral("diarytext")).toString(), longBody);
}

void TestDao::snapshotHoldsNoLock() {
    testsupport::TempDiary diary;
    for (int i = 0; i < 50; ++i)
        diary.addEntry(QStringLiteral("u"), QString::number(i), QStringLiteral("d"), {}, {}, QStringLiteral("body"));
    auto reader = diary.open();
    auto rs = reader->OpenRecordset(QStringLiteral("Select * from diary where username = 'u'"));
    rs->Fields(QStringLiteral("diarytext"));
    // Were a read lock still held, the writer could not commit and would end in 3260.
    auto writer = dao::OpenDatabase(diary.databasePath(), false, false, QStringLiteral(";Pwd=vexol"));
    writer->Execute(QStringLiteral("Delete from diary"));
    QCOMPARE(writer->RecordsAffected(), 50);
    QCOMPARE(rs->Fields(QStringLiteral("diarytitle")).toString(), QStringLiteral("0"));
}

void TestDao::bodiesReadAhead_data() {
    QTest::addColumn<int>("threads");
    QTest::newRow("one thread reads nothing ahead") << 1;
    QTest::newRow("two threads") << 2;
    QTest::newRow("three threads") << 3;
}

// Bodies read ahead on other connections give, record by record, what the snapshot itself reads: the same
// accepted values, and a failure where a record was deleted after the snapshot was taken.
void TestDao::bodiesReadAhead() {
    QFETCH(int, threads);
    testsupport::TempDiary diary;
    auto db = diary.open();
    sqlite3_exec(dao::connectionOf(*db)->handle(),
                 "BEGIN; WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2500) "
                 "INSERT INTO diary(username, diarytext) SELECT CASE WHEN x % 5 = 0 THEN 'other' ELSE 'u' END, "
                 "CASE WHEN x % 7 = 0 THEN '今天' || x WHEN x % 11 = 0 THEN NULL ELSE '昨天' || x END FROM c; COMMIT",
                 nullptr, nullptr, nullptr);
    auto rs = db->OpenRecordset(QStringLiteral("Select * from diary where username = 'u'"));
    db->Execute(QStringLiteral("Delete from diary where id = 14 or id = 2499"));
    auto matches = [](const QVariant& value) { return dao::fieldText(value).contains(QStringLiteral("今天")); };
    dao::LongTextReader ahead(rs.get(), 6, matches, threads);
    QCOMPARE(ahead.active(), threads > 1);

    using Outcome = dao::LongTextReader::Outcome;
    rs->MoveLast();
    const qint64 count = rs->RecordCount();
    QCOMPARE(count, 2000);
    QStringList expected, found;
    rs->MoveFirst();
    for (qint64 row = 0; row < count; ++row, rs->MoveNext()) {
        QVariant value;
        Outcome outcome;
        while ((outcome = ahead.outcome(row, 50, &value)) == Outcome::Pending) {
        }
        QVariant own;
        const int number = errorNumber([&] { own = rs->Fields(6); });
        const Outcome wanted = !ahead.active() ? Outcome::Unavailable
                               : number        ? Outcome::Failed
                               : matches(own)  ? Outcome::Accepted
                                               : Outcome::Refused;
        QCOMPARE(outcome, wanted);
        if (outcome == Outcome::Accepted)
            QCOMPARE(value, own);
    }
}

void TestDao::uniqueAccountNames_data() {
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("added");
    QTest::addColumn<int>("number");

    QTest::newRow("same name") << "张三"
                               << "张三" << 3022;
    QTest::newRow("ascii case") << "Bob"
                                << "bOB" << 3022;
    QTest::newRow("latin-1 case") << "Ärger"
                                  << "äRGER" << 3022;
    QTest::newRow("full-width case") << "ＡＢＣ"
                                     << "ａｂｃ" << 3022;
    QTest::newRow("greek case") << "Σοφία"
                                << "ΣΟΦΊΑ" << 3022;
    QTest::newRow("cyrillic case") << "Иван"
                                   << "иВАН" << 3022;
    QTest::newRow("longer name") << "Bob"
                                 << "Bobby" << 0;
    QTest::newRow("other name") << "张三"
                                << "李四" << 0;
    QTest::newRow("accent differs") << "Ärger"
                                    << "Arger" << 0;
}

void TestDao::uniqueAccountNames() {
    QFETCH(QString, existing);
    QFETCH(QString, added);
    QFETCH(int, number);

    testsupport::TempDiary diary;
    diary.addUser(existing, QStringLiteral("p"));
    auto db = diary.open();
    QString description;
    QCOMPARE(errorNumber(
                 [&] {
                     db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values(%1, 'q', '1')")
                                     .arg(quoted(added)));
                 },
                 &description),
             number);
    const QStringList expected = number ? QStringList{existing} : QStringList{existing, added};
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), expected);
    if (number)
        QVERIFY(description.contains(added));
}

void TestDao::renameIntoTakenName() {
    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("Zoë"), QStringLiteral("p"));
    diary.addUser(QStringLiteral("Ann"), QStringLiteral("p"));
    auto db = diary.open();
    QCOMPARE(errorNumber([&] { db->Execute(QStringLiteral("UPDATE users SET username='ZOË' where id = 2")); }), 3022);
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList({"Zoë", "Ann"}));
    QCOMPARE(db->RecordsAffected(), 0);
    // Changing only the case of one's own name is no collision.
    db->Execute(QStringLiteral("UPDATE users SET username='ANN' where id = 2"));
    // Giving two accounts one name at once is.
    QCOMPARE(errorNumber([&] { db->Execute(QStringLiteral("UPDATE users SET username='Eve'")); }), 3022);
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList({"Zoë", "ANN"}));
}

void TestDao::racingRegistrations() {
    testsupport::TempDiary diary;
    const QString path = diary.databasePath();
    // Pairs the built-in NOCASE index cannot tell apart as equal: only the layer's own check can.
    const QStringList first = {"Zoë", "Ärger", "Σοφία", "ａｂｃ"};
    const QStringList second = {"ZOË", "äRGER", "ΣΟΦΊΑ", "ＡＢＣ"};
    for (qsizetype round = 0; round < first.size(); ++round) {
        auto a = dao::OpenDatabase(path, false, false, QStringLiteral(";Pwd=vexol"));
        auto b = dao::OpenDatabase(path, false, false, QStringLiteral(";Pwd=vexol"));
        std::latch start(2);
        int results[2] = {-1, -1};
        auto registerAs = [&start](dao::Database* db, const QString& name, int* result) {
            start.arrive_and_wait();
            *result = errorNumber([&] {
                db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values(%1, 'p', '1')")
                                .arg(quoted(name)));
            });
        };
        std::thread one(registerAs, a.get(), first[round], &results[0]);
        std::thread two(registerAs, b.get(), second[round], &results[1]);
        one.join();
        two.join();
        QVERIFY2((results[0] == 0 && results[1] == 3022) || (results[0] == 3022 && results[1] == 0),
                 qPrintable(QStringLiteral("%1 / %2").arg(results[0]).arg(results[1])));
        QCOMPARE(rows(*a, QStringLiteral("Select id from users where username = %1").arg(quoted(first[round]))).size(),
                 1);
    }
    QCOMPARE(rows(*diary.open(), QStringLiteral("Select id from users")).size(), first.size());
}

QTEST_GUILESS_MAIN(TestDao)
#include "tst_dao.moc"
