// mkdiarydb [--if-missing] <path>
//
// Creates an empty diary database at <path>. An existing file is never overwritten: with --if-missing it is
// left as it is and the tool succeeds, otherwise the tool fails.

#include "db/DiaryDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

int usage() {
    std::fputs("usage: mkdiarydb [--if-missing] <path>\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
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
