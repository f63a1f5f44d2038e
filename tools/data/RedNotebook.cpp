#include "tools/data/RedNotebook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace datatool::rednotebook {
namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

int indentOf(const QString& line) {
    int i = 0;
    while (i < line.size() && line.at(i) == QLatin1Char(' '))
        ++i;
    return i;
}

bool isEmptyLine(const QString& line) {
    return line.trimmed().isEmpty();
}

// The text of a scalar as it is read. Blanks are held back until something other than a line break follows
// (blanks before a break are dropped); a line break folds as YAML folds it: the text after it starts at its
// first non-blank, one break becomes a space, a break followed by n empty lines becomes n line feeds.
class Folding {
public:
    void add(QChar c) {
        if (isBlank(c)) {
            m_pending += c;
            return;
        }
        append(QString(c));
    }
    // Text that is not folded (an escape), after the blanks held back.
    void append(const QString& text) {
        m_out += m_pending;
        m_pending.clear();
        m_out += text;
    }
    // raw.at(i) is the line feed; i is left at the first non-blank after the breaks.
    void lineBreak(const QString& raw, qsizetype& i) {
        m_pending.clear();
        int breaks = 0;
        ++i;
        for (;;) {
            while (i < raw.size() && isBlank(raw.at(i)))
                ++i;
            if (i < raw.size() && raw.at(i) == QLatin1Char('\n')) {
                ++breaks;
                ++i;
                continue;
            }
            break;
        }
        m_out += breaks == 0 ? QString(QLatin1Char(' ')) : QString(breaks, QLatin1Char('\n'));
    }
    // A quoted text keeps the blanks before its closing quote.
    QString quoted() const { return m_out + m_pending; }
    QString plain() const { return m_out; }

private:
    QString m_out;
    QString m_pending;
};

bool hexEscape(const QString& raw, qsizetype& i, int digits, QString& out) {
    bool ok = false;
    const uint code = raw.mid(i, digits).toUInt(&ok, 16);
    if (!ok || raw.mid(i, digits).size() != digits)
        return false;
    i += digits;
    const char32_t c = code;
    out += QString::fromUcs4(&c, 1);
    return true;
}

// The one-character escapes of a double-quoted YAML text and what each stands for; nullptr for any other.
const char16_t* singleEscape(char escape) {
    static const struct {
        char escape;
        char16_t character;
    } table[] = {{'0', 0x00}, {'a', 0x07},  {'b', 0x08}, {'t', 0x09}, {'\t', 0x09},  {'n', 0x0a},
                 {'v', 0x0b}, {'f', 0x0c},  {'r', 0x0d}, {'e', 0x1b}, {' ', 0x20},   {'"', 0x22},
                 {'/', 0x2f}, {'\\', 0x5c}, {'N', 0x85}, {'_', 0xa0}, {'L', 0x2028}, {'P', 0x2029}};
    for (const auto& entry : table)
        if (entry.escape == escape)
            return &entry.character;
    return nullptr;
}

// The escape at raw.at(i) (a backslash) of a double-quoted text into escaped, i left after it; false when it
// is not one YAML knows.
bool escape(const QString& raw, qsizetype& i, QString& escaped) {
    if (i + 1 >= raw.size())
        return false;
    const char e = raw.at(i + 1).toLatin1();
    i += 2;
    const int hexDigits = e == 'x' ? 2 : e == 'u' ? 4 : e == 'U' ? 8 : 0;
    if (e == '\n') {
        // An escaped line break joins the lines without a space.
        while (i < raw.size() && isBlank(raw.at(i)))
            ++i;
        return true;
    }
    if (hexDigits > 0)
        return hexEscape(raw, i, hexDigits, escaped);
    const char16_t* single = singleEscape(e);
    if (single)
        escaped = QChar(*single);
    return single != nullptr;
}

