#pragma once

// The diary's lossless JSON file: {"format": "qingjianlu-diary", "version": 1, "user": NAME, "entries": [...]},
// each entry {"id", "title", "date", "weekday", "weather", "body"} with every value as stored (null where the
// field has none). The writer streams entry by entry; UTF-8, no byte-order mark.

#include "tools/data/DiaryFile.h"
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
    // Each returns false once the device refused a byte; nothing more is written then. The row's bytes are
    // written as they are (escaped); bytes that are not UTF-8 are written as the text QString makes of them.
    bool write(const Row& row);
    bool finish();

private:
    bool flush();
    QIODevice& m_device;
    QByteArray m_buffer; // written out in large pieces
    bool m_ok = true;
    bool m_first = true;
};

// Appends the JSON string literal of UTF-8 text (quotes included): control characters, " and \ escaped,
// everything else as it stands. False, and nothing appended, when the bytes are not UTF-8.
bool appendQuoted(QByteArray& out, QByteArrayView utf8);

// What a file says beside its entries.
struct Header {
    QString user;
    qint64 entries = 0;
};

// Reads a file written by Writer (of any account) without holding more than one entry at a time: the bytes
// are scanned for the top-level keys and each element of "entries" is parsed on its own. check() goes
// through the whole file and gives an error text for anything that is not one of these files or not whole
// (empty when it is); forEachRow() then hands the entries over in file order (id as the file has it), the
// row's texts valid until each returns, stopping at the first entry that is not right. Both tell passed (if
// given) how far into bytes they have read after each entry.
QString check(QByteArrayView bytes, Header* header, const std::function<void(qsizetype read)>& passed = {});
QString forEachRow(QByteArrayView bytes, const std::function<void(const Row&)>& each,
                   const std::function<void(qsizetype read)>& passed = {});

} // namespace datatool::json
