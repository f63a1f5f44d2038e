// mkdiarydb [--if-missing] <path>
// mkdiarydb --restore <backup> [<data.mdb>]
//
// Creates an empty diary database at <path>. An existing file is never overwritten: with --if-missing it is
// left as it is and the tool succeeds, otherwise the tool fails. --restore puts a checked backup in the place
// of data.mdb in the program's folder, or of the file named (tools/Restore.h).

#include "db/DiaryDatabase.h"
#include "tools/Restore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

const char* const kUsage =
    "usage: mkdiarydb [--if-missing] <path>\n"
    "       mkdiarydb --restore <backup> [<data.mdb>]\n"
    "       mkdiarydb --help\n"
    "\n"
    "  <path>              创建一个空的日记数据库；已有的文件不会被覆盖（--if-missing：已有时什么也不做）。\n"
    "                      Creates an empty diary database; never overwrites (--if-missing: fine if present).\n"
    "  --restore <backup> [<data.mdb>]\n"
    "                      关闭程序后运行：检查备份（如 backup/data-20261206-201500.mdb），把程序文件夹里\n"
    "                      （或指定的）data.mdb 保留为 data.mdb.before-restore，再把备份放到它的位置。\n"
    "                      With the program closed: checks the backup, keeps data.mdb in the program's folder\n"
    "                      (or the one named) as data.mdb.before-restore and puts the backup in its place.\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments == QStringList{QStringLiteral("--help")}) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if ((arguments.size() == 2 || arguments.size() == 3) && arguments.first() == QLatin1String("--restore"))
        return tools::runRestore(arguments[1], arguments.value(2));
    const bool ifMissing = arguments.removeAll(QStringLiteral("--if-missing")) > 0;
    if (arguments.size() != 1 || arguments.first().isEmpty() || arguments.first().startsWith(QLatin1Char('-')))
        return usage();
    const QString path = arguments.first();

    if (ifMissing && QFileInfo::exists(path))
        return 0;
    QString error;
    if (!dao::createDiaryDatabase(path, &error)) {
        // Someone else may have made it in the meantime; with --if-missing that is what was wanted.
        if (ifMissing && QFileInfo::exists(path))
            return 0;
        std::fprintf(stderr, "mkdiarydb: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
