#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The program's one text codec for files and for the updater call. Text files are written in GB18030,
// which is byte for byte GBK for every character GBK holds and loses no other character.
namespace TextCodec {

QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

// Decodes a text file of unknown origin: a byte-order mark (UTF-8, UTF-16 LE/BE) decides; otherwise valid
// UTF-8 that is not plain ASCII is read as UTF-8; otherwise GB18030 (which reads every GBK file unchanged).
QString decodeTextFile(const QByteArray& bytes);

} // namespace TextCodec
} // namespace platform
