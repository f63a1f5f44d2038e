#include "support/TestSupport.h"

#include "app/AutoBackup.h"
#include "app/BackgroundWork.h"
#include "app/Globals.h"
#include "app/SqlText.h"
#include "platform/DateLocale.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"

#include <sqlite3.h>

#include <QFile>
#include <QTest>

namespace testsupport {

TempDiary::TempDiary() {
    QVERIFY2(m_dir.isValid(), "temporary folder");
    dao::setProgramFolderForTests(m_dir.path());
    QString error;
    if (!dao::createDiaryDatabase(dao::diaryDatabasePath(), &error))
        qFatal("cannot create test database: %s", qPrintable(error));
}

TempDiary::~TempDiary() {
    dao::setProgramFolderForTests(QString());
}

qint64 TempDiary::addEntry(const QString& user, const QString& title, const QString& date, const QString& week,
                           const QString& weather, const QString& text) {
    auto db = open();
    db->Execute(QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                               "Values(%1, %2, %3, %4, %5, %6)")
                    .arg(sql::quoted(user), sql::quoted(title), sql::quoted(date), sql::quoted(week),
                         sql::quoted(weather), sql::quoted(text)));
    return storedIds(*db).last();
}

void TempDiary::addUser(const QString& name, const QString& storedPassword) {
    open()->Execute(sql::insertUser(name, storedPassword));
}

void enterTestMode() {
    platform::MessageBox::setTestMode(true);
    platform::FileDialog::setTestMode(true);
    platform::DateLocale::setLocaleForTests(QLocale(QLocale::Chinese, QLocale::China));
    platform::DateLocale::setTodayForTests(QDate(2009, 9, 8));
    platform::forms().setOnLastUnloaded([] {});
    // The test program's owner of background work, ended with its application object; sign-ins in tests make
    // no backups unless the test is about them.
    if (!app::BackgroundWork::current())
        new app::BackgroundWork(QCoreApplication::instance());
    app::setAutoBackupForTests(false);
}

void resetProgramState() {
    platform::forms().resetForTests();
    app::resetGlobals();
    // No box or dialog shown, and no answer a test queued but did not use carried into the next one.
    platform::MessageBox::setTestMode(true);
    platform::FileDialog::setTestMode(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int daoErrorOf(const std::function<void()>& call, QString* description) {
    try {
        call();
    } catch (const dao::DaoError& error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList rawSql(const QString& path, const QString& statements, const char* password) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> handle(raw, sqlite3_close);
    if (password) {
        sqlite3_key(raw, password, int(qstrlen(password)));
        // The format the diary's files use, also where a later SQLCipher would pick another.
        sqlite3_exec(raw, "PRAGMA cipher_compatibility = 3", nullptr, nullptr, nullptr);
    }
    QStringList rows;
    const auto collect = [](void* out, int columns, char** values, char**) {
        QStringList fields;
        for (int i = 0; i < columns; ++i)
            fields << QString::fromUtf8(values[i] ? values[i] : "NULL");
        static_cast<QStringList*>(out)->append(fields.join(QLatin1Char('|')));
        return 0;
    };
    if (sqlite3_exec(raw, statements.toUtf8().constData(), collect, &rows, nullptr) != SQLITE_OK)
        return {QString::fromUtf8(sqlite3_errmsg(raw))};
    return rows;
}

QList<QStringList> storedRows(dao::Database& db, const QString& table) {
    QList<QStringList> rows;
    auto rs = db.OpenRecordset(QStringLiteral("Select * from ") + table);
    for (; !rs->Eof(); rs->MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs->FieldCount(); ++i)
            fields << dao::fieldText(rs->Fields(i));
        rows << fields;
    }
    return rows;
}

QList<qint64> storedIds(dao::Database& db) {
    QList<qint64> ids;
    for (const QStringList& row : storedRows(db, QStringLiteral("diary")))
        ids << row[0].toLongLong();
    return ids;
}

QList<qint64> addSampleDiary(dao::Database& db) {
    const auto add = [&](const QString& user, const QString& title, const QString& date, const QString& week,
                         const QString& weather, const QString& text) {
        db.Execute(sql::insertDiary({0, user, title, date, week, weather, text}));
        return storedIds(db).last();
    };
    QList<qint64> ids;
    ids << add("zhang", "杯具的一天", "2009-09-08", "星期二", "阴雨", "今天下雨了\r\n第二行 Rain");
    add("li", "杯具", "2009-09-08", "星期二", "暴雨", "今天 hello Rain");
    ids << add("zhang", "Hello World", "2009-9-8", "星期二", "大雨", "hello world 今天");
    ids << add("zhang", "周末", "2009-09-12", "星期六", "小雨", "周末去爬山");
    ids << add("zhang", QString(), "2009-10-01", "星期四", "阵雨", QString());
    ids << add("zhang", "晴", "2009-10-02", "星期五", "晴朗", "阳光 明媚");
    add("LI", "周末 Hello", "2009-10-02", "星期五", "晴朗", "阳光 明媚");
    db.Execute(QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                              "Values('zhang', NULL, '2009-11-11', NULL, NULL, NULL)"));
    ids << storedIds(db).last();
    return ids;
}

} // namespace testsupport
