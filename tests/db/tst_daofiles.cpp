// The database file itself: opening faults that must leave the file as it was, durability, the
// password in the connect string, creating the diary database, the mkdiarydb tool and the stock
// sqlcipher shell reading what we write.

#include "DaoTestUtil.h"
#include "db/Connection.h"
#include "db/DaoInternal.h"
#include "db/IndexBuilder.h"
#include "db/KeyCache.h"
#include "support/TestSupport.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using daotest::errorNumber;
using daotest::rows;

namespace {

const QString kConnect = QStringLiteral(";Pwd=vexol");

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// An ordinary, unencrypted SQLite database with a users table.
void writePlainSqlite(const QString& path) {
    sqlite3* raw = nullptr;
    QCOMPARE(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
        SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> handle(raw, sqlite3_close);
    QCOMPARE(sqlite3_exec(raw, "CREATE TABLE users(id INTEGER PRIMARY KEY, username TEXT)", nullptr, nullptr, nullptr),
             SQLITE_OK);
}

} // namespace

class TestDaoFiles : public QObject {
    Q_OBJECT

private slots:
    void openingFaults_data();
    void openingFaults();
    void emptyFileStaysEmpty();
    void connectStrings_data();
    void connectStrings();
    void readOnlyOpen();
    void exclusiveOpen();
    void durableWhenExecuteReturns();
    void databasePath_data();
    void databasePath();
    void createRefusesExisting();
    void createLeavesOnlyTheDatabase();
    void mkdiarydb_data();
    void mkdiarydb();
    void shellReadsTheFile();
    void keyFollowsTheSalt();
    void missingIndexesAdded_data();
    void missingIndexesAdded();
};

void TestDaoFiles::openingFaults_data() {
    QTest::addColumn<QString>("content"); // how the file at the path is made
    QTest::addColumn<QString>("connect");
    QTest::addColumn<int>("number");

    QTest::newRow("missing file") << "missing" << kConnect << 3024;
    QTest::newRow("random bytes") << "random" << kConnect << 3031;
    QTest::newRow("short text file") << "text" << kConnect << 3031;
    QTest::newRow("unencrypted sqlite") << "plain" << kConnect << 3031;
    QTest::newRow("wrong password") << "diary"
                                    << ";Pwd=vexo" << 3031;
    QTest::newRow("no password") << "diary"
                                 << "" << 3031;
    QTest::newRow("folder") << "folder" << kConnect << 3051;
}

void TestDaoFiles::openingFaults() {
    QFETCH(QString, content);
    QFETCH(QString, connect);
    QFETCH(int, number);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    if (content == QLatin1String("random")) {
        QRandomGenerator generator(20090908);
        QByteArray bytes(8192, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(generator.bounded(256));
        writeFile(path, bytes);
    } else if (content == QLatin1String("text")) {
        writeFile(path, QStringLiteral("这不是数据库。\n").toUtf8());
    } else if (content == QLatin1String("plain")) {
        writePlainSqlite(path);
    } else if (content == QLatin1String("diary")) {
        QVERIFY(dao::createDiaryDatabase(path));
    } else if (content == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("data.mdb")));
    }
    const QByteArray before = contentsOf(path);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QString description;
    QCOMPARE(errorNumber([&] { dao::OpenDatabase(path, false, false, connect); }, &description), number);
    QVERIFY(!description.isEmpty());
    if (number != 3051)
        QVERIFY(description.contains(path));

    QCOMPARE(contentsOf(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
}

void TestDaoFiles::emptyFileStaysEmpty() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    writeFile(path, QByteArray());
    // An empty file holds no tables: the first statement fails and the file is never made a database.
    const int atOpen = errorNumber([&] {
        auto db = dao::OpenDatabase(path, false, false, kConnect);
        QCOMPARE(errorNumber([&] { db->OpenRecordset(QStringLiteral("Select * from users")); }), 3078);
        QCOMPARE(errorNumber([&] {
                     db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values('a', 'b', '1')"));
                 }),
                 3078);
    });
    QCOMPARE(atOpen, 0);
    QCOMPARE(QFileInfo(path).size(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.mdb"});
}

void TestDaoFiles::connectStrings_data() {
    QTest::addColumn<QString>("connect");
    QTest::addColumn<bool>("opens");

    QTest::newRow("program's form") << ";Pwd=vexol" << true;
    QTest::newRow("without leading separator") << "Pwd=vexol" << true;
    QTest::newRow("key in capitals, other parts") << "MS Access;PWD=vexol;UID=admin" << true;
    QTest::newRow("password is case-sensitive") << ";Pwd=VEXOL" << false;
    QTest::newRow("trailing space is part of it") << ";Pwd=vexol " << false;
}

void TestDaoFiles::connectStrings() {
    QFETCH(QString, connect);
    QFETCH(bool, opens);
    testsupport::TempDiary diary;
    const int number = errorNumber([&] { dao::OpenDatabase(diary.databasePath(), false, false, connect); });
    QCOMPARE(number, opens ? 0 : 3031);
}

void TestDaoFiles::readOnlyOpen() {
    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("u"), QStringLiteral("p"));
    const QByteArray before = contentsOf(diary.databasePath());
    auto db = dao::OpenDatabase(diary.databasePath(), false, true, kConnect);
    QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList{"u"});
    QCOMPARE(errorNumber([&] { db->Execute(QStringLiteral("Delete from users")); }), 3027);
    QCOMPARE(contentsOf(diary.databasePath()), before);
}

void TestDaoFiles::exclusiveOpen() {
    testsupport::TempDiary diary;
    {
        auto db = dao::OpenDatabase(diary.databasePath(), true, false, kConnect);
        db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values('u', 'p', '1')"));
        QCOMPARE(rows(*db, QStringLiteral("Select username from users")), QStringList{"u"});
    }
    // Closing the exclusive connection gives the file back to everyone.
    QCOMPARE(rows(*diary.open(), QStringLiteral("Select username from users")), QStringList{"u"});
}

void TestDaoFiles::durableWhenExecuteReturns() {
    testsupport::TempDiary diary;
    auto watcher = diary.open(); // opened before the change, must see it right after Execute returns
    {
        auto db = diary.open();
        db->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values('u', 'p', '1')"));
        QCOMPARE(rows(*watcher, QStringLiteral("Select username from users")), QStringList{"u"});
    }
    QCOMPARE(QDir(diary.folder()).entryList(QDir::Files), QStringList{"data.mdb"}); // no journal left behind
    auto reopened = diary.open();
    QCOMPARE(rows(*reopened, QStringLiteral("Select username, limit from users")), QStringList{"u|1"});
}

void TestDaoFiles::databasePath_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");

