#include "tools/data/RedNotebook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

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

// YAML's line folding inside a scalar: the text after a line break starts at its first non-blank; one
// break becomes a space, a break followed by n empty lines becomes n line feeds. Blanks before a break are
// dropped (pending holds them until something else follows).
void foldBreak(const QString& raw, qsizetype& i, QString& out, QString& pending) {
    pending.clear();
    int breaks = 0;
    ++i; // the line feed
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
    if (breaks == 0)
        out += QLatin1Char(' ');
    else
        out += QString(breaks, QLatin1Char('\n'));
}

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

// A double-quoted scalar starting after its opening quote; false when it does not end or an escape is bad.
bool doubleQuoted(const QString& raw, QString& out) {
    QString pending;
    for (qsizetype i = 0; i < raw.size();) {
        const QChar c = raw.at(i);
        if (c == QLatin1Char('"')) {
            out += pending;
            return true;
        }
        if (c == QLatin1Char('\n')) {
            foldBreak(raw, i, out, pending);
            continue;
        }
        if (isBlank(c)) {
            pending += c;
            ++i;
            continue;
        }
        out += pending;
        pending.clear();
        if (c != QLatin1Char('\\')) {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= raw.size())
            return false;
        const char e = raw.at(i + 1).toLatin1();
        i += 2;
        switch (e) {
        case '\n': // an escaped line break joins the lines without a space
            while (i < raw.size() && isBlank(raw.at(i)))
                ++i;
            break;
        case 'x':
            if (!hexEscape(raw, i, 2, out))
                return false;
            break;
        case 'u':
            if (!hexEscape(raw, i, 4, out))
                return false;
            break;
        case 'U':
            if (!hexEscape(raw, i, 8, out))
                return false;
            break;
        default:
            if (const char16_t* single = singleEscape(e)) {
                out += QChar(*single);
                break;
            }
            return false;
        }
    }
    return false;
}

// A single-quoted scalar starting after its opening quote: '' is one quote, nothing else is escaped.
bool singleQuoted(const QString& raw, QString& out) {
    QString pending;
    for (qsizetype i = 0; i < raw.size();) {
        const QChar c = raw.at(i);
        if (c == QLatin1Char('\'')) {
            out += pending;
            pending.clear();
            if (i + 1 < raw.size() && raw.at(i + 1) == QLatin1Char('\'')) {
                out += QLatin1Char('\'');
                i += 2;
                continue;
            }
            return true;
        }
        if (c == QLatin1Char('\n')) {
            foldBreak(raw, i, out, pending);
            continue;
        }
        if (isBlank(c)) {
            pending += c;
        } else {
            out += pending;
            pending.clear();
            out += c;
        }
        ++i;
    }
    return false;
}

// A plain scalar over one or more lines, folded; surrounding blanks dropped.
QString plain(const QString& raw) {
    QString out;
    QString pending;
    const QString text = raw.trimmed();
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n')) {
            foldBreak(text, i, out, pending);
            continue;
        }
        if (isBlank(c)) {
            pending += c;
        } else {
            out += pending;
            pending.clear();
            out += c;
        }
        ++i;
    }
    return out;
}

// The value of a scalar whose text (first line after "key: " and the lines that continue it) is raw; false
// for a form RedNotebook does not write (block scalars, flow collections) or an unfinished quote.
bool scalar(const QString& raw, QString& out, bool& isNull) {
    const QString text = raw.trimmed();
    isNull = false;
    if (text.startsWith(QLatin1Char('"')))
        return doubleQuoted(text.mid(1), out);
    if (text.startsWith(QLatin1Char('\'')))
        return singleQuoted(text.mid(1), out);
    if (text.startsWith(QLatin1Char('|')) || text.startsWith(QLatin1Char('>')) || text.startsWith(QLatin1Char('{')) ||
        text.startsWith(QLatin1Char('[')) || text.startsWith(QLatin1Char('&')) || text.startsWith(QLatin1Char('*')) ||
        text.startsWith(QLatin1Char('!')))
        return false;
    if (text.isEmpty() || text == QLatin1String("~") || text == QLatin1String("null")) {
        isNull = true;
        return true;
    }
    out = plain(text);
    return true;
}

QString lineError(int line, const QString& what) {
    return QStringLiteral("第 %1 行：%2").arg(line).arg(what);
}

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
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression dayKey(QStringLiteral("^'?(\\d{1,2})'?:\\s*(#.*)?$"));
    static const QRegularExpression field(QStringLiteral("^('[^']*'|\"[^\"]*\"|[^:#'\"][^:]*):(?:\\s+(.*))?$"));

    qsizetype i = 0;
    const auto fail = [&](const QString& what) {
        result.days.clear();
        result.error = lineError(int(i + 1), what);
        return result;
    };
    while (i < lines.size()) {
        const QString& line = lines.at(i);
        if (isEmptyLine(line) || line.startsWith(QLatin1Char('#')) || line == QLatin1String("---") ||
            line == QLatin1String("{}")) {
            ++i;
            continue;
        }
        const QRegularExpressionMatch day = dayKey.match(line);
        if (indentOf(line) != 0 || !day.hasMatch())
            return fail(QStringLiteral("应为日期数字。A day number was expected."));
        const QDate date(year, month, day.captured(1).toInt());
        if (!date.isValid())
            return fail(QStringLiteral("这个月没有这一天。The month has no such day."));
        ++i;
        // The day's keys, one indentation deeper; what is indented further belongs to the key above it.
        int keyIndent = -1;
        QString dayText;
        bool hasText = false;
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
            QString raw = key.captured(2);
            ++i;
            while (i < lines.size() && (isEmptyLine(lines.at(i)) || indentOf(lines.at(i)) > keyIndent)) {
                raw += QLatin1Char('\n') + lines.at(i);
                ++i;
            }
            QString name = key.captured(1).trimmed();
            if (name.size() >= 2 && (name.startsWith(QLatin1Char('\'')) || name.startsWith(QLatin1Char('"'))))
                name = name.mid(1, name.size() - 2);
            if (name != QLatin1String("text"))
                continue; // categories and anything else a day may carry
            bool isNull = false;
            QString value;
            if (!scalar(raw, value, isNull)) {
                i = keyLineIndex;
                return fail(QStringLiteral("无法读出这一天的文字。The day's text cannot be read."));
            }
            hasText = !isNull;
            dayText = value;
        }
        if (hasText && !dayText.trimmed().isEmpty())
            result.days.push_back(Day{date, dayText});
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
