#pragma once

// The diary's lossless JSON file: {"format": "qingjianlu-diary", "version": 1, "user": NAME, "entries": [...]},
// each entry {"id", "title", "date", "weekday", "weather", "body"} with every value as stored (null where the
// field has none). The writer streams entry by entry; UTF-8, no byte-order mark.

#include "tools/data/Entry.h"

#include <QByteArray>
#include <QString>

#include <functional>

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

// What a file says beside its entries.
struct Header {
    QString user;
    qint64 entries = 0;
};

// Reads a file written by Writer (of any account) without holding more than one entry at a time: the bytes
// are scanned for the top-level keys and each element of "entries" is parsed on its own. check() goes
// through the whole file and gives an error text for anything that is not one of these files or not whole
// (empty when it is); forEachEntry() then hands the entries over in file order (id as the file has it, no
// owner), stopping at the first entry that is not right.
QString check(QByteArrayView bytes, Header* header);
QString forEachEntry(QByteArrayView bytes, const std::function<void(Entry&)>& each);

} // namespace datatool::json