    QTest::newRow("plain folder") << "/opt/qjl"
                                  << "/opt/qjl/data.mdb";
    QTest::newRow("trailing separator kept") << "/opt/qjl/"
                                             << "/opt/qjl//data.mdb";
    QTest::newRow("backslashes kept") << "C:\\青简录"
                                      << "C:\\青简录/data.mdb";
    QTest::newRow("program folder") << "" << QCoreApplication::applicationDirPath() + "/data.mdb";
}

void TestDaoFiles::databasePath() {
    QFETCH(QString, folder);
    QFETCH(QString, path);
    dao::setProgramFolderForTests(folder);
    const QString actual = dao::diaryDatabasePath();
    dao::setProgramFolderForTests(QString());
    QCOMPARE(actual, path);
}

void TestDaoFiles::createRefusesExisting() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    writeFile(path, "keep me");
    QString error;
    QVERIFY(!dao::createDiaryDatabase(path, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(contentsOf(path), QByteArray("keep me"));

    const QString inMissingFolder = dir.filePath(QStringLiteral("nosuch/data.mdb"));
    QVERIFY(!dao::createDiaryDatabase(inMissingFolder, &error));
    QVERIFY(!QFileInfo::exists(inMissingFolder));
}

void TestDaoFiles::createLeavesOnlyTheDatabase() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    QVERIFY(dao::createDiaryDatabase(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"data.mdb"});
    auto db = dao::OpenDatabase(path, false, false, kConnect);
    QCOMPARE(db->OpenRecordset(QStringLiteral("Select * from users"))->FieldCount(), 4);
    QCOMPARE(db->OpenRecordset(QStringLiteral("Select * from diary"))->FieldCount(), 7);
}

void TestDaoFiles::mkdiarydb_data() {
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the database path
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("creates") << QStringList{"@"} << false << 0;
    QTest::newRow("creates when missing") << QStringList{"--if-missing", "@"} << false << 0;
    QTest::newRow("keeps existing") << QStringList{"--if-missing", "@"} << true << 0;
    QTest::newRow("refuses existing") << QStringList{"@"} << true << 1;
    QTest::newRow("no path") << QStringList{"--if-missing"} << false << 2;
}

void TestDaoFiles::mkdiarydb() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, existing);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    if (existing)
        writeFile(path, "not a database, but mine");
    arguments.replaceInStrings(QStringLiteral("@"), path);

    QProcess tool;
    tool.start(QStringLiteral(QJL_MKDIARYDB), arguments);
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), exitCode);
    if (exitCode != 0)
        QVERIFY(!tool.readAllStandardError().isEmpty());

    if (existing) {
        QCOMPARE(contentsOf(path), QByteArray("not a database, but mine"));
    } else if (exitCode == 0) {
        auto db = dao::OpenDatabase(path, false, false, kConnect);
        QCOMPARE(rows(*db, QStringLiteral("Select * from users")), QStringList());
    } else {
        QVERIFY(!QFileInfo::exists(path));
    }
}

