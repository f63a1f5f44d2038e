// The database layer: the program's statements in the Jet dialect with values that stay values, DAO error
// numbers, snapshot moves, long text read on demand and read ahead, unique account names, and the file itself
// (read-only use, the derived key, creating it, the indexes added to an older file), and the access its
// backups get.

#include "app/SqlText.h"
#include "db/Backup.h"
#include "db/Connection.h"
#include "db/DaoInternal.h"
#include "db/IndexBuilder.h"
#include "db/KeyCache.h"
#include "db/LongTextReader.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <latch>
#include <thread>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

std::shared_ptr<dao::Database> openFile(const QString& path, bool readOnly = false) {
    return dao::OpenDatabase(path, false, readOnly, QStringLiteral(";Pwd=vexol"));
}

// Every record the query finds, each as its fields' texts joined with '|'.
QStringList rows(dao::Database& db, const QString& sql) {
    QStringList result;
    for (auto rs = db.OpenRecordset(sql); !rs->Eof(); rs->MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs->FieldCount(); ++i)
            fields << dao::fieldText(rs->Fields(i));
        result << fields.join(QLatin1Char('|'));
    }
    return result;
}

// Six accounts whose names fold in different scripts (张三 without password or limit; Alice's limit written
// as text, as the program writes it) and three entries, the last one holding nothing but its owner.
void seed(dao::Database& db) {
    for (const QString values : {"'Alice', 'p', '9'", "'ÄRGER', 'p', 10", "'ＡＢＣ', 'p', 100", "'σοφία', 'p', 1",
                                 "'Иван', 'p', 2", "'张三', NULL, NULL"})
        db.Execute("INSERT INTO users(username,password,limit) Values(" + values + ")");
    db.Execute(sql::insertDiary({0, "U", "T", "2009/9/8", "星期二", "大雨", "B"}));
    db.Execute(sql::insertDiary({0, "x", "T2", "2009/9/9", "星期三", "晴", "B2"}));
    db.Execute(QStringLiteral("INSERT INTO diary(username) Values('x')"));
}

// One call on a snapshot, on the field or name at a position or name, and what it gives: RecordCount, BOF
// and EOF (1/0), FieldCount, "ok" for a move or Close, the name, the field's text ("null" for no value) or its
// type's name; or the DAO error number the call raised.
enum class Call { Count, Bof, Eof, Fields, First, Last, Next, Close, Name, Field, Type };
struct Step {
    Call call;
    QString gives;
    QVariant at = {};
};

} // namespace

Q_DECLARE_METATYPE(Step)

