#include "tools/data/Json.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace datatool::json {

QByteArray quoted(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
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
        default:
            if (byte < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xf];
            } else {
                out += c;
            }
        }
    }
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

Document failed(const QString& why) {
    Document document;
    document.error = why;
    return document;
}

} // namespace

Document read(const QByteArray& bytes) {
    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(bytes, &parseError);
    if (parsed.isNull())
        return failed(QStringLiteral("不是完整的 JSON 文件（第 %1 字节：%2）。Not a whole JSON file (byte %1: %2).")
                          .arg(parseError.offset)
                          .arg(parseError.errorString()));
    const QJsonObject root = parsed.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(kFormatName) ||
        root.value(QLatin1String("version")).toInt(-1) != kFormatVersion ||
        !root.value(QLatin1String("entries")).isArray())
        return failed(
            QStringLiteral("不是青简录导出的 JSON 日记文件。Not a diary file written by qingjianlu-data export."));

    Document document;
    document.user = root.value(QLatin1String("user")).toString();
    const QJsonArray entries = root.value(QLatin1String("entries")).toArray();
    document.entries.reserve(std::size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject object = entries.at(i).toObject();
        Entry entry;
        entry.id = qint64(object.value(QLatin1String("id")).toDouble());
        entry.owner = document.user;
        if (!entries.at(i).isObject() || !textField(object, "title", entry.title) ||
            !textField(object, "date", entry.date) || !textField(object, "weekday", entry.weekday) ||
            !textField(object, "weather", entry.weather) || !textField(object, "body", entry.body))
            return failed(
                QStringLiteral("第 %1 篇日记的字段不是文字。Entry %1 has a field that is not text.").arg(i + 1));
        document.entries.push_back(std::move(entry));
    }
    return document;
}

} // namespace datatool::json
