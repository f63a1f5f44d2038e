#include "tools/data/Json.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace datatool::json {

namespace {

bool isContinuation(uchar byte) {
    return (byte & 0xc0) == 0x80;
}

// The length of the UTF-8 sequence that starts at p (a byte of 0x80 or more), 0 when it is not one.
inline int sequenceLength(const uchar* p, const uchar* end) {
    // Most of a Chinese diary: three bytes, neither an overlong form (e0) nor a surrogate (ed).
    if (p[0] >= 0xe1 && p[0] <= 0xef && p[0] != 0xed && end - p >= 3 && isContinuation(p[1]) && isContinuation(p[2]))
        return 3;
    const auto next = [&](int i, uchar low = 0x80, uchar high = 0xbf) {
        return p + i < end && p[i] >= low && p[i] <= high;
    };
    const uchar lead = p[0];
    if (lead >= 0xc2 && lead <= 0xdf)
        return next(1) ? 2 : 0;
    if (lead >= 0xe0 && lead <= 0xef) {
        // No overlong forms (e0 a0..), no surrogates (ed ..9f).
        const bool second = lead == 0xe0 ? next(1, 0xa0) : lead == 0xed ? next(1, 0x80, 0x9f) : next(1);
        return second && next(2) ? 3 : 0;
    }
    if (lead >= 0xf0 && lead <= 0xf4) {
        const bool second = lead == 0xf0 ? next(1, 0x90) : lead == 0xf4 ? next(1, 0x80, 0x8f) : next(1);
        return second && next(2) && next(3) ? 4 : 0;
    }
    return 0;
}

void appendValue(QByteArray& out, QByteArrayView bytes) {
    if (bytes.isNull())
        out += "null";
    else if (!appendQuoted(out, bytes))
        appendQuoted(out, QString::fromUtf8(bytes).toUtf8());
}

constexpr qsizetype kWrittenAt = 1 << 20;

} // namespace

bool appendQuoted(QByteArray& out, QByteArrayView utf8) {
    const qsizetype start = out.size();
    out += '"';
    const auto* p = reinterpret_cast<const uchar*>(utf8.data());
    const auto* const end = p + utf8.size();
    // Runs of bytes that need no escape are copied whole.
    const uchar* run = p;
    while (p < end) {
        const uchar byte = *p;
        if (byte >= 0x80) {
            const int length = sequenceLength(p, end);
            if (length == 0) {
                out.truncate(start);
                return false;
            }
            p += length;
            continue;
        }
        if (byte >= 0x20 && byte != '"' && byte != '\\') {
            ++p;
            continue;
        }
        out.append(reinterpret_cast<const char*>(run), p - run);
        run = ++p;
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xf];
        }
        }
    }
    out.append(reinterpret_cast<const char*>(run), end - run);
    out += '"';
    return true;
}

Writer::Writer(QIODevice& device, const QString& user) : m_device(device) {
    m_buffer.reserve(kWrittenAt + kWrittenAt / 4);
    m_buffer += "{\"format\": \"";
    m_buffer += kFormatName;
    m_buffer += "\", \"version\": " + QByteArray::number(kFormatVersion) + ", \"user\": ";
    appendValue(m_buffer, user.toUtf8());
    m_buffer += ", \"entries\": [";
}

bool Writer::flush() {
    if (m_ok && !m_buffer.isEmpty())
        m_ok = m_device.write(m_buffer) == m_buffer.size();
    m_buffer.resize(0);
    return m_ok;
}

bool Writer::write(const Row& row) {
    m_buffer += m_first ? "\n{\"id\": " : ",\n{\"id\": ";
    m_first = false;
    m_buffer += QByteArray::number(row.id);
    const std::pair<const char*, QByteArrayView> fields[] = {{", \"title\": ", row.title},
                                                             {", \"date\": ", row.date},
                                                             {", \"weekday\": ", row.weekday},
                                                             {", \"weather\": ", row.weather},
                                                             {", \"body\": ", row.body}};
    for (const auto& [name, value] : fields) {
        m_buffer += name;
        appendValue(m_buffer, value);
    }
    m_buffer += '}';
    return m_buffer.size() < kWrittenAt ? m_ok : flush();
}

bool Writer::finish() {
    m_buffer += "\n]}\n";
    return flush();
}