// A quoted scalar from i (just after its opening quote), i left after its closing quote; false when it does
// not end or an escape is bad. In single quotes '' is one quote and nothing else is escaped; in double
// quotes a backslash starts an escape.
bool quotedScalar(const QString& raw, qsizetype& i, QChar quote, QString& out) {
    Folding text;
    const bool escapes = quote == QLatin1Char('"');
    while (i < raw.size()) {
        const QChar c = raw.at(i);
        if (c == quote && !escapes && i + 1 < raw.size() && raw.at(i + 1) == quote) {
            text.append(QString(quote));
            i += 2;
        } else if (c == quote) {
            ++i;
            out = text.quoted();
            return true;
        } else if (c == QLatin1Char('\n')) {
            text.lineBreak(raw, i);
        } else if (escapes && c == QLatin1Char('\\')) {
            QString escaped;
            if (!escape(raw, i, escaped))
                return false;
            text.append(escaped);
        } else {
            text.add(c);
            ++i;
        }
    }
    return false;
}

bool startsComment(const QString& raw, qsizetype i) {
    return raw.at(i) == QLatin1Char('#') && (i == 0 || isBlank(raw.at(i - 1)) || raw.at(i - 1) == QLatin1Char('\n'));
}

// A plain scalar over one or more lines, folded; surrounding blanks dropped, a comment ends it.
QString plain(const QString& raw) {
    Folding text;
    const QString trimmed = raw.trimmed();
    for (qsizetype i = 0; i < trimmed.size() && !startsComment(trimmed, i);) {
        if (trimmed.at(i) == QLatin1Char('\n')) {
            text.lineBreak(trimmed, i);
            continue;
        }
        text.add(trimmed.at(i));
        ++i;
    }
    return text.plain();
}

bool isNullText(const QString& text) {
    static const QStringList nulls{QString(), QStringLiteral("~"), QStringLiteral("null"), QStringLiteral("Null"),
                                   QStringLiteral("NULL")};
    return nulls.contains(text);
}

// Skips blanks, line breaks and comments.
void skipSpace(const QString& raw, qsizetype& i) {
    while (i < raw.size()) {
        if (isBlank(raw.at(i)) || raw.at(i) == QLatin1Char('\n'))
            ++i;
        else if (startsComment(raw, i))
            i = raw.indexOf(QLatin1Char('\n'), i) < 0 ? raw.size() : raw.indexOf(QLatin1Char('\n'), i);
        else
            break;
    }
}

bool onlySpaceFrom(const QString& raw, qsizetype i) {
    skipSpace(raw, i);
    return i >= raw.size();
}

// What the reader needs of a value in flow style ({key: value, …}, [a, b], scalars).
struct Node {
    enum class Kind { Null, Text, Mapping, Sequence } kind = Kind::Null;
    QString text;
    std::vector<std::pair<QString, Node>> items; // a mapping's keys and values
};

// A flow value from i, i left after it; false for anything that is not plain YAML flow style (block
// scalars, anchors, aliases, tags) or not whole.
bool flowNode(const QString& raw, qsizetype& i, Node& node, int depth = 0) {
    skipSpace(raw, i);
    if (i >= raw.size() || depth > 32)
        return false;
    const QChar c = raw.at(i);
    if (c == QLatin1Char('{') || c == QLatin1Char('[')) {
        const bool mapping = c == QLatin1Char('{');
        const QChar close = mapping ? QLatin1Char('}') : QLatin1Char(']');
        node.kind = mapping ? Node::Kind::Mapping : Node::Kind::Sequence;
        ++i;
        for (;;) {
            skipSpace(raw, i);
            if (i < raw.size() && raw.at(i) == close) {
                ++i;
                return true;
            }
            Node key;
            Node value;
            if (!flowNode(raw, i, key, depth + 1))
                return false;
            skipSpace(raw, i);
            if (mapping && i < raw.size() && raw.at(i) == QLatin1Char(':')) {
                ++i;
                skipSpace(raw, i);
                if (i < raw.size() && raw.at(i) != QLatin1Char(',') && raw.at(i) != close &&
                    !flowNode(raw, i, value, depth + 1))
                    return false;
            }
            if (mapping) {
                if (key.kind == Node::Kind::Mapping || key.kind == Node::Kind::Sequence)
                    return false;
                node.items.emplace_back(key.text, std::move(value));
            }
            skipSpace(raw, i);
            if (i < raw.size() && raw.at(i) == QLatin1Char(','))
                ++i;
            else if (i >= raw.size() || raw.at(i) != close)
                return false;
        }
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        node.kind = Node::Kind::Text;
        ++i;
        return quotedScalar(raw, i, c, node.text);
    }
    if (QStringView(u"|>&*!%@`").contains(c))
        return false;
    // A plain scalar: up to a flow indicator, a colon before a blank or an indicator, or a comment.
    static const QStringView kIndicators(u",[]{}");
    const qsizetype start = i;
    for (; i < raw.size(); ++i) {
        const QChar d = raw.at(i);
        if (kIndicators.contains(d) || (i > start && startsComment(raw, i)))
            break;
        if (d == QLatin1Char(':') &&
            (i + 1 >= raw.size() || raw.at(i + 1).isSpace() || kIndicators.contains(raw.at(i + 1))))
            break;
    }
    node.text = plain(raw.mid(start, i - start));
    node.kind = isNullText(node.text) ? Node::Kind::Null : Node::Kind::Text;
    return true;
}

