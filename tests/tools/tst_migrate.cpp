// migrate --from-access: each Access fixture brought over field by field (the 7 490-character memo whole, the
// Chinese text exact), its old passwords signing in through the login window and stored only as hashes; an
// existing account with another password skipped; a second run adding nothing; files that are no Jet file,
// lack a table or a column, or are cut short refused with nothing changed; and the start-up box for a data.mdb
// that is such an old file.

#include "support/Windows.h"

#include "tools/data/Commands.h"
#include "tools/data/DiaryFile.h"

#include "app/Passwords.h"
#include "platform/MessageBox.h"
#include "ui/login/FormLogin.h"

#include <QDir>
#include <QTest>

using namespace datatool;
using platform::forms;
using platform::MessageBox;

namespace {

QString fixture(const QString& name) {
    return QStringLiteral(QJL_ACCESS_FIXTURES "/") + name;
}

struct Ran {
    int code = -1;
    QStringList out;
    QStringList err;
};

Ran migrate(const QString& oldFile) {
    static int seconds = 0;
    Ran ran;
    Io io;
    io.out = [&ran](const QString& line) { ran.out << line; };
    io.err = [&ran](const QString& line) { ran.err << line; };
    io.errRaw = [](const QString&) {};
    io.readPassword = [](bool) { return std::nullopt; }; // the migration asks for none
    io.now = [] { return QDateTime(QDate(2026, 12, 8), QTime(4, 0)).addSecs(++seconds); };
    ran.code = run({"migrate", "--from-access", oldFile}, io);
    return ran;
}

QList<QStringList> entriesOf(const QString& user) {
    QList<QStringList> rows;
    DiaryFile diary(dao::diaryDatabasePath());
    diary.forEachEntry(user, [&rows](const Entry& entry) {
        rows << QStringList{entry.owner, entry.title, entry.date, entry.weekday, entry.weather, entry.body};
        return true;
    });
    return rows;
}

QString longMemo() {
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("第%1行：今天下雨了，心情平静。\r\n").arg(i);
    return text;
}

// The old file with one character of a UTF-16 name in its catalogue changed (the table or column is gone).
QByteArray withNameChanged(const QByteArray& bytes, const QString& name, char16_t last) {
    QByteArray changed = bytes;
    const QByteArray utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    const qsizetype at = changed.indexOf(utf16);
    if (at >= 0)
        changed[at + utf16.size() - 2] = char(last);
    return changed;
}

} // namespace

class TestMigrate : public QObject, testsupport::WindowFixture {
    Q_OBJECT

    QString path(const QString& name) const { return m_diary->filePath(name); }

    void signsInThroughTheLoginWindow(const QString& typedName, const QString& password, const QString& stored) {
        testsupport::resetProgramState();
        Form_Login* login = forms().show<Form_Login>();
        login->Combo_UserName->setEditText(typedName);
        login->Text_PassWord->setText(password);
        login->Command_Login->click();
        QCOMPARE(testsupport::windowsOnShow() + MessageBox::shownTexts(), QStringList{"Form_View"});
        QCOMPARE(CurrentUser, stored);
        testsupport::resetProgramState();
    }

private slots:
    void initTestCase() { startWindowTests(); }
    void init() { startWithDiary(); }
    void cleanup() { dropDiary(); }

