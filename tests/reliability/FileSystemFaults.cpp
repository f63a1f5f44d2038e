#include "FileSystemFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reliability {

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Every file and folder in the tree, the folder itself last.
QStringList treeOf(const QString& folder) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString path = dir.filePath(name);
        if (QFileInfo(path).isDir())
            paths << treeOf(path);
        else
            paths << path;
    }
    paths << folder;
    return paths;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& folder) : m_folder(folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::geteuid() != 0) {
        for (const QString& entry : treeOf(folder))
            ::chmod(QFile::encodeName(entry).constData(), QFileInfo(entry).isDir() ? 0555 : 0444);
        m_chmodded = true;
        return;
    }
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0) {
        m_why = QStringLiteral("running as root, permissions do not bite, and a read-only mount is not allowed "
                               "here (") +
                systemError("mount --bind") + QLatin1Char(')');
        return;
    }
    m_mounted = true;
    if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        m_why = QStringLiteral("cannot remount read-only (") + systemError("mount -o remount,ro") + QLatin1Char(')');
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    if (m_chmodded)
        for (const QString& entry : treeOf(m_folder))
            ::chmod(QFile::encodeName(entry).constData(), QFileInfo(entry).isDir() ? 0755 : 0644);
}

FullDisk::FullDisk(const QString& folder, int bytes) : m_folder(folder) {
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0)
        m_why =
            QStringLiteral("a small tmpfs cannot be mounted here (") + systemError("mount -t tmpfs") + QLatin1Char(')');
}

FullDisk::~FullDisk() {
    if (m_why.isEmpty())
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

} // namespace reliability