// The text of a day written in flow style ({text: …, Category: {…}}); false when the day is something else.
bool flowDayText(const Node& day, QString& text, bool& hasText) {
    hasText = false;
    if (day.kind == Node::Kind::Null)
        return true;
    if (day.kind != Node::Kind::Mapping)
        return false;
    for (const auto& [key, value] : day.items) {
        if (key != QLatin1String("text"))
            continue;
        if (value.kind != Node::Kind::Text && value.kind != Node::Kind::Null)
            return false;
        hasText = value.kind == Node::Kind::Text;
        text = value.text;
    }
    return true;
}

// A block scalar: header is "|" (literal) or ">" (folded) with its chomping (+ keep, - strip) and indentation
// indicators, lines the lines below the key that belong to it, keyIndent the key's indentation. Read as
// PyYAML reads it; false when a line below is indented less than the text yet more than the key.
bool blockScalar(const QString& header, const QStringList& lines, int keyIndent, QString& out) {
    const bool folded = header.startsWith(QLatin1Char('>'));
    int chomping = 0; // -1 strip, 0 clip, 1 keep
    int increment = 0;
    qsizetype h = 1;
    for (; h < header.size() && h <= 2; ++h) {
        const QChar c = header.at(h);
        if (chomping == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))
            chomping = c == QLatin1Char('-') ? -1 : 1;
        else if (increment == 0 && c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            increment = c.digitValue();
        else
            break;
    }
    if (h < header.size() && (!isBlank(header.at(h)) || !onlySpaceFrom(header, h)))
        return false;
    int indent = keyIndent + increment;
    if (increment == 0) {
        indent = keyIndent + 1;
        for (const QString& line : lines)
            if (!isEmptyLine(line)) {
                indent = std::max(indent, indentOf(line));
                break;
            }
    }
    const auto isBreak = [indent](const QString& line) { return line.size() <= indent && isEmptyLine(line); };
    QString text;
    QString breaks;
    bool any = false;
    qsizetype j = 0;
    for (; j < lines.size() && isBreak(lines.at(j)); ++j)
        breaks += QLatin1Char('\n');
    while (j < lines.size() && indentOf(lines.at(j)) >= indent) {
        text += breaks;
        const QString line = lines.at(j).mid(indent);
        const bool leadingNonBlank = line.isEmpty() || !isBlank(line.at(0));
        text += line;
        any = true;
        breaks.clear();
        for (++j; j < lines.size() && isBreak(lines.at(j)); ++j)
            breaks += QLatin1Char('\n');
        if (j >= lines.size() || indentOf(lines.at(j)) < indent)
            break;
        const QString next = lines.at(j).mid(indent);
        if (!folded || !leadingNonBlank || next.isEmpty() || isBlank(next.at(0)))
            text += QLatin1Char('\n');
        else if (breaks.isEmpty())
            text += QLatin1Char(' ');
    }
    if (j < lines.size())
        return false;
    if (chomping >= 0 && any)
        text += QLatin1Char('\n');
    if (chomping > 0)
        text += breaks;
    out = text;
    return true;
}

