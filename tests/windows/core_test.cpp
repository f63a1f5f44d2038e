// The Qt-Core-only layers as a Windows program (run under Wine with the Chinese ANSI code page by
// core-windows.sh): the diary database, the backups and the restore, the entry text file in code page 936,
// the dates. One table of cases; each prints "ok" or "FAIL" with what it found.
//   core_test.exe <work folder>
// The work folder holds linux.mdb, made on Linux (one entry, "在Linux上写的日记"); the program leaves
// windows.mdb there for Linux to read back.

#include "app/EntryTextFile.h"
#include "app/Passwords.h"
#include "app/SqlText.h"
#include "db/Backup.h"
#include "db/DiaryDatabase.h"
#include "platform/DateLocale.h"
#include "tools/Restore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

const QString kConnect = QStringLiteral(";Pwd=") + QLatin1String(dao::kDiaryPassword);
QDir work;

// The entries' titles in the order they were written, joined by "|".
QString titlesIn(const QString& path) {
    QStringList titles;
    auto db = dao::OpenDatabase(path, false, true, kConnect);
    for (auto found = db->OpenRecordset(QStringLiteral("Select * from diary where id > 0")); !found->Eof();
         found->MoveNext())
        titles << dao::fieldText(found->Fields(QStringLiteral("diarytitle")));
    return titles.join(QLatin1Char('|'));
}

// A new diary database <name> in <folder> of the work folder, with one entry per title; its path. Throws
// what went wrong.
QString makeDiary(const QString& folder, const QStringList& titles, const QString& name = QStringLiteral("data.mdb")) {
    work.mkpath(folder);
    const QString path = work.filePath(folder + QLatin1Char('/') + name);
    if (QString error; !dao::createDiaryDatabase(path, &error))
        throw std::runtime_error("not created: " + error.toStdString());
    auto db = dao::OpenDatabase(path, false, false, kConnect);
    for (const QString& title : titles)
        db->Execute(QStringLiteral("INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) "
                                   "Values('小明', '%1', '2009-09-07', '星期一', '晴', '第一行\r\n第二行')")
                        .arg(title));
    return path;
}

