#include "ImportChecks.h"

#include "app/EntryTextFile.h"
#include "platform/TextCodec.h"

namespace fuzzcheck {

namespace {

QString visible(const QString& text) {
    return QString::fromLatin1(text.toUtf8().left(200).toHex(' '));
}

QString checkBody(const QString& text, const QString& body) {
    if (body != referenceBody(text))
        return QStringLiteral("body differs from the line rule: ") + visible(text);
    for (qsizetype i = 0; i < body.size(); ++i)
        if (body[i] == QLatin1Char('\r') && (i + 1 >= body.size() || body[i + 1] != QLatin1Char('\n')))
            return QStringLiteral("lone CR in the body: ") + visible(text);
    if (body.startsWith(QLatin1String("\r\n")))
        return QStringLiteral("body starts with a line break: ") + visible(text);
    if (!isValidUtf16(body))
        return QStringLiteral("body is not valid UTF-16: ") + visible(text);
    return QString();
}

} // namespace

bool isValidUtf16(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (text[i].isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

QString referenceBody(const QString& text) {
    QString body;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), i);
        const qsizetype end = cr < 0 ? n : cr;
        const QString line = text.mid(i, end - i);
        i = end;
        if (i < n) {
            ++i; // the CR
            if (i < n && text[i] == QLatin1Char('\n'))
                ++i;
        }
        if (body.isEmpty())
            body = line;
        else
            body += QLatin1String("\r\n") + line;
    }
    return body;
}

QString checkImportedBytes(const QByteArray& bytes) {
    const QString text = platform::TextCodec::decodeTextFile(bytes);
    if (!isValidUtf16(text))
        return QStringLiteral("decoded text is not valid UTF-16: ") + QString::fromLatin1(bytes.left(200).toHex(' '));
    const QString fault = checkBody(text, entrytextfile::joinImportedLines(text));
    if (!fault.isEmpty())
        return fault;

    const QString written = QStringLiteral("标题：") + QString::fromUtf8(bytes);
    const QString read = platform::TextCodec::decodeTextFile(platform::TextCodec::toAnsi(written));
    if (read != written)
        return QStringLiteral("exported text does not come back: ") + visible(written);
    return QString();
}

} // namespace fuzzcheck
