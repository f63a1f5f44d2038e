#pragma once

// The diary's lossless JSON file: {"format": "qingjianlu-diary", "version": 1, "user": NAME, "entries": [...]},
// each entry {"id", "title", "date", "weekday", "weather", "body"} with every value as stored (null where the
// field has none). The writer streams entry by entry; UTF-8, no byte-order mark.

#include "tools/data/Entry.h"

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;

namespace datatool::json {

inline constexpr const char* kFormatName = "qingjianlu-diary";
inline constexpr int kFormatVersion = 1;

class Writer {
public:
    Writer(QIODevice& device, const QString& user);
    // Each returns false once the device refused a byte; nothing more is written then.
    bool write(const Entry& entry);
    bool finish();

private:
    bool put(const QByteArray& bytes);
    QIODevice& m_device;
    bool m_ok = true;
    bool m_first = true;
};

// A JSON string literal for text (quotes included); control characters escaped, everything else as UTF-8.
QByteArray quoted(const QString& text);

struct Document {
    QString user;
    std::vector<Entry> entries; // in file order; id and owner as the file gives them
    QString error;              // empty when the file is one of ours and whole
};

// Reads a file written by Writer (of any account). Anything else, or a damaged file, gives an error that
// says what is wrong and no entries.
Document read(const QByteArray& bytes);

} // namespace datatool::json
