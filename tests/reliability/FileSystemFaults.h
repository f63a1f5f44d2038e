#pragma once

// Faults of the file system for tests: a folder that cannot be written, and a disk that is full.
// Root passes every permission check, so for root the folder is made read-only by mounting it read-only
// onto itself; a full disk is a tiny tmpfs mounted on the folder. Where neither can be done, the fault is
// not available and the reason says why (the test then skips).

#include <QString>

namespace reliability {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool available() const { return m_why.isEmpty(); }
    QString whyNot() const { return m_why; }

private:
    QString m_folder;
    QString m_why;
    bool m_mounted = false;
    bool m_chmodded = false;
};

class FullDisk {
public:
    // Mounts a tmpfs of `bytes` on the (empty) folder.
    FullDisk(const QString& folder, int bytes);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool available() const { return m_why.isEmpty(); }
    QString whyNot() const { return m_why; }

private:
    QString m_folder;
    QString m_why;
};

} // namespace reliability