    void everyAccountAndEntryComesOver_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("plain UCS-2") << "diary-v2000-plain.mdb";
        QTest::newRow("compressed Unicode") << "diary-v2000-comp.mdb";
        QTest::newRow("database password vexol") << "diary-v2000-comp-pw.mdb";
    }
    void everyAccountAndEntryComesOver() {
        QFETCH(QString, file);
        const QByteArray old = testsupport::contentsOf(fixture(file));
        Ran ran = migrate(fixture(file));
        QCOMPARE(ran.code, 0);
        QCOMPARE(ran.out, (QStringList{"帐号：新建 2 个，迁入已有的 0 个，跳过 0 个。Accounts: 2 created, 0 migrated, "
                                       "0 skipped.",
                                       "日记：新增 3 篇，跳过 0 篇。Entries: 3 added, 0 skipped."}));
        QCOMPARE(entriesOf("张三"),
                 (QList<QStringList>{{"张三", "春日", "2009-09-08", "星期二", "大雨", "今天去了公园。\r\n我’很开心。"},
                                     {"张三", "长日记", "2009-09-09", "星期三", "晴", longMemo()}}));
        QCOMPARE(entriesOf("张三")[1][5].size(), 7490);
        QCOMPARE(entriesOf("alice"), (QList<QStringList>{{"alice", "Mixed 中英 text", "2010-01-01", "星期五", "多云",
                                                          "plain ASCII then 汉字 then ASCII"}}));
        // Passwords only as hashes; both sign in as they did in the old program.
        for (const QStringList& user : testsupport::storedRows(*m_diary->open(), "users"))
            QVERIFY2(user[3].startsWith("$argon2id$"), qPrintable(user[3]));
        signsInThroughTheLoginWindow("张三", "mima123", "张三");
        signsInThroughTheLoginWindow("ALICE", "Secret", "alice");
        QCOMPARE(QDir(path("backup")).entryList(QDir::Files).size(), 1);

        // Twice adds nothing; the old file is never changed.
        ran = migrate(fixture(file));
        QCOMPARE(ran.out, (QStringList{"帐号：新建 0 个，迁入已有的 2 个，跳过 0 个。Accounts: 0 created, 2 migrated, "
                                       "0 skipped.",
                                       "日记：新增 0 篇，跳过 3 篇。Entries: 0 added, 3 skipped."}));
        QCOMPARE(testsupport::storedRows(*m_diary->open(), "diary").size(), 3);
        QCOMPARE(testsupport::contentsOf(fixture(file)), old);
    }

    void existingAccountWithAnotherPasswordIsSkipped() {
        m_diary->addUser("ALICE", app::hashPassword("another"));
        m_diary->addUser("张三", app::hashPassword("mima123"));
        m_diary->addEntry("张三", "春日", "2009-09-08", "星期二", "大雨", "今天去了公园。\r\n我’很开心。");
        const Ran ran = migrate(fixture("diary-v2000-comp.mdb"));
        QCOMPARE(ran.code, 0);
        QCOMPARE(ran.out, (QStringList{"帐号：新建 0 个，迁入已有的 1 个，跳过 1 个。Accounts: 0 created, 1 migrated, "
                                       "1 skipped.",
                                       "跳过的帐号（已有同名帐号而口令不同，或旧口令为空）：alice Skipped (an account "
                                       "of that name exists with another password, or the old password is empty).",
                                       "日记：新增 1 篇，跳过 2 篇。Entries: 1 added, 2 skipped."}));
        QCOMPARE(entriesOf("alice"), QList<QStringList>{});
        QCOMPARE(entriesOf("张三").size(), 2);
    }

    void unreadableOldFilesChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray plain = testsupport::contentsOf(fixture("diary-v2000-plain.mdb"));
        QTest::newRow("not a Jet file") << QByteArray("SQLite format 3\0 and more", 25)
                                        << "不是 Access（Jet）数据库文件";
        QTest::newRow("a diary data.mdb of this program")
            << testsupport::contentsOf(dao::diaryDatabasePath()) << "不是 Access（Jet）数据库文件";
        QTest::newRow("no table diary") << withNameChanged(plain, "diary", u'x') << "旧文件里没有表 diary";
        QTest::newRow("no column diarytext")
            << withNameChanged(plain, "diarytext", u'x') << "旧文件的表 diary 没有列 diarytext";
        QTest::newRow("cut after two pages") << plain.left(2 * 4096) << "旧文件里没有表 users";
        QTest::newRow("cut in the middle of a page") << plain.left(30 * 4096 + 100) << "不完整";
        QTest::newRow("diary's rows cut away") << plain.left(30 * 4096) << "表 diary 应有 3 行，只读出 0 行";
        QTest::newRow("the long memo's page cut away") << plain.left(37 * 4096) << "已损坏";
    }
    void unreadableOldFilesChangeNothing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString old = testsupport::writeFile(path("old.mdb"), bytes);
        const QByteArray database = testsupport::contentsOf(m_diary->databasePath());
        const Ran ran = migrate(old);
        QCOMPARE(ran.code, 1);
        QVERIFY2(ran.err.join('\n').contains(message), qPrintable(ran.err.join('\n')));
        QVERIFY(ran.out.isEmpty());
        QCOMPARE(testsupport::contentsOf(m_diary->databasePath()), database);
        QCOMPARE(testsupport::contentsOf(old), bytes);
        QVERIFY(!QFileInfo::exists(path("backup")));
    }

    void startUpNamesTheMigrationForAnOldAccessFile() {
        const QByteArray old = testsupport::contentsOf(fixture("diary-v2000-comp-pw.mdb"));
        testsupport::writeFile(m_diary->databasePath(), old);
        QVERIFY(!Main());
        const QStringList shown = MessageBox::shownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("运行时错误 '") && shown[0].contains("Access（Jet）") &&
                     shown[0].endsWith("mv data.mdb data-old.mdb\n./mkdiarydb data.mdb\n"
                                       "./qingjianlu-data migrate --from-access data-old.mdb"),
                 qPrintable(shown[0]));
        QCOMPARE(testsupport::contentsOf(m_diary->databasePath()), old);
        QCOMPARE(forms().loadedCount(), 0);
    }
};

QTEST_MAIN(TestMigrate)
#include "tst_migrate.moc"
