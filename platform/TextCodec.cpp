#include "TextCodec.h"

#include "platform/AnsiCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform::TextCodec {
namespace {
bool isPlainAscii(const QByteArray& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        int extra;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}
// The UTF-16 decoders pass a surrogate that is not half of a pair through as it stands; such a text cannot
// be shown, stored or written out as it was read. Each one becomes U+FFFD, as invalid bytes do in UTF-8.
QString withUnpairedSurrogatesReplaced(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}
} // namespace

QByteArray toAnsi(const QString& text) {
    return ansi::encode(text);
}

QString fromAnsi(const QByteArray& bytes) {
    return ansi::decode(bytes);
}

QString decodeTextFile(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringConverter::Utf16LE);
        return withUnpairedSurrogatesReplaced(decoder.decode(QByteArrayView(bytes).sliced(2)));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringConverter::Utf16BE);
        return withUnpairedSurrogatesReplaced(decoder.decode(QByteArrayView(bytes).sliced(2)));
    }
    if (!isPlainAscii(bytes) && isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return fromAnsi(bytes);
}

} // namespace platform::TextCodec