// The value of the text whose key line ends in rest, lines below it belonging to it; false for a form not
// read here (a collection, an anchor, alias or tag) or an unfinished quote.
bool textValue(const QString& rest, const QStringList& below, int keyIndent, QString& out, bool& isNull) {
    const QString head = rest.trimmed();
    isNull = false;
    if (head.startsWith(QLatin1Char('|')) || head.startsWith(QLatin1Char('>')))
        return blockScalar(head, below, keyIndent, out);
    const QString raw = QStringList(QStringList{rest} + below).join(QLatin1Char('\n'));
    qsizetype at = raw.indexOf(head.isEmpty() ? QChar() : head.at(0));
    if (head.startsWith(QLatin1Char('"')) || head.startsWith(QLatin1Char('\''))) {
        ++at;
        return quotedScalar(raw, at, head.at(0), out) && onlySpaceFrom(raw, at);
    }
    if (!head.isEmpty() && QStringView(u"{[&*!%@`").contains(head.at(0)))
        return false;
    out = plain(raw);
    isNull = isNullText(out);
    return true;
}

QString lineError(qsizetype line, const QString& what) {
    return QStringLiteral("第 %1 行：%2").arg(line).arg(what);
}

const QString kUnreadable = QStringLiteral("无法读出这一天的文字（RedNotebook 不这样写）。The day's text cannot be "
                                           "read (not a form RedNotebook writes).");

} // namespace

Month readMonth(const QByteArray& bytes, int year, int month) {
    Month result;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        result.error = QStringLiteral("不是 UTF-8 文字。Not UTF-8 text.");
        return result;
    }
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1); // the last line's break, not an empty line after it
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression dayKey(QStringLiteral("^'?(\\d{1,2})'?:(?:\\s+(.*))?$"));
    static const QRegularExpression field(QStringLiteral("^('[^']*'|\"[^\"]*\"|[^:#'\"][^:]*):(?:\\s+(.*))?$"));

    qsizetype i = 0;
    const auto fail = [&](const QString& what) {
        result.days.clear();
        result.error = lineError(i + 1, what);
        return result;
    };
    const auto addDay = [&](int number, const QString& dayText) {
        const QDate date(year, month, number);
        if (!date.isValid())
            return false;
        if (!dayText.trimmed().isEmpty())
            result.days.push_back(Day{date, dayText});
        return true;
    };
    const QString noSuchDay = QStringLiteral("这个月没有这一天。The month has no such day.");
    while (i < lines.size()) {
        const QString& line = lines.at(i);
        if (isEmptyLine(line) || line.startsWith(QLatin1Char('#')) || line == QLatin1String("---") ||
            line == QLatin1String("...")) {
            ++i;
            continue;
        }
        if (line.startsWith(QLatin1Char('{'))) {
            // The whole month in flow style: {8: {text: …}, 9: …}.
            const QString rest = lines.mid(i).join(QLatin1Char('\n'));
            qsizetype at = 0;
            Node document;
            if (!flowNode(rest, at, document) || document.kind != Node::Kind::Mapping || !onlySpaceFrom(rest, at))
                return fail(kUnreadable);
            for (const auto& [key, value] : document.items) {
                bool isNumber = false;
                const int number = key.toInt(&isNumber);
                QString dayText;
                bool hasText = false;
                if (!isNumber || !flowDayText(value, dayText, hasText))
                    return fail(kUnreadable);
                if (!addDay(number, hasText ? dayText : QString()))
                    return fail(noSuchDay);
            }
            return result;
        }
        const QRegularExpressionMatch day = dayKey.match(line);
        if (indentOf(line) != 0 || !day.hasMatch())
            return fail(QStringLiteral("应为日期数字。A day number was expected."));
        if (!QDate(year, month, day.captured(1).toInt()).isValid())
            return fail(noSuchDay);
        const qsizetype dayLine = i;
        const QString rest = day.captured(2).trimmed();
        ++i;
        QString dayText;
        bool hasText = false;
        if (rest.startsWith(QLatin1Char('{'))) {
            // The day in flow style: 8: {text: …}, over the lines indented below it.
            QString raw = rest;
            for (; i < lines.size() && (isEmptyLine(lines.at(i)) || indentOf(lines.at(i)) > 0); ++i)
                raw += QLatin1Char('\n') + lines.at(i);
            qsizetype at = 0;
            Node value;
            if (!flowNode(raw, at, value) || !onlySpaceFrom(raw, at) || !flowDayText(value, dayText, hasText)) {
                i = dayLine;
                return fail(kUnreadable);
            }
            addDay(day.captured(1).toInt(), hasText ? dayText : QString());
            continue;
        }
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('#')) && !isNullText(rest)) {
            i = dayLine;
            return fail(kUnreadable);
        }
        // The day's keys, one indentation deeper; what is indented further belongs to the key above it.
        int keyIndent = -1;
        while (i < lines.size() && (isEmptyLine(lines.at(i)) || indentOf(lines.at(i)) > 0)) {
            const QString& keyLine = lines.at(i);
            if (isEmptyLine(keyLine)) {
                ++i;
                continue;
            }
            if (keyIndent < 0)
                keyIndent = indentOf(keyLine);
            if (indentOf(keyLine) != keyIndent)
                return fail(QStringLiteral("缩进不对。Unexpected indentation."));
            const QRegularExpressionMatch key = field.match(keyLine.mid(keyIndent));
            if (!key.hasMatch())
                return fail(QStringLiteral("应为“键: 值”。A “key: value” line was expected."));
            const qsizetype keyLineIndex = i;
            QStringList below;
            for (++i; i < lines.size() && (isEmptyLine(lines.at(i)) || indentOf(lines.at(i)) > keyIndent); ++i)
                below << lines.at(i);
            QString name = key.captured(1).trimmed();
            if (name.size() >= 2 && (name.startsWith(QLatin1Char('\'')) || name.startsWith(QLatin1Char('"'))))
                name = name.mid(1, name.size() - 2);
            if (name != QLatin1String("text"))
                continue; // categories and anything else a day may carry
            bool isNull = false;
            if (!textValue(key.captured(2), below, keyIndent, dayText, isNull)) {
                i = keyLineIndex;
                return fail(kUnreadable);
            }
            hasText = !isNull;
        }
        addDay(day.captured(1).toInt(), hasText ? dayText : QString());
    }
    return result;
}

