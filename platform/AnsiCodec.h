#pragma once

// The ANSI code page behind platform::TextCodec: code page 936 (GBK) for every character it holds, GB18030
// for every other one, so nothing is lost. The euro sign is byte 0x80, as in code page 936 (GB18030 writes
// it as A2 E3, which is read as the euro sign too).
//
// The conversion of the runs between euro signs comes from one back end chosen when the program is built:
// Qt's GB18030 converter (ICU) on Linux, the system's code page 54936 (GB18030), or 936 where a system
// lacks that, on Windows, whose Qt has no ICU.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform::ansi {

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

// The back end: GB18030 (or code page 936) without the euro rule.
QByteArray encodeRun(QStringView text);
QString decodeRun(QByteArrayView bytes);

} // namespace platform::ansi
