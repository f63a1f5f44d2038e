// The ANSI back end where Qt has ICU's converters (Linux): GB18030.

#include "platform/AnsiCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform::ansi {

QByteArray encode(QStringView text) {
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QString decode(QByteArrayView bytes) {
    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace platform::ansi
