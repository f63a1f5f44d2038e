#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef QJL_HAVE_UCHARDET
#include <uchardet/uchardet.h>
#endif

#include <algorithm>
#include <memory>

namespace platform::TextCodec {
namespace {
constexpr const char* kAnsi = "GB18030";
// Code page 936 has the euro sign as one byte where GB18030 has two.
constexpr char kEuroByte = '\x80';
constexpr char16_t kEuro = u'\u20AC';

// Valid UTF-8; multiByte counts its characters of two or more bytes.
bool isValidUtf8(const QByteArray& bytes, int* multiByte = nullptr) {
    if (multiByte)
        *multiByte = 0;
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
        if (multiByte)
            ++*multiByte;
        i += extra + 1;
    }
    return true;
}
// The length of the code page 936 character at i: 1 (ASCII, the euro byte 0x80, or the byte 0xFF, which
// starts nothing), 2 or 4 (GB18030's four-byte form); 0 when it is cut short by the end of the bytes or its
// second byte cannot follow the first.
int characterLength(const unsigned char* p, qsizetype i, qsizetype n) {
    const unsigned char lead = p[i];
    if (lead <= 0x80 || lead == 0xFF)
        return 1;
    if (i + 1 >= n)
        return 0;
    const unsigned char second = p[i + 1];
    if (second >= 0x30 && second <= 0x39)
        return i + 3 < n && p[i + 2] >= 0x81 && p[i + 2] <= 0xFE && p[i + 3] >= 0x30 && p[i + 3] <= 0x39 ? 4 : 0;
    return second >= 0x40 && second != 0x7F && second != 0xFF ? 2 : 0;
}

// Every character whole, none starting with 0xFF; gb2312 tells whether each two-byte one lies in GB2312.
bool isValidCodePage936(const QByteArray& bytes, bool* gb2312) {
    *gb2312 = true;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const int length = characterLength(p, i, n);
        if (length == 0 || p[i] == 0xFF)
            return false;
        if (length == 2 && (p[i] < 0xA1 || p[i + 1] < 0xA1))
            *gb2312 = false;
        if (length == 4)
            *gb2312 = false;
        i += length;
    }
    return true;
}

enum class Verdict { Utf8, CodePage936, Undecided };

Verdict askDetector(const QByteArray& bytes, int multiByteCharacters) {
#ifdef QJL_HAVE_UCHARDET
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.constData(), std::size_t(bytes.size())) != 0)
        return Verdict::Undecided;
    uchardet_data_end(detector.get());
    const QByteArray name = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    if (name == "UTF-8")
        return multiByteCharacters >= kSureUtf8Characters ? Verdict::Utf8 : Verdict::Undecided;
    if (name == "GB18030" || name == "GB2312" || name == "GBK" || name == "HZ-GB-2312")
        return Verdict::CodePage936;
    return Verdict::Undecided;
#else
    (void)bytes;
    return multiByteCharacters >= kSureUtf8Characters ? Verdict::Utf8 : Verdict::Undecided;
#endif
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
    QStringEncoder encoder(kAnsi, QStringConverter::Flag::Stateless);
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype euro = text.indexOf(QChar(kEuro)); euro >= 0; euro = text.indexOf(QChar(kEuro), start)) {
        bytes += encoder.encode(QStringView(text).sliced(start, euro - start));
        bytes += kEuroByte;
        start = euro + 1;
    }
    bytes += encoder.encode(QStringView(text).sliced(start));
    return bytes;
}

QString fromAnsi(const QByteArray& bytes) {
    // The euro bytes split the text into pieces, each decoded on its own: a character cut short before a euro
    // byte is not completed by the bytes after it.
    QStringDecoder decoder(kAnsi, QStringConverter::Flag::Stateless);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i < n;) {
        if (p[i] == 0x80) {
            text += decoder.decode(QByteArrayView(bytes).sliced(start, i - start));
            text += QChar(kEuro);
            start = i + 1;
        }
        i += std::max(1, characterLength(p, i, n));
    }
    text += decoder.decode(QByteArrayView(bytes).sliced(start));
    return text;
}

bool looksLikeUtf8(const QByteArray& bytes) {
    int multiByte = 0;
    if (!isValidUtf8(bytes, &multiByte) || multiByte == 0)
        return false;
    bool gb2312 = true;
    if (!isValidCodePage936(bytes, &gb2312))
        return true;
    switch (askDetector(bytes, multiByte)) {
    case Verdict::Utf8:
        return true;
    case Verdict::CodePage936:
        return false;
    case Verdict::Undecided:
        break;
    }
    return !gb2312;
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
    if (looksLikeUtf8(bytes))
        return QString::fromUtf8(bytes);
    return fromAnsi(bytes);
}

} // namespace platform::TextCodec