void TestDaoFiles::shellReadsTheFile() {
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (shell.isEmpty())
        QSKIP("the sqlcipher shell is not installed");
    testsupport::TempDiary diary;
    diary.addUser(QStringLiteral("张三"), QStringLiteral("p"));
    diary.addEntry(QStringLiteral("张三"), QStringLiteral("标题"), QStringLiteral("2009/9/8"), QStringLiteral("星期二"),
                   QStringLiteral("晴"), QStringLiteral("正文"));

    QProcess process;
    process.start(shell, {diary.databasePath()});
    QVERIFY(process.waitForStarted());
    process.write("PRAGMA key='vexol';\n"
                  "SELECT count(*) FROM users;\n"
                  "SELECT username, \"limit\" FROM users;\n"
                  "SELECT diarytitle, diarytext FROM diary;\n"
                  "PRAGMA integrity_check;\n");
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(output.split(QLatin1Char('\n'), Qt::SkipEmptyParts), QStringList({"1", "张三|1", "标题|正文", "ok"}));
}

// The key derived once per run belongs to one salt: a file replaced by another diary opens with that one's
// key, and a file whose salt was changed is refused as any wrong key is. The key text shows nowhere.
void TestDaoFiles::keyFollowsTheSalt() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    const QString other = dir.filePath(QStringLiteral("other.mdb"));
    QVERIFY(dao::createDiaryDatabase(path));
    QVERIFY(dao::createDiaryDatabase(other));
    dao::OpenDatabase(path, false, false, kConnect)
        ->Execute(QStringLiteral("INSERT INTO users(username) VALUES('甲')"));
    dao::OpenDatabase(other, false, false, kConnect)
        ->Execute(QStringLiteral("INSERT INTO users(username) VALUES('乙')"));
    const QByteArray first = contentsOf(path), second = contentsOf(other);
    QVERIFY(first.left(16) != second.left(16));

    writeFile(path, second);
    QCOMPARE(rows(*dao::OpenDatabase(path, false, false, kConnect), QStringLiteral("Select username from users")),
             QStringList{"乙"});

    QByteArray resalted = first;
    resalted.replace(0, 16, second.left(16));
    writeFile(path, resalted);
    QString description;
    QCOMPARE(errorNumber([&] { dao::OpenDatabase(path, false, false, kConnect); }, &description), 3031);
    for (const QByteArray& salt : {first.left(16), second.left(16)}) {
        const QByteArray key = dao::keys::rawKeyTextForTests("vexol", salt).mid(2, 64);
        QCOMPARE(key.size(), 64);
        QVERIFY(!description.toLatin1().contains(key));
        QVERIFY(!contentsOf(path).contains(QByteArray::fromHex(key)));
        QVERIFY(!contentsOf(path).toHex().contains(key));
    }
    QCOMPARE(contentsOf(path), resalted);
}

void TestDaoFiles::missingIndexesAdded_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("titles"); // in id order

    QTest::newRow("chinese") << "张三" << QStringList{"1", "4"};
    QTest::newRow("ascii case") << "SAM" << QStringList{"2", "5", "6"};
    QTest::newRow("kelvin sign") << "kelvin" << QStringList{"3", "7"};
    QTest::newRow("accented") << "ÉLAN" << QStringList{"8", "10"};
    QTest::newRow("no such name") << "sa" << QStringList{};
}

// A diary made by another client without the indexes gets them on the program's first open, and the
// account's entries come back the same, in id order, before and after.
void TestDaoFiles::missingIndexesAdded() {
    QFETCH(QString, name);
    QFETCH(QStringList, titles);

    QTemporaryDir dir;
    dao::setProgramFolderForTests(dir.path());
    const QString path = dao::diaryDatabasePath();
    QVERIFY(dao::createDiaryDatabase(path));
    const QStringList owners{"张三", "Sam", "\u212Aelvin", "张三", "ſam", "sAm", "KELVIN", "élan", "Elan", "Élan"};
    const QString sql = QStringLiteral("Select * from diary where username = '%1'").arg(name);
    auto indexCount = [](dao::Database& db) {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(dao::connectionOf(db)->handle(), "SELECT count(*) FROM sqlite_master WHERE type = 'index'",
                           -1, &raw, nullptr);
        dao::StatementHandle count(raw);
        return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int(raw, 0) : -1;
    };
    auto firstColumn = [](QStringList records) {
        for (QString& record : records)
            record = record.section(QLatin1Char('|'), 2, 2);
        return records;
    };
    {
        auto db = dao::OpenDatabase(path, false, false, kConnect);
        for (int i = 0; i < owners.size(); ++i)
            db->Execute(
                QStringLiteral("INSERT INTO diary(username, diarytitle) VALUES('%1', '%2')").arg(owners[i]).arg(i + 1));
        sqlite3_exec(dao::connectionOf(*db)->handle(),
                     "DROP INDEX diary_username_entries; DROP INDEX users_username_nocase", nullptr, nullptr, nullptr);
        QCOMPARE(indexCount(*db), 0);
        QCOMPARE(firstColumn(rows(*db, sql)), titles);
    }
    auto db = dao::OpenDiaryDatabase();
    dao::waitForIndexBuilds();
    QCOMPARE(firstColumn(rows(*db, sql)), titles);
    QCOMPARE(indexCount(*db), 2);
    QCOMPARE(firstColumn(rows(*dao::OpenDiaryDatabase(), sql)), titles);
    dao::setProgramFolderForTests(QString());
}

QTEST_GUILESS_MAIN(TestDaoFiles)
#include "tst_daofiles.moc"
