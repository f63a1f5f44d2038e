#include "support/TestSupport.h"

#include "app/AutoBackup.h"
#include "app/Globals.h"
#include "platform/DateLocale.h"
#include "platform/FileDialog.h"
#include "platform/FormRegistry.h"
#include "platform/MessageBox.h"

#include <QTest>

namespace testsupport {

namespace {
QString quoted(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}
} // namespace

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
                    .arg(quoted(user), quoted(title), quoted(date), quoted(week), quoted(weather), quoted(text)));
    auto rs = db->OpenRecordset(QStringLiteral("Select id from diary"));
    rs->MoveLast();
    return rs->Fields(0).toLongLong();
}

void TempDiary::addUser(const QString& name, const QString& storedPassword) {
    open()->Execute(QStringLiteral("INSERT INTO users(username,password,limit) Values(%1, %2, '1')")
                        .arg(quoted(name), quoted(storedPassword)));
}

void enterTestMode() {
    platform::MessageBox::setTestMode(true);
    platform::FileDialog::setTestMode(true);
    platform::DateLocale::setLocaleForTests(QLocale(QLocale::Chinese, QLocale::China));
    platform::DateLocale::setTodayForTests(QDate(2009, 9, 8));
    platform::forms().setOnLastUnloaded([] {});
    // Sign-ins in tests make no backups unless the test is about them.
    app::setAutoBackupForTests(false);
}

void resetProgramState() {
    platform::forms().resetForTests();
    app::resetGlobals();
    platform::MessageBox::clearShown();
}

} // namespace testsupport
