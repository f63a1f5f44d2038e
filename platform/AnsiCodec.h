#pragma once

// The converter behind platform::TextCodec's ANSI code page (which adds the euro sign's byte 0x80 itself),
// one back end chosen when the program is built: Qt's GB18030 converter (ICU) on Linux; on Windows, whose Qt
// has no ICU, the system's code page 54936 (GB18030), or 936 (GBK) where a system lacks 54936. Each call
// stands alone: nothing is carried over from one to the next.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform::ansi {

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

} // namespace platform::ansi