Journal readJournal(const QString& folder) {
    Journal journal;
    const QDir dir(folder);
    if (!dir.exists()) {
        journal.error = QStringLiteral("找不到文件夹“%1”。No such folder.").arg(folder);
        return journal;
    }
    static const QRegularExpression monthFile(QStringLiteral("^(\\d{4})-(\\d{2})\\.txt$"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    bool any = false;
    for (const QString& name : names) {
        const QRegularExpressionMatch match = monthFile.match(name);
        if (!match.hasMatch())
            continue; // RedNotebook's own leftovers (.old, .new, conflict copies) and other files
        any = true;
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            journal.error =
                QStringLiteral("无法读取“%1”：%2。Cannot read it.").arg(file.fileName(), file.errorString());
            journal.days.clear();
            return journal;
        }
        const Month month = readMonth(file.readAll(), match.captured(1).toInt(), match.captured(2).toInt());
        if (!month.error.isEmpty()) {
            journal.error = QStringLiteral("“%1”已损坏，%2").arg(file.fileName(), month.error);
            journal.days.clear();
            return journal;
        }
        journal.days.insert(journal.days.end(), month.days.begin(), month.days.end());
    }
    if (!any)
        journal.error =
            QStringLiteral("“%1”里没有 RedNotebook 的月份文件（YYYY-MM.txt）。No RedNotebook month files there.")
                .arg(folder);
    return journal;
}

QString titleOf(const QString& text, int maxLength) {
    const QStringList lines = QString(text)
                                  .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                  .split(QRegularExpression(QStringLiteral("[\r\n]")));
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        // Count characters, not UTF-16 units: a character beyond the BMP is never cut in half.
        const QList<uint> codes = trimmed.toUcs4();
        if (codes.size() <= maxLength)
            return trimmed;
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), maxLength).trimmed();
    }
    return {};
}

} // namespace datatool::rednotebook