class TestDao : public QObject {
    Q_OBJECT

private slots:
    void statements_data() {
        // Executed in order up to the first that fails; when none does, the query runs. number: the error
        // raised, 0 for none; affected: RecordsAffected after the statements.
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("affected");
        const auto add = [](const QString& name, const QStringList& statements, const QString& query,
                            const QStringList& found, int number = 0, int affected = 1) {
            QTest::newRow(qPrintable(name)) << statements << query << found << number << affected;
        };
        const QString hostile = "x'); DELETE FROM users; --", alwaysTrue = "' OR '1'='1";
        add("account, program's texts", {sql::insertUser(hostile, alwaysTrue)}, sql::selectUser(hostile.toUpper()),
            {"7|1|" + hostile + "|" + alwaysTrue});
        add("delete, program's texts", {sql::deleteDiaryWhere(sql::entryKey(1))}, "Select id from diary", {"2", "3"});
        add("always-true text deletes nothing", {sql::deleteDiaryWhere("diarytitle = " + sql::quoted(alwaysTrue))},
            "Select id from diary", {"1", "2", "3"}, 0, 0);
        add("update ignoring case", {"UPDATE diary SET diarytitle='y' where username = 'X'"},
            "Select id from diary where diarytitle = 'Y'", {"2", "3"}, 0, 2);
        add("jet spellings", {"DELETE * FROM diary WHERE id = 3;"},
            "sElEcT\tdiarytitle ,[diaryweek]\n FROM  Diary\r\nWHERE ID>=2 ;", {"T2|星期三"});
        add("ids not reused", {"Delete from diary where id = 3", "INSERT INTO diary(username) Values('n')"},
            "Select id from diary where username = 'n'", {"4"});
        // Conditions compare text ignoring case in every script, numbers as numbers; NULL equals nothing.
        const auto where = [&](const char* name, const QString& condition, const QStringList& names) {
            add(name, {}, "Select username from users where " + condition, names); // affected: the seed's last
        };
        where("ascii ignores case", "username = 'alice'", {"Alice"});
        where("greek", "username = 'ΣΟΦΊΑ'", {"σοφία"});
        where("not equal ignores case", "username <> 'ALICE'", {"ÄRGER", "ＡＢＣ", "σοφία", "Иван", "张三"});
        where("less than ignores case", "username < 'B'", {"Alice"});
        where("no partial match", "username = 'ali'", {});
        where("numbers numerically", "limit > 9", {"ÄRGER", "ＡＢＣ"});
        where("and binds tighter than or", "username = 'alice' or username = 'иван' and limit = 2", {"Alice", "Иван"});
        where("parentheses", "(username = 'alice' or username = 'иван') and limit = 2", {"Иван"});
        where("null never equal or unequal", "password = NULL or password <> NULL", {});
        where("is null", "password is null", {"张三"});
        // Account names are unique with letter case ignored in every script, also where the engine's own
        // ASCII-only index cannot tell; the last two names are free.
        const QStringList names{"alice", "äRGER", "ａｂｃ", "ΣΟΦΊΑ", "иВАН", "张三", "Alices", "ARGER"};
        for (qsizetype i = 0; i < names.size(); ++i)
            add("name " + names[i], {sql::insertUser(names[i], "q")}, "Select username from users where id > 6",
                names.mid(i, i >= 6), i < 6 ? 3022 : 0, i >= 6);
        add("rename into a taken name", {"UPDATE users SET username='ärger' where id = 1"}, {}, {}, 3022, 0);
        add("rename to own name's case", {"UPDATE users SET username='ärger' where id = 2"},
            "Select username from users where id = 2", {"ärger"});
        add("all accounts one name", {"UPDATE users SET username='Eve'"}, {}, {}, 3022, 0);
        // Refused by Execute or by OpenRecordset, whichever it is given to.
        const auto refused = [&](const char* name, const QString& sql, bool execute, int number) {
            execute ? add(name, {sql}, {}, {}, number, 0) : add(name, {}, sql, {}, number);
        };
        refused("unknown statement", "Drop table diary", true, 3129);
        refused("open an action", "Delete from diary", false, 3129);
        refused("two selects", "Select * from users; Select * from diary", false, 3131);
        refused("two deletes", "Delete from diary where id = 1; Delete from users", true, 3075);
        refused("unterminated quote", "Select * from users where username = 'abc", false, 3075);
        refused("or injection not doubled", "Select * from users where username = '' OR '1'='1'", false, 3075);
        refused("line comment", "Select * from users where id = 1 -- x", false, 3075);
        refused("non-ascii outside text", "Select * from users where username = ＇a＇", false, 3075);
        refused("engine table", "Select * from sqlite_master", false, 3078);
        refused("unknown where column", "Select * from users where nosuch = 'a'", false, 3061);
        refused("number column, text", "Select * from users where id = 'a'", false, 3464);
        refused("insert count mismatch", "INSERT INTO users(username) Values('a', 'b')", true, 3134);
        refused("update missing comma", "UPDATE diary SET diarytitle='T' diarytext='B' where id = 1", true, 3144);
    }

    void statements() {
        QFETCH(QStringList, statements);
        QFETCH(QString, query);
        QFETCH(int, number);

        TempDiary diary;
        auto db = diary.open();
        seed(*db);
        const auto stored = [&] { return storedRows(*db, "users") + storedRows(*db, "diary"); };
        auto before = stored();
        QString description;
        int raised = 0;
        for (qsizetype i = 0; i < statements.size() && !raised; ++i) {
            before = stored();
            raised = daoErrorOf([&] { db->Execute(statements[i]); }, &description);
        }
        QTEST(int(db->RecordsAffected()), "affected");
        QStringList got;
        raised = raised ? raised : daoErrorOf([&] { got = rows(*db, query); }, &description);
        QCOMPARE(raised, number);
        QCOMPARE(description.isEmpty(), number == 0);
        QTEST(got, "found");
        // A refused statement changed nothing; one carried out is durable when Execute returns: no journal is
        // left beside the file.
        if (number)
            QCOMPARE(stored(), before);
        QCOMPARE(QDir(diary.folder()).entryList(QDir::Files), QStringList{"data.mdb"});
    }

