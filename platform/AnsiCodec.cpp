#include "platform/AnsiCodec.h"

#include <algorithm>

namespace platform::ansi {
namespace {
constexpr char16_t kEuro = u'\u20AC';
constexpr unsigned char kEuroByte = 0x80;
} // namespace

QByteArray encode(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != kEuro)
            continue;
        if (i > start)
            bytes += encodeRun(text.sliced(start, i - start));
        if (i < text.size())
            bytes += char(kEuroByte);
        start = i + 1;
    }
    return bytes;
}

QString decode(QByteArrayView bytes) {
    // Walks the characters by their lead bytes (GB18030: one byte below 0x80, four when the second is a
    // digit, else two), so that 0x80 as the second byte of a character is never taken for the euro sign.
    const auto byteAt = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0;
    qsizetype i = 0;
    const auto euroAt = [&](qsizetype at, qsizetype length) {
        if (at > start)
            text += decodeRun(bytes.sliced(start, at - start));
        text += QChar(kEuro);
        i = start = at + length;
    };
    while (i < bytes.size()) {
        const unsigned char lead = byteAt(i);
        if (lead < 0x80 || lead == 0xFF) {
            ++i;
        } else if (lead == kEuroByte) {
            euroAt(i, 1);
        } else if (i + 1 < bytes.size() && byteAt(i + 1) >= '0' && byteAt(i + 1) <= '9') {
            i = std::min(i + 4, bytes.size());
        } else if (lead == 0xA2 && i + 1 < bytes.size() && byteAt(i + 1) == 0xE3) {
            euroAt(i, 2);
        } else {
            i = std::min(i + 2, bytes.size());
        }
    }
    if (start < bytes.size())
        text += decodeRun(bytes.sliced(start));
    return text;
}

} // namespace platform::ansi
