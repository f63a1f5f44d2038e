#include "EntryTextFile.h"

#include "platform/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace entrytextfile {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");

bool hasUtf16ByteOrderMark(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

} // namespace

QByteArray exportBytes(const Entry& entry) {
    const QString text = QStringLiteral("标题：") + entry.title + kLineEnd + entry.dateWeek + kLineEnd +
                         QStringLiteral("天气：") + entry.weather + kLineEnd + QStringLiteral("内容：") + entry.body +
                         kLineEnd;
    return platform::TextCodec::toAnsi(text);
}

bool write(QIODevice& device, const Entry& entry) {
    const QByteArray bytes = exportBytes(entry);
    qint64 done = 0;
    // A device may take fewer bytes than offered; only a refusal (or no progress) is a failure.
    while (done < bytes.size()) {
        const qint64 written = device.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool exportToFile(const QString& path, const Entry& entry) {
    QSaveFile file(path);
    // A folder the user cannot write to leaves no room for the file beside it that would replace this one;
    // an existing file there that the user may write is then rewritten in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file, entry)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

Result read(QIODevice& device) {
    // Room for the whole file and one byte past the limit: a file that grows while read, or a device that
    // reports no size, is caught too. A file of known size is read in one call.
    const qint64 known = device.isSequential() ? 0 : device.size() - device.pos();
    if (known > kMaxFileBytes)
        return {Problem::TooLarge, {}};
    QByteArray bytes(static_cast<qsizetype>(std::max<qint64>(known + 1, 64 * 1024)), Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > kMaxFileBytes)
                return {Problem::TooLarge, {}};
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(2 * filled, kMaxFileBytes + 1)));
        }
        const qint64 got = device.read(bytes.data() + filled, bytes.size() - filled);
        if (got < 0)
            return {Problem::CannotOpen, {}};
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > kMaxFileBytes)
        return {Problem::TooLarge, {}};
    bytes.truncate(static_cast<qsizetype>(filled));

    // UTF-16 is full of zero bytes, so after its byte-order mark only a decoded U+0000 marks a binary file.
    const bool utf16 = hasUtf16ByteOrderMark(bytes);
    if (!utf16 && bytes.contains('\0'))
        return {Problem::NotText, {}};
    const QString text = platform::TextCodec::decodeTextFile(bytes);
    if (utf16 && text.contains(QChar(0)))
        return {Problem::NotText, {}};
    return {Problem::None, joinImportedLines(text)};
}

bool isRegularFile(const QString& path) {
#ifndef _WIN32
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
#else
    return QFileInfo(path).isFile();
#endif
}

Result readFile(const QString& path) {
#ifndef _WIN32
    // Opened without waiting (a named pipe would wait for a writer for ever) and read only when it is what
    // it was meant to be, a regular file, whatever the name pointed to a moment before.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {Problem::CannotOpen, {}};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return {Problem::CannotOpen, {}};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {Problem::CannotOpen, {}};
    }
#else
    if (!isRegularFile(path))
        return {Problem::CannotOpen, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Problem::CannotOpen, {}};
#endif
    return read(file);
}

QString joinImportedLines(const QString& text) {
    QString joined;
    joined.reserve(text.size());
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype start = 0;
    auto append = [&](qsizetype from, qsizetype to) {
        if (!joined.isEmpty())
            joined.append(kLineEnd);
        joined.append(p + from, to - from);
    };
    qsizetype i = 0;
    while (i < n) {
        if (p[i] == QLatin1Char('\r')) {
            append(start, i);
            ++i;
            if (i < n && p[i] == QLatin1Char('\n'))
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        append(start, n);
    return joined;
}

QString editorTextFromStored(const QString& stored) {
    QString text = stored;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            text[i] = QChar::LineSeparator;
    return text;
}

QString storedTextFromRaw(const QString& raw) {
    QString stored;
    stored.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator)
            stored.append(kLineEnd);
        else if (c == QChar::LineSeparator)
            stored.append(QLatin1Char('\n'));
        else
            stored.append(c);
    }
    return stored;
}

} // namespace entrytextfile
