#include "tools/data/Json.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace datatool::json {

QByteArray quoted(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + utf8.size() / 32 + 2);
    out += '"';
    // Runs of bytes that need no escape are copied whole.
    qsizetype run = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out.append(utf8.constData() + run, i - run);
        run = i + 1;
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
    out.append(utf8.constData() + run, utf8.size() - run);
    out += '"';
    return out;
}

namespace {

QByteArray valueOf(const QString& text) {
    return !text.isNull() ? quoted(text) : QByteArrayLiteral("null");
}

} // namespace

Writer::Writer(QIODevice& device, const QString& user) : m_device(device) {
    put(QByteArrayLiteral("{\"format\": \"") + kFormatName + "\", \"version\": " + QByteArray::number(kFormatVersion) +
        ", \"user\": " + quoted(user) + ", \"entries\": [");
}

bool Writer::put(const QByteArray& bytes) {
    if (m_ok)
        m_ok = m_device.write(bytes) == bytes.size();
    return m_ok;
}

bool Writer::write(const Entry& entry) {
    QByteArray line = m_first ? QByteArrayLiteral("\n") : QByteArrayLiteral(",\n");
    m_first = false;
    line += "{\"id\": " + QByteArray::number(entry.id) + ", \"title\": " + valueOf(entry.title) +
            ", \"date\": " + valueOf(entry.date) + ", \"weekday\": " + valueOf(entry.weekday) +
            ", \"weather\": " + valueOf(entry.weather) + ", \"body\": " + valueOf(entry.body) + "}";
    return put(line);
}

bool Writer::finish() {
    return put(QByteArrayLiteral("\n]}\n"));
}

namespace {

// A text field: a string, null, or left out (as null). Anything else makes the entry unreadable.
bool textField(const QJsonObject& object, const char* name, QString& into) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (value.isUndefined() || value.isNull()) {
        into = QString();
        return true;
    }
    if (!value.isString())
        return false;
    into = valueText(value.toString());
    return true;
}

// Finds the extent of JSON values in bytes without parsing them; what a value holds is left to QJsonDocument.
class Scanner {
public:
    explicit Scanner(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype offset() const { return m_at; }
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
        for (++m_at; m_at < m_bytes.size(); ++m_at) {
            if (m_bytes[m_at] == '\\')
                ++m_at;
            else if (m_bytes[m_at] == '"') {
                ++m_at;
                return true;
            }
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

QString parseEntry(QByteArrayView bytes, qint64 index, const QString& user, Entry& entry) {
    const QJsonValue value = parsed(bytes);
    const QJsonObject object = value.toObject();
    entry = Entry{};
    entry.id = qint64(object.value(QLatin1String("id")).toDouble());
    entry.owner = user;
    if (!value.isObject() || !textField(object, "title", entry.title) || !textField(object, "date", entry.date) ||
        !textField(object, "weekday", entry.weekday) || !textField(object, "weather", entry.weather) ||
        !textField(object, "body", entry.body))
        return QStringLiteral("第 %1 篇日记的字段不是文字。Entry %1 has a field that is not text.").arg(index + 1);
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

QString check(QByteArrayView bytes, Header* header) {
    return scan(bytes, *header, [](qint64 index, QByteArrayView element) {
        Entry entry;
        return parseEntry(element, index, QString(), entry);
    });
}

QString forEachEntry(QByteArrayView bytes, const std::function<void(Entry&)>& each) {
    Header header;
    return scan(bytes, header, [&](qint64 index, QByteArrayView element) {
        Entry entry;
        const QString problem = parseEntry(element, index, QString(), entry);
        if (problem.isEmpty())
            each(entry);
        return problem;
    });
}

} // namespace datatool::json