    void snapshots_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<Step>>("steps");
        const auto row = [](const char* tag, const char* query, const QList<Step>& steps) {
            QTest::newRow(tag) << QString::fromUtf8(query) << steps;
        };
        using enum Call;
        row("empty", "Select * from diary where id = 99",
            {Step(Count, "0"), Step(Bof, "1"), Step(Eof, "1"), Step(Fields, "7"), Step(First, "3021"),
             Step(Last, "3021"), Step(Next, "3021"), Step(Field, "3021", 0), Step(Field, "3021", "diarytext"),
             Step(Field, "3265", "nosuch"), Step(Count, "0")});
        // RecordCount counts the records visited so far, all of them after MoveLast.
        row("moves", "Select diarytitle from diary", {Step(Count, "1"),     Step(Bof, "0"),
                                                      Step(Eof, "0"),       Step(Field, "T", 0),
                                                      Step(Next, "ok"),     Step(Count, "2"),
                                                      Step(Field, "T2", 0), Step(Last, "ok"),
                                                      Step(Count, "3"),     Step(Field, "null", 0),
                                                      Step(First, "ok"),    Step(Count, "3"),
                                                      Step(Field, "T", 0),  Step(Last, "ok"),
                                                      Step(Next, "ok"),     Step(Eof, "1"),
                                                      Step(Bof, "0"),       Step(Field, "3021", 0),
                                                      Step(Next, "3021"),   Step(First, "ok"),
                                                      Step(Eof, "0"),       Step(Field, "T", "DiaryTitle")});
        row("closed", "Select * from users",
            {Step(Close, "ok"), Step(Count, "3420"), Step(Field, "3420", 0), Step(First, "3420"), Step(Eof, "3420"),
             Step(Close, "3420")});
        // limit, written as text, reads as a whole number.
        row("all fields", "SELECT * FROM USERS",
            {Step(Fields, "4"), Step(Name, "id", 0), Step(Name, "limit", 1), Step(Name, "username", 2),
             Step(Name, "password", 3), Step(Field, "1", 0), Step(Field, "9", "LIMIT"),
             Step(Type, "qlonglong", "limit"), Step(Field, "Alice", "username"), Step(Field, "3265", 4),
             Step(Field, "3265", -1), Step(Name, "3265", 4), Step(Field, "3265", "diarytext")});
        row("columns asked for", "Select PASSWORD, Id from users where id = 6",
            {Step(Fields, "2"), Step(Name, "password", 0), Step(Name, "id", 1), Step(Field, "null", 0),
             Step(Field, "6", 1), Step(Type, "qlonglong", "id"), Step(Name, "3265", 2)});
    }

    // Runs the steps on the snapshot, each giving the DAO error number it raised or what it returned.
    void snapshots() {
        QFETCH(QString, query);
        QFETCH(QList<Step>, steps);
        TempDiary diary;
        auto db = diary.open();
        seed(*db);
        auto rs = db->OpenRecordset(query);
        QStringList got, expected;
        for (const Step& step : steps) {
            using enum Call;
            const auto move = [&](void (dao::Recordset::*call)()) { return ((*rs).*call)(), QStringLiteral("ok"); };
            const auto value = [&] {
                return step.at.typeId() == QMetaType::Int ? rs->Fields(step.at.toInt())
                                                          : rs->Fields(step.at.toString());
            };
            QString word;
            const int number = daoErrorOf([&] {
                word = step.call == Count    ? QString::number(rs->RecordCount())
                       : step.call == Bof    ? QString::number(rs->BOF())
                       : step.call == Eof    ? QString::number(rs->Eof())
                       : step.call == Fields ? QString::number(rs->FieldCount())
                       : step.call == First  ? move(&dao::Recordset::MoveFirst)
                       : step.call == Last   ? move(&dao::Recordset::MoveLast)
                       : step.call == Next   ? move(&dao::Recordset::MoveNext)
                       : step.call == Close  ? move(&dao::Recordset::Close)
                       : step.call == Name   ? rs->FieldName(step.at.toInt())
                       : !value().isValid()  ? QStringLiteral("null")
                       : step.call == Type   ? QString::fromLatin1(value().typeName())
                                             : dao::fieldText(value());
            });
            got << (number ? QString::number(number) : word);
            expected << step.gives;
        }
        QCOMPARE(got, expected);
    }

    void longTextOnDemand() {
        TempDiary diary;
        const QString longBody = QStringLiteral("青简录第一行，今天天气很好。\r\n").repeated(300);
        for (const QString& body : {longBody, QStringLiteral("旧"), QStringLiteral("x")})
            diary.addEntry(QStringLiteral("u"), body.left(5), QStringLiteral("d"), {}, {}, body);
        auto db = diary.open();
        db->Execute(QStringLiteral("INSERT INTO diary(username) Values('u')"));
        auto rs = db->OpenRecordset(QStringLiteral("Select * from diary"));

        // Changed after opening: the body reads as it is now, the copied fields as they were.
        auto other = diary.open();
        other->Execute(QStringLiteral("UPDATE diary SET diarytitle='new', diarytext='新' where id = 2"));
        other->Execute(QStringLiteral("Delete from diary where id = 3"));
        rs->MoveNext();
        QCOMPARE(rs->Fields(2).toString() + rs->Fields(6).toString(), QStringLiteral("旧新"));
        // Deleted after opening: the copy still answers, the body cannot be read.
        rs->MoveNext();
        QCOMPARE(rs->Fields(QStringLiteral("diarytitle")).toString(), QStringLiteral("x"));
        QCOMPARE(daoErrorOf([&] { rs->Fields(QStringLiteral("diarytext")); }), 3167);
        // The snapshot outlives the Database objects.
        db.reset();
        other.reset();
        rs->MoveNext();
        QVERIFY(!rs->Fields(QStringLiteral("diarytext")).isValid());
        rs->MoveFirst();
        QCOMPARE(rs->Fields(6).toString(), longBody);
    }

    // Bodies read ahead on other connections give, record by record, what the snapshot itself reads: the same
    // accepted values, and a failure where a record was deleted after the snapshot was taken.
    void bodiesReadAhead() {
        TempDiary diary;
        auto db = diary.open();
        dao::connectionOf(*db)->exec(
            "BEGIN; WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2500) "
            "INSERT INTO diary(username, diarytext) SELECT CASE WHEN x % 5 = 0 THEN 'other' ELSE 'u' END, "
            "CASE WHEN x % 7 = 0 THEN '今天' || x WHEN x % 11 = 0 THEN NULL ELSE '昨天' || x END FROM c; COMMIT");
        auto rs = db->OpenRecordset(QStringLiteral("Select * from diary where username = 'u'"));
        db->Execute(QStringLiteral("Delete from diary where id = 14 or id = 2499"));
        const auto matches = [](const QVariant& value) { return dao::fieldText(value).contains("今天"); };
        using Outcome = dao::LongTextReader::Outcome;
        rs->MoveLast();
        for (int threads : {1, 2, 3}) { // one thread reads nothing ahead
            dao::LongTextReader ahead(rs.get(), 6, matches, threads);
            QCOMPARE(ahead.active(), threads > 1);
            rs->MoveFirst();
            for (qint64 row = 0; row < 2000; ++row, rs->MoveNext()) {
                QVariant value, own;
                Outcome outcome = Outcome::Pending;
                while (outcome == Outcome::Pending)
                    outcome = ahead.outcome(row, 50, &value);
                const Outcome wanted = !ahead.active()                            ? Outcome::Unavailable
                                       : daoErrorOf([&] { own = rs->Fields(6); }) ? Outcome::Failed
                                       : matches(own)                             ? Outcome::Accepted
                                                                                  : Outcome::Refused;
                QVERIFY(outcome == wanted && (outcome != Outcome::Accepted || value == own));
            }
        }
    }

    // A table another connection dropped is reported missing, as one the file never held.
    void tableDroppedElsewhere() {
        TempDiary diary;
        auto db = diary.open();
        seed(*db);
        QCOMPARE(rows(*db, "Select id from diary").size(), 3);
        QCOMPARE(rawSql(diary.databasePath(), "DROP TABLE diary"), QStringList());
        QCOMPARE(daoErrorOf([&] { rows(*db, "Select id from diary"); }), 3078);
        QCOMPARE(daoErrorOf([&] { db->Execute(sql::deleteDiaryWhere(sql::entryKey(1))); }), 3078);
    }

    void racingRegistrations() {
        TempDiary diary;
        // Pairs the built-in NOCASE index cannot tell apart as equal: only the layer's own check can.
        for (const QStringList& names :
             {QStringList{"Zoë", "ZOË"}, {"Ärger", "äRGER"}, {"Σοφία", "ΣΟΦΊΑ"}, {"ａｂｃ", "ＡＢＣ"}}) {
            std::latch start(2);
            int results[2] = {-1, -1};
            const auto registerAs = [&](int i, std::shared_ptr<dao::Database> db) {
                start.arrive_and_wait();
                results[i] = daoErrorOf([&] { db->Execute(sql::insertUser(names[i], "p")); });
            };
            std::jthread(registerAs, 0, diary.open()), std::jthread(registerAs, 1, diary.open()); // both joined here
            QVERIFY(results[0] + results[1] == 3022 && results[0] * results[1] == 0);
        }
        QCOMPARE(rows(*diary.open(), sql::selectUserNames()).size(), 4);
    }

    // The key derived once per run belongs to one salt: a file replaced by another diary opens with that one's
    // key (read-only too, where a write is refused and nothing is written), and a file whose salt was changed
    // is refused as any wrong key is. The key shows nowhere.
    void keyFollowsTheSalt() {
        QTemporaryDir dir;
        const QString path = dir.filePath("data.mdb"), other = dir.filePath("other.mdb");
        for (const QString& file : {path, other}) {
            QVERIFY(dao::createDiaryDatabase(file));
            openFile(file)->Execute(sql::insertUser(file == path ? "甲" : "乙", "p"));
        }
        // Written with the derived key, read with nothing but the password.
        QCOMPARE(rawSql(path, "SELECT username, \"limit\" FROM users; PRAGMA integrity_check"),
                 QStringList({"甲|1", "ok"}));
        const QByteArray first = contentsOf(path), second = contentsOf(other);
        QVERIFY(first.left(16) != second.left(16));

        writeFile(path, second);
        auto readOnly = openFile(path, true);
        QCOMPARE(rows(*readOnly, sql::selectUserNames()), QStringList{"乙"});
        QCOMPARE(daoErrorOf([&] { readOnly->Execute(QStringLiteral("Delete from users")); }), 3027);
        QCOMPARE(contentsOf(path), second);
        readOnly.reset();
        const QByteArray resalted = second.left(16) + first.mid(16);
        writeFile(path, resalted);
        QString description;
        QCOMPARE(daoErrorOf([&] { openFile(path); }, &description), 3031);
        // The password's letter case counts.
        QCOMPARE(daoErrorOf([&] { dao::OpenDatabase(other, false, false, ";Pwd=VEXOL"); }), 3031);
        for (const QByteArray& salt : {first.left(16), second.left(16)}) {
            const QByteArray key = dao::keys::rawKeyTextForTests("vexol", salt).mid(2, 64);
            QVERIFY(!description.toLatin1().contains(key) && !resalted.contains(QByteArray::fromHex(key)));
        }
        QCOMPARE(contentsOf(path), resalted);
    }

    // Neither the library nor the mkdiarydb tool ever overwrites a file.
    void createNeverOverwrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.mdb"));
        const auto tool = [](const QStringList& arguments) { return QProcess::execute(QJL_MKDIARYDB, arguments); };
        QCOMPARE(tool({"--if-missing", path}), 0);
        QCOMPARE(rows(*openFile(path), QStringLiteral("Select * from diary")), QStringList());
        writeFile(path, "keep me");
        QCOMPARE(tool({"--if-missing", path}), 0);
        QCOMPARE(tool({path}), 1);
        QString error;
        QVERIFY(!dao::createDiaryDatabase(path, &error) && !error.isEmpty());
        QCOMPARE(contentsOf(path), QByteArray("keep me"));
        QVERIFY(!dao::createDiaryDatabase(dir.filePath(QStringLiteral("nosuch/data.mdb"))));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"data.mdb"});
    }

    // A diary made by another client without the indexes gets them on the program's first open, and the
    // entries of accounts whose names fold alike come back the same, in id order, before and after.
    void missingIndexesAdded() {
        TempDiary diary;
        const auto entriesOf = [](dao::Database& db) {
            QStringList found;
            for (const QString name : {"SAM", "kelvin", "ÉLAN"})
                found << rows(db, "Select id from diary where username = " + sql::quoted(name)).join(',');
            return found;
        };
        const QStringList wanted{"2,5,6", "3,7", "8,10"};
        const QString indexes = QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index'");
        {
            auto db = openFile(diary.databasePath());
            for (const QString owner :
                 {"张三", "Sam", "\u212Aelvin", "张三", "ſam", "sAm", "KELVIN", "élan", "Elan", "Élan"})
                db->Execute("INSERT INTO diary(username) VALUES(" + sql::quoted(owner) + ")");
            dao::connectionOf(*db)->exec("DROP INDEX diary_username_entries; DROP INDEX users_username_nocase");
            QCOMPARE(entriesOf(*db), wanted);
        }
        QCOMPARE(rawSql(diary.databasePath(), indexes), QStringList{"0"});
        dao::IndexBuilds builds;
        auto db = diary.open();
        builds.wait();
        QCOMPARE(rawSql(diary.databasePath(), indexes), QStringList{"2"});
        QCOMPARE(entriesOf(*db), wanted);
        QCOMPARE(entriesOf(*diary.open()), wanted);
    }

    // What a backup may be read by: never more than data.mdb, whatever the umask, in the diary's group.
    void backupsAreNoMoreOpenThanTheDiary_data() {
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("diaryMode");
        QTest::addColumn<bool>("inAGroup");     // data.mdb belongs to another group than the account's
        QTest::addColumn<bool>("olderBackups"); // the folder and a backup made before, open to all
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("backupMode");
        QTest::newRow("private diary, umask 022") << 022 << 0600 << false << false << 0700 << 0600;
        QTest::newRow("private diary, umask 077") << 077 << 0600 << false << false << 0700 << 0600;
        QTest::newRow("family diary, umask 022") << 022 << 0660 << true << false << 02770 << 0660;
        QTest::newRow("family diary, umask 077") << 077 << 0660 << true << false << 02770 << 0660;
        QTest::newRow("readable diary, umask 077") << 077 << 0644 << false << false << 0755 << 0644;
        QTest::newRow("read-only diary") << 022 << 0440 << false << false << 0750 << 0640;
        QTest::newRow("older backups open to all") << 022 << 0600 << false << true << 0700 << 0600;
    }
    void backupsAreNoMoreOpenThanTheDiary() {
        QFETCH(int, umask);
        QFETCH(int, diaryMode);
        QFETCH(bool, inAGroup);
        QFETCH(bool, olderBackups);
        QFETCH(int, folderMode);
        QFETCH(int, backupMode);
        const gid_t family = 34; // a system group: only the administrator may give files to it here
        if (inAGroup && ::geteuid() != 0)
            QSKIP("giving a file to another group needs a member of it");
        TempDiary temp;
        const QString diary = temp.databasePath(), backups = dao::backup::backupFolderOf(diary);
        QVERIFY(::chmod(QFile::encodeName(diary).constData(), mode_t(diaryMode)) == 0);
        QVERIFY(!inAGroup || ::chown(QFile::encodeName(diary).constData(), uid_t(-1), family) == 0);
        const QString older = backups + "/data-20260101-000000.mdb";
        if (olderBackups) {
            QVERIFY(QDir().mkdir(backups) && ::chmod(QFile::encodeName(backups).constData(), 0755) == 0);
            QVERIFY(QFile::copy(diary, older) && ::chmod(QFile::encodeName(older).constData(), 0644) == 0);
        }
        const mode_t previous = ::umask(mode_t(umask));
        const auto made = dao::backup::makeBackup(diary, backups, QDateTime::currentDateTime(), false);
        ::umask(previous);
        QCOMPARE(int(made.kind), int(dao::backup::Outcome::Kind::Made));
        const gid_t group = inAGroup ? family : ::getegid();
        auto access = [](const QString& path) {
            struct stat info {};
            ::stat(QFile::encodeName(path).constData(), &info);
            return std::pair{int(info.st_mode & 07777), info.st_gid};
        };
        QCOMPARE(access(backups), std::pair(folderMode, group));
        QCOMPARE(access(made.path), std::pair(backupMode, group));
        if (olderBackups)
            QCOMPARE(access(older).first, backupMode);
    }
};

QTEST_GUILESS_MAIN(TestDao)
#include "tst_dao.moc"
