#pragma once

// The entry text file, both directions: the export's labelled layout, the import's line rule, and the
// conversion between a body as stored (CR LF line breaks) and an editor document's raw text. No widgets:
// the file is written to and read from a QIODevice, so a failing device can stand in for a failing disk.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace entrytextfile {

// What the export writes: the four boxes of the reading pane as they stand; body with CR LF line breaks.
struct Entry {
    QString title;
    QString dateWeek;
    QString weather;
    QString body;
};

// The file's bytes: "标题：" + title, the date line, "天气：" + weather, "内容：" + body, each ended by
// CR LF, in the ANSI code page (platform::TextCodec), without a byte-order mark.
QByteArray exportBytes(const Entry& entry);
// Writes those bytes to a device open for writing; true only when every byte was taken.
bool write(QIODevice& device, const Entry& entry);
// Writes the file named path. Where its folder allows, the new contents replace the file only once complete
// (an earlier file survives a failure untouched); where the folder is not writable but the file is, the
// file is rewritten in place. True only when the whole file was written and closed.
bool exportToFile(const QString& path, const Entry& entry);

// Larger files are refused by the import: a diary entry is not that long, and the editor would crawl.
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

// Reads a device open for reading to its end, decodes it (platform::TextCodec decides the encoding) and
// joins its lines by the import's rule.
Result read(QIODevice& device);
// The same for the file named path; anything but a regular file (a folder, a named pipe, a device) cannot be
// opened, and nothing waits for it.
Result readFile(const QString& path);
// True when path names a regular file (or a link to one): the only kind the import takes.
bool isRegularFile(const QString& path);

// The import's line rule: a line ends at CR or at CR LF (a lone LF stays inside its line); lines are joined
// with CR LF, empty lines before the first non-empty one are dropped, and there is no final line break.
QString joinImportedLines(const QString& text);

// A body as stored, for an editor document: a lone LF (which an imported file may carry) becomes a line
// break inside its block, so that it comes back out as the LF it was; CR LF and a lone CR start a block.
QString editorTextFromStored(const QString& stored);
// A document's raw text (blocks separated by U+2029, a line break inside a block as U+2028) as stored:
// every block ends with CR LF, a line break inside a block is LF, every other character is kept.
QString storedTextFromRaw(const QString& raw);

} // namespace entrytextfile
