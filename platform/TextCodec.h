#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The program's one text codec for files and for the updater call. Text files are in code page 936 as
// Windows reads and writes it: GB18030 (byte for byte GBK for every character GBK holds, and losing no other
// character), with the euro sign as the single byte 0x80.
namespace TextCodec {

QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

// Decodes a text file of unknown origin: a byte-order mark (UTF-8, UTF-16 LE/BE) decides; otherwise
// looksLikeUtf8() chooses between UTF-8 and code page 936.
QString decodeTextFile(const QByteArray& bytes);

// For bytes without a byte-order mark: true when they are to be read as UTF-8 rather than code page 936.
//  - Bytes that are not valid UTF-8 (or plain ASCII, the same either way) are code page 936; valid UTF-8
//    that no code page 936 text could be (a byte that starts no character, a character cut short) is UTF-8.
//  - Where both decode, the detector decides (uchardet where the build has it): UTF-8 when it names UTF-8
//    with at least kSureUtf8Characters characters of two or more bytes behind it, code page 936 when it
//    names a Chinese code page. Without uchardet the first half of that rule stands alone.
//  - Otherwise (a short text, the detector undecided) it is a tie, and a tie is code page 936, as Windows
//    reads it, unless the code page 936 reading leaves GB2312 (both bytes of each two-byte character in
//    0xA1-0xFE), as Chinese text hardly ever does while UTF-8 read as code page 936 nearly always does.
bool looksLikeUtf8(const QByteArray& bytes);
// The detector's verdict needs this many multi-byte characters: below it uchardet names UTF-8 for any valid
// UTF-8 (its UTF-8 confidence, 1 - 0.99 / 2^n after n such characters, reaches its ceiling only at six).
inline constexpr int kSureUtf8Characters = 6;

} // namespace TextCodec
} // namespace platform