QString expect(const QString& what, const QString& found, const QString& wanted) {
    return found == wanted ? QString() : QStringLiteral("%1: found “%2”, wanted “%3”").arg(what, found, wanted);
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

const std::atomic<bool> kNotCancelled{false};

struct Case {
    const char* name;
    std::function<QString()> run;
};

const Case kCases[] = {
    {"a new data.mdb in a Chinese folder: keyed, written and read with Chinese text",
     [] {
         const QString path =
             makeDiary(QStringLiteral("日记本"), {QStringLiteral("今天下雨"), QStringLiteral("𠀀与€")});
         if (contentsOf(path).startsWith("SQLite format 3"))
             return QStringLiteral("the file is not encrypted");
         return expect(QStringLiteral("titles"), titlesIn(path), QStringLiteral("今天下雨|𠀀与€"));
     }},
    {"an account with a Chinese password, hashed, stored and checked",
     [] {
         const QString path = work.filePath(QStringLiteral("日记本/data.mdb"));
         auto db = dao::OpenDatabase(path, false, false, kConnect);
         db->Execute(sql::insertUser(QStringLiteral("小明"), app::hashPassword(QStringLiteral("密码€"))));
         auto found = db->OpenRecordset(sql::selectUser(QStringLiteral("小明")));
         const QString stored = dao::fieldText(found->Fields(QStringLiteral("password")));
         if (!app::verifyPassword(stored, QStringLiteral("密码€")) ||
             app::verifyPassword(stored, QStringLiteral("密码")))
             return QStringLiteral("the stored password “%1” checks wrongly").arg(stored);
         return QString();
     }},
    {"a file made on Linux opens here",
     [] {
         return expect(QStringLiteral("titles"), titlesIn(work.filePath(QStringLiteral("linux.mdb"))),
                       QStringLiteral("在Linux上写的日记"));
     }},
    {"a file made here, for Linux to open",
     [] {
         makeDiary(QStringLiteral("."), {QStringLiteral("在Windows上写的日记")}, QStringLiteral("windows.mdb"));
         return QString();
     }},
    {"a second backup under an existing name replaces the first",
     [] {
         const QString data = makeDiary(QStringLiteral("twice"), {QStringLiteral("一")});
         const QString folder = dao::backup::backupFolderOf(data);
         const QDateTime now(QDate(2009, 9, 7), QTime(20, 15));
         const auto first = dao::backup::makeBackup(data, folder, now, kNotCancelled);
         dao::OpenDatabase(data, false, false, kConnect)
             ->Execute(QStringLiteral("INSERT INTO diary(diarytitle) Values('二')"));
         const auto second = dao::backup::makeBackup(data, folder, now, kNotCancelled);
         if (first.kind != dao::backup::Outcome::Kind::Made || second.kind != dao::backup::Outcome::Kind::Made)
             return QStringLiteral("not made: ") + first.reason + second.reason;
         return expect(QStringLiteral("the backup's titles"), titlesIn(second.path), QStringLiteral("一|二"));
     }},
    {"the rotation keeps the newest backups",
     [] {
         const QString data = makeDiary(QStringLiteral("rotation"), {QStringLiteral("一")});
         const QString folder = dao::backup::backupFolderOf(data);
         for (int day = 1; day <= 4; ++day)
             dao::backup::makeBackup(data, folder, QDateTime(QDate(2009, 9, day), QTime(8, 0)), kNotCancelled);
         dao::backup::rotateBackups(folder, 2);
         return expect(QStringLiteral("kept"), dao::backup::backupNames(folder).join(QLatin1Char(' ')),
                       QStringLiteral("data-20090903-080000.mdb data-20090904-080000.mdb"));
     }},
    {"a restore over an existing data.mdb, twice",
     [] {
         const QString data = makeDiary(QStringLiteral("restore"), {QStringLiteral("现在的")});
         const QString backup =
             makeDiary(QStringLiteral("restore"), {QStringLiteral("备份的")}, QStringLiteral("saved.mdb"));
         for (int time = 1; time <= 2; ++time) {
             const tools::RestoreResult result = tools::restoreBackup(backup, data);
             if (!result.restored)
                 return QStringLiteral("restore %1 refused: %2").arg(time).arg(result.message);
         }
         return expect(QStringLiteral("data.mdb"), titlesIn(data), QStringLiteral("备份的")) +
                expect(QStringLiteral("the kept file"), titlesIn(data + QStringLiteral(".before-restore")),
                       QStringLiteral("备份的"));
     }},
    {"the entry text file written and read in code page 936",
     [] {
         const QString path = work.filePath(QStringLiteral("导出.txt"));
         const entrytextfile::Entry entry{QStringLiteral("今天€"), QStringLiteral("日期：2009-09-07 星期一"),
                                          QStringLiteral("晴"), QStringLiteral("第一行\r\n第二行")};
         if (!entrytextfile::exportToFile(path, entry))
             return QStringLiteral("the export failed");
         // As iconv -t CP936 writes it: the euro sign is 0x80.
         return expect(QStringLiteral("the file"), QString::fromLatin1(contentsOf(path).toHex()),
                       QStringLiteral("b1eacce2a3babdf1ccec800d0ac8d5c6daa3ba323030392d30392d303720d0c7c6dad2bb0d0a"
                                      "ccecc6f8a3bac7e70d0ac4dac8dda3bab5dad2bbd0d00d0ab5dab6fed0d00d0a")) +
                expect(QStringLiteral("read back"), entrytextfile::readFile(path).body,
                       QStringLiteral("标题：今天€\r\n日期：2009-09-07 星期一\r\n天气：晴\r\n内容：第一行\r\n第二行"));
     }},
    {"a failing write is reported, never success",
     [] {
         QStringList wrong;
         const entrytextfile::Entry entry{QStringLiteral("题"), {}, {}, {}};
         if (entrytextfile::exportToFile(work.filePath(QStringLiteral("没有的文件夹/a.txt")), entry))
             wrong << QStringLiteral("an export into a missing folder succeeded");
         // Another program holds the file open and shares it with nobody.
         const QString locked = work.filePath(QStringLiteral("锁住.txt"));
         QFile(locked).open(QIODevice::WriteOnly);
         const HANDLE holder = ::CreateFileW(QDir::toNativeSeparators(locked).toStdWString().c_str(),
                                             GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         if (entrytextfile::exportToFile(locked, entry))
             wrong << QStringLiteral("an export over a locked file succeeded");
         ::CloseHandle(holder);
         const QString notAFolder = work.filePath(QStringLiteral("文件"));
         QFile(notAFolder).open(QIODevice::WriteOnly);
         const QString data = work.filePath(QStringLiteral("日记本/data.mdb"));
         if (dao::backup::makeBackup(data, notAFolder, QDateTime::currentDateTime(), kNotCancelled).kind !=
             dao::backup::Outcome::Kind::Failed)
             wrong << QStringLiteral("a backup into a file's name did not fail");
         if (tools::restoreBackup(work.filePath(QStringLiteral("没有.mdb")), data).restored)
             wrong << QStringLiteral("a restore from a missing backup succeeded");
         return wrong.join(QStringLiteral("; "));
     }},
    {"dates in the system's Chinese locale",
     [] {
         const QDate monday(2009, 9, 7);
         return expect(QStringLiteral("weekday"), platform::DateLocale::weekdayName(monday), QStringLiteral("星期一")) +
                expect(QStringLiteral("ANSI code page"), QString::number(::GetACP()), QStringLiteral("936"));
     }},
};

void print(const QString& line) {
    // The console takes the ANSI code page; the log is read on Linux as UTF-8, so it gets UTF-8.
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fputs("usage: core_test.exe <work folder>\n", stderr);
        return 2;
    }
    work = QDir(app.arguments().at(1));
    int failed = 0;
    for (const Case& test : kCases) {
        QString problem;
        try {
            problem = test.run();
        } catch (const dao::DaoError& error) {
            problem = QStringLiteral("error: ") + error.description();
        } catch (const std::exception& error) {
            problem = QString::fromStdString(error.what());
        }
        print((problem.isEmpty() ? QStringLiteral("ok   ") : QStringLiteral("FAIL ")) + QLatin1String(test.name) +
              (problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
        failed += problem.isEmpty() ? 0 : 1;
    }
    print(QStringLiteral("%1 of %2 cases passed").arg(int(std::size(kCases)) - failed).arg(std::size(kCases)));
    return failed == 0 ? 0 : 1;
}
