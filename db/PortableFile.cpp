#include "db/PortableFile.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace dao::files {

#ifdef Q_OS_WIN

namespace {
// A path as the wide-character Windows calls take it (backslashes, UTF-16).
std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}
} // namespace

bool syncFile(const QString& path) {
    // Write access is what FlushFileBuffers needs; others may keep the file open meanwhile.
    const HANDLE file =
        ::CreateFileW(nativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool synced = ::FlushFileBuffers(file) != 0;
    ::CloseHandle(file);
    return synced;
}

void syncFolder(const QString& folder) {
    Q_UNUSED(folder);
}

bool replaceFile(const QString& from, const QString& to) {
    return ::MoveFileExW(nativePath(from).c_str(), nativePath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

bool syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool replaceFile(const QString& from, const QString& to) {
    // rename() puts the new file in place in one step, replacing what had the name.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

#endif

QByteArray sqliteFileName(const QString& path) {
    return path.toUtf8();
}

} // namespace dao::files
