#include "ImportedText.h"

#include "platform/TextCodec.h"

#include <QFile>
#include <QFileInfo>

namespace importedtext {
namespace {

bool hasUtf16ByteOrderMark(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

} // namespace

Result read(const QString& path) {
    if (QFileInfo(path).isDir())
        return {Problem::CannotOpen, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Problem::CannotOpen, {}};
    if (file.size() > kMaxFileBytes)
        return {Problem::TooLarge, {}};
    // Read one byte past the limit: a file that grows, or a device that reports no size, is caught too.
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {Problem::CannotOpen, {}};
    if (bytes.size() > kMaxFileBytes)
        return {Problem::TooLarge, {}};

    // UTF-16 is full of zero bytes, so after its byte-order mark only a decoded U+0000 marks a binary file.
    const bool utf16 = hasUtf16ByteOrderMark(bytes);
    if (!utf16 && bytes.contains('\0'))
        return {Problem::NotText, {}};
    const QString text = platform::TextCodec::decodeTextFile(bytes);
    if (utf16 && text.contains(QChar(0)))
        return {Problem::NotText, {}};
    return {Problem::None, platform::TextCodec::joinImportedLines(text)};
}

} // namespace importedtext
