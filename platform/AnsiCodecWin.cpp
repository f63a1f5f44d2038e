// The ANSI back end on Windows, whose Qt has no ICU: the system's own converters, code page 54936 (GB18030)
// where the system has it, else 936 (GBK; a character beyond it is written as "?").

#include "platform/AnsiCodec.h"

#include <windows.h>

#include <climits>

namespace platform::ansi {
namespace {
UINT codePage() {
    static const UINT page = ::IsValidCodePage(54936) ? 54936 : 936;
    return page;
}
} // namespace

QByteArray encode(QStringView text) {
    if (text.isEmpty() || text.size() > INT_MAX / 4)
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(codePage(), 0, wide, length, nullptr, 0, nullptr, nullptr);
    QByteArray bytes(size, Qt::Uninitialized);
    ::WideCharToMultiByte(codePage(), 0, wide, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

QString decode(QByteArrayView bytes) {
    if (bytes.isEmpty() || bytes.size() > INT_MAX)
        return QString();
    const int length = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(codePage(), 0, bytes.data(), length, nullptr, 0);
    QString text(size, Qt::Uninitialized);
    ::MultiByteToWideChar(codePage(), 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()), size);
    return text;
}

} // namespace platform::ansi
