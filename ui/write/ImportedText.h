#pragma once

#include <QString>

// The reading side of the text import: the whole file named by the import becomes the body of a new entry.
namespace importedtext {

// Larger files are refused: a diary entry is not that long, and the editor would crawl.
inline constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

enum class Problem {
    None,
    CannotOpen, // missing, locked, a folder, or failing while read
    NotText,    // holds NUL characters (after a UTF-16 byte-order mark: U+0000)
    TooLarge,   // more than kMaxFileBytes
};

struct Result {
    Problem problem = Problem::None;
    QString body; // empty unless problem is None
};

// Reads and decodes the file (platform::TextCodec decides the encoding) and joins its lines by the
// import's rule: lines end at CR or CR LF, leading empty lines go, lines are joined with CR LF.
Result read(const QString& path);

} // namespace importedtext
