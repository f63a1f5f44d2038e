// The ANSI back end where Qt has ICU's converters (Linux): GB18030.

#include "platform/AnsiCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform::ansi {

QByteArray encodeRun(QStringView text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString decodeRun(QByteArrayView bytes) {
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

} // namespace platform::ansi