namespace {

bool decodeString(QByteArrayView bytes, qsizetype& at, QByteArray& out);

// Finds the extent of JSON values in bytes without parsing them; what a value holds is left to QJsonDocument.
class Scanner {
public:
    explicit Scanner(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype offset() const { return m_at; }
    // Whether the next value starts with c.
    bool next(char c) {
        skipBlanks();
        return m_at < m_bytes.size() && m_bytes[m_at] == c;
    }
    // Decodes the string value that comes next into out.
    bool string(QByteArray& out) { return next('"') && decodeString(m_bytes, m_at, out); }
    bool eat(char c) {
        skipBlanks();
        if (m_at < m_bytes.size() && m_bytes[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool atEnd() {
        skipBlanks();
        return m_at >= m_bytes.size();
    }
    // The bytes of the next value (a string, number, literal, object or array); false when there is none.
    bool value(QByteArrayView& out) {
        skipBlanks();
        const qsizetype start = m_at;
        if (m_at >= m_bytes.size())
            return false;
        const char first = m_bytes[m_at];
        if (first == '"') {
            if (!skipString())
                return false;
        } else if (first == '{' || first == '[') {
            int depth = 0;
            do {
                if (m_at >= m_bytes.size())
                    return false;
                const char c = m_bytes[m_at];
                if (c == '"') {
                    if (!skipString())
                        return false;
                    continue;
                }
                if (c == '{' || c == '[')
                    ++depth;
                else if (c == '}' || c == ']')
                    --depth;
                ++m_at;
            } while (depth > 0);
        } else {
            while (m_at < m_bytes.size() && !QByteArrayView(",}] \t\r\n").contains(m_bytes[m_at]))
                ++m_at;
            if (m_at == start)
                return false;
        }
        out = m_bytes.sliced(start, m_at - start);
        return true;
    }

private:
    void skipBlanks() {
        while (m_at < m_bytes.size() && QByteArrayView(" \t\r\n").contains(m_bytes[m_at]))
            ++m_at;
    }
    bool skipString() {
        // The next quote that no backslash escapes (an odd run of backslashes before it does).
        const char* const begin = m_bytes.data();
        for (++m_at; m_at < m_bytes.size();) {
            const auto* quote = static_cast<const char*>(std::memchr(begin + m_at, '"', size_t(m_bytes.size() - m_at)));
            if (!quote)
                return false;
            qsizetype backslashes = 0;
            for (const char* b = quote - 1; b >= begin + m_at && *b == '\\'; --b)
                ++backslashes;
            m_at = quote - begin + 1;
            if (backslashes % 2 == 0)
                return true;
        }
        return false;
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

// One value parsed on its own; undefined when its bytes are not JSON.
QJsonValue parsed(QByteArrayView bytes) {
    QByteArray wrapped;
    wrapped.reserve(bytes.size() + 2);
    wrapped.append('[').append(bytes).append(']');
    const QJsonDocument document = QJsonDocument::fromJson(wrapped);
    if (!document.isArray() || document.array().size() != 1)
        return QJsonValue(QJsonValue::Undefined);
    return document.array().at(0);
}

QString syntaxError(qsizetype offset) {
    return QStringLiteral("不是完整的 JSON 文件（第 %1 字节）。Not a whole JSON file (byte %1).").arg(offset);
}

QString notOurs() {
    return QStringLiteral("不是青简录导出的 JSON 日记文件。Not a diary file written by qingjianlu-data export.");
}

// What a one-character escape stands for; 0 for any other.
char singleEscape(char escape) {
    switch (escape) {
    case '"':
    case '\\':
    case '/':
        return escape;
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return 0;
    }
}

// Decodes the JSON string whose opening quote is at bytes[at] into UTF-8, at left after its closing quote;
// false when it is not a whole, valid one.
bool decodeString(QByteArrayView bytes, qsizetype& at, QByteArray& out) {
    out.resize(0);
    const auto* p = reinterpret_cast<const uchar*>(bytes.data()) + at + 1;
    const auto* const end = reinterpret_cast<const uchar*>(bytes.data()) + bytes.size();
    const auto hex = [&end](const uchar* digits, char32_t& code) {
        if (end - digits < 4)
            return false;
        bool ok = false;
        code = QByteArrayView(digits, 4).toUInt(&ok, 16);
        return ok && std::all_of(digits, digits + 4, [](uchar c) { return std::isxdigit(c); });
    };
    const uchar* run = p;
    while (p < end) {
        const uchar byte = *p;
        if (byte >= 0x80) {
            const int length = sequenceLength(p, end);
            if (length == 0)
                return false;
            p += length;
            continue;
        }
        if (byte == '"') {
            out.append(reinterpret_cast<const char*>(run), p - run);
            at = reinterpret_cast<const char*>(p) - bytes.data() + 1;
            return true;
        }
        if (byte < 0x20)
            return false;
        if (byte != '\\') {
            ++p;
            continue;
        }
        out.append(reinterpret_cast<const char*>(run), p - run);
        if (p + 1 >= end)
            return false;
        const char escape = char(p[1]);
        p += 2;
        if (const char single = singleEscape(escape)) {
            out += single;
        } else if (escape == 'u') {
            char32_t code = 0;
            if (!hex(p, code))
                return false;
            p += 4;
            char32_t low = 0;
            if (code >= 0xd800 && code < 0xdc00 && end - p >= 6 && p[0] == '\\' && p[1] == 'u' && hex(p + 2, low) &&
                low >= 0xdc00 && low < 0xe000) {
                code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
                p += 6;
            }
            out += QString::fromUcs4(&code, 1).toUtf8(); // a lone surrogate becomes U+FFFD
        } else {
            return false;
        }
        run = p;
    }
    return false; // no closing quote
}

// One entry's fields, decoded into buffers that are reused from entry to entry.
struct Parsed {
    QByteArray texts[5]; // title, date, weekday, weather, body
    bool present[5] = {};
    QByteArray key;
    Row row;
};

QString parseEntry(QByteArrayView bytes, qint64 index, Parsed& into) {
    static const QByteArrayView kNames[] = {"title", "date", "weekday", "weather", "body"};
    const auto bad = [index] {
        return QStringLiteral("第 %1 篇日记的字段不是文字。Entry %1 has a field that is not text.").arg(index + 1);
    };
    Scanner scanner(bytes);
    std::fill(std::begin(into.present), std::end(into.present), false);
    into.row = Row{};
    if (!scanner.eat('{'))
        return bad();
    if (!scanner.eat('}')) {
        for (;;) {
            QByteArrayView value;
            if (!scanner.string(into.key) || !scanner.eat(':'))
                return bad();
            const auto* name = std::find(std::begin(kNames), std::end(kNames), QByteArrayView(into.key));
            if (name != std::end(kNames)) {
                const auto field = name - std::begin(kNames);
                into.present[field] = scanner.next('"');
                if (into.present[field] ? !scanner.string(into.texts[field]) : !scanner.value(value) || value != "null")
                    return bad();
            } else {
                if (!scanner.value(value))
                    return bad();
                bool ok = false;
                const qint64 id = value.toLongLong(&ok);
                const QJsonValue other = ok ? QJsonValue(double(id)) : parsed(value);
                if (other.isUndefined())
                    return bad();
                if (into.key == "id")
                    into.row.id = ok ? id : qint64(other.toDouble());
            }
            if (scanner.eat(','))
                continue;
            if (scanner.eat('}'))
                break;
            return bad();
        }
    }
    if (!scanner.atEnd())
        return bad();
    QByteArrayView* views[] = {&into.row.title, &into.row.date, &into.row.weekday, &into.row.weather, &into.row.body};
    for (int i = 0; i < 5; ++i)
        *views[i] =
            into.present[i] ? QByteArrayView(into.texts[i].constData(), into.texts[i].size()) : QByteArrayView();
    return {};
}

// Goes through the whole file; each entry's bytes go to entry, which gives an error text to stop.
QString scan(QByteArrayView bytes, Header& header,
             const std::function<QString(qint64 index, QByteArrayView entry)>& entry) {
    Scanner scanner(bytes);
    bool format = false, version = false, entries = false;
    if (!scanner.eat('{'))
        return syntaxError(scanner.offset());
    if (!scanner.eat('}')) {
        for (;;) {
            QByteArrayView keyBytes;
            if (!scanner.value(keyBytes) || !keyBytes.startsWith('"'))
                return syntaxError(scanner.offset());
            const QJsonValue key = parsed(keyBytes);
            if (!key.isString() || !scanner.eat(':'))
                return syntaxError(scanner.offset());
            if (key.toString() == QLatin1String("entries") && scanner.eat('[')) {
                entries = true;
                header.entries = 0;
                if (!scanner.eat(']')) {
                    for (;;) {
                        QByteArrayView element;
                        if (!scanner.value(element))
                            return syntaxError(scanner.offset());
                        const QString error = entry(header.entries++, element);
                        if (!error.isEmpty())
                            return error;
                        if (scanner.eat(','))
                            continue;
                        if (scanner.eat(']'))
                            break;
                        return syntaxError(scanner.offset());
                    }
                }
            } else {
                QByteArrayView valueBytes;
                if (!scanner.value(valueBytes))
                    return syntaxError(scanner.offset());
                const QJsonValue value = parsed(valueBytes);
                if (value.isUndefined())
                    return syntaxError(scanner.offset());
                if (key.toString() == QLatin1String("format"))
                    format = value.toString() == QLatin1String(kFormatName);
                else if (key.toString() == QLatin1String("version"))
                    version = value.toInt(-1) == kFormatVersion;
                else if (key.toString() == QLatin1String("user"))
                    header.user = value.toString();
            }
            if (scanner.eat(','))
                continue;
            if (scanner.eat('}'))
                break;
            return syntaxError(scanner.offset());
        }
    }
    if (!scanner.atEnd())
        return syntaxError(scanner.offset());
    return format && version && entries ? QString() : notOurs();
}

} // namespace

QString check(QByteArrayView bytes, Header* header, const std::function<void(qsizetype read)>& passed) {
    Parsed parsedEntry;
    return scan(bytes, *header, [&](qint64 index, QByteArrayView element) {
        const QString problem = parseEntry(element, index, parsedEntry);
        if (passed)
            passed(element.data() + element.size() - bytes.data());
        return problem;
    });
}

QString forEachRow(QByteArrayView bytes, const std::function<void(const Row&)>& each,
                   const std::function<void(qsizetype read)>& passed) {
    Header header;
    Parsed parsedEntry;
    return scan(bytes, header, [&](qint64 index, QByteArrayView element) {
        const QString problem = parseEntry(element, index, parsedEntry);
        if (problem.isEmpty())
            each(parsedEntry.row);
        if (passed)
            passed(element.data() + element.size() - bytes.data());
        return problem;
    });
}

} // namespace datatool::json
