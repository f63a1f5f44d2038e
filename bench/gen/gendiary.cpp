// qjl_gendiary <cache-folder> <entries-per-account>...
//     Makes <cache-folder>/diary-<N>/data.mdb for each N unless it is there complete already.
// qjl_gendiary --gbk <file> <bytes>
//     Writes a GBK text file of exactly <bytes> bytes unless it exists with that size.

#include "DiaryGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace {
int usage() {
    std::fputs("usage: qjl_gendiary <cache-folder> <entries-per-account>...\n"
               "       qjl_gendiary --gbk <file> <bytes>\n",
               stderr);
    return 2;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 3 && arguments[0] == QLatin1String("--gbk")) {
        bool ok = false;
        const qint64 bytes = arguments[2].toLongLong(&ok);
        if (!ok || bytes <= 0)
            return usage();
        const QFileInfo existing(arguments[1]);
        if (existing.exists() && existing.size() == bytes)
            return 0;
        QString error;
        if (!benchgen::writeGbkFile(arguments[1], bytes, &error)) {
            std::fprintf(stderr, "qjl_gendiary: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    if (arguments.size() < 2)
        return usage();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        bool ok = false;
        const qint64 n = arguments[i].toLongLong(&ok);
        if (!ok || n <= 0)
            return usage();
        QElapsedTimer timer;
        timer.start();
        QString error;
        bool generated = false;
        if (!benchgen::ensureDiary(arguments[0], n, benchgen::Options(), &error, &generated)) {
            std::fprintf(stderr, "qjl_gendiary: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("diary-%lld: %s (%.1f s)\n", static_cast<long long>(n), generated ? "generated" : "cached",
                    double(timer.elapsed()) / 1000.0);
        std::fflush(stdout);
    }
    return 0;
}
