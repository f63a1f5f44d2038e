#include "tools/data/YearBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace datatool {
namespace {

QString withLf(const QString& body) {
    return QString(body)
        .replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

const char* const kHtmlStyle = "body{font-family:\"Noto Serif CJK SC\",\"Songti SC\",serif;max-width:42em;"
                               "margin:2em auto;line-height:1.7;color:#222}"
                               "h1{text-align:center}h2{border-bottom:1px solid #999;margin-top:2em}"
                               "h3{margin-bottom:.2em}.meta{color:#555;margin:0 0 .6em}"
                               ".body{white-space:pre-wrap}"
                               "@media print{body{margin:0;max-width:none;font-size:11pt}"
                               "h2{page-break-after:avoid}article{page-break-inside:avoid}a{color:inherit}}";

// One year's file, written entry by entry.
class Book {
public:
    Book(const QString& path, const QString& year, const QString& user, YearBookFormat format)
        : m_file(path), m_format(format) {
        if (!m_file.open(QIODevice::WriteOnly))
            return;
        switch (format) {
        case YearBookFormat::Markdown:
            put(QStringLiteral("# %1 · %2\n").arg(user, year));
            break;
        case YearBookFormat::Html:
            put(QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
                               "<title>%1 · %2</title>\n<style>%3</style>\n</head>\n<body>\n<h1>%1 · %2</h1>\n")
                    .arg(escapeHtml(user), escapeHtml(year), QLatin1String(kHtmlStyle)));
            break;
        case YearBookFormat::Text:
            break;
        }
    }

    void add(const Entry& entry) {
        const QString& date = entry.date;
        const bool newDate = m_first || date != m_lastDate;
        m_lastDate = date;
        switch (m_format) {
        case YearBookFormat::Markdown:
            if (newDate)
                put(QStringLiteral("\n## %1 %2\n").arg(date, entry.weekday));
            put(QStringLiteral("\n### %1\n\n天气：%2\n\n%3\n").arg(entry.title, entry.weather, withLf(entry.body)));
            break;
        case YearBookFormat::Html:
            if (newDate)
                put(QStringLiteral("<h2>%1 %2</h2>\n").arg(escapeHtml(date), escapeHtml(entry.weekday)));
            put(QStringLiteral("<article><h3>%1</h3><p class=\"meta\">天气：%2</p><div class=\"body\">%3</div>"
                               "</article>\n")
                    .arg(escapeHtml(entry.title), escapeHtml(entry.weather), escapeHtml(withLf(entry.body))));
            break;
        case YearBookFormat::Text:
            // The main window's export of one entry, the entries one after another with an empty line between.
            put(QStringLiteral("%1标题：%2\r\n日期：%3 %4\r\n天气：%5\r\n内容：%6\r\n")
                    .arg(m_first ? QString() : QStringLiteral("\r\n"), entry.title, date, entry.weekday, entry.weather,
                         entry.body));
            break;
        }
        m_first = false;
    }

    // False with the reason when the file could not be written whole.
    bool finish(QString* error) {
        if (m_format == YearBookFormat::Html)
            put(QStringLiteral("</body>\n</html>\n"));
        if (m_ok && m_file.commit())
            return true;
        *error = QStringLiteral("无法写入“%1”：%2。Cannot write it; nothing was kept.")
                     .arg(m_file.fileName(), m_file.errorString());
        return false;
    }

private:
    void put(const QString& text) {
        const QByteArray bytes = text.toUtf8();
        m_ok = m_ok && m_file.isOpen() && m_file.write(bytes) == bytes.size();
    }

    QSaveFile m_file;
    YearBookFormat m_format;
    bool m_ok = true;
    bool m_first = true;
    QString m_lastDate;
};

QString extension(YearBookFormat format) {
    switch (format) {
    case YearBookFormat::Markdown:
        return QStringLiteral(".md");
    case YearBookFormat::Html:
        return QStringLiteral(".html");
    case YearBookFormat::Text:
        return QStringLiteral(".txt");
    }
    return {};
}

} // namespace

QString escapeHtml(const QString& value) {
    QString out = value.toHtmlEscaped();
    return out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

bool writeYearBookFolder(std::vector<Dated> entries, const std::function<Entry(qint64 id)>& entryOf,
                         const QString& user, YearBookFormat format, const QString& path, bool force, QString* error,
                         const std::function<void()>& written) {
    const QFileInfo target(path);
    if (target.exists() && !force) {
        *error = QStringLiteral("“%1”已经存在；要替换它请加 --force。It exists already; add --force to replace it.")
                     .arg(path);
        return false;
    }
    // The new folder is written beside the target and renamed into place once whole.
    QTemporaryDir staging(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                          QStringLiteral(".part-XXXXXX"));
    if (!staging.isValid()) {
        *error = QStringLiteral("无法在“%1”里写入：%2。Cannot write in that folder.")
                     .arg(target.absolutePath(), staging.errorString());
        return false;
    }
    // Date order, undated ones last; entries of one day (and undated ones) in the order they were written.
    std::stable_sort(entries.begin(), entries.end(), [](const Dated& a, const Dated& b) {
        if (a.day.isValid() != b.day.isValid())
            return a.day.isValid();
        return a.day < b.day;
    });
    std::unique_ptr<Book> book;
    QString year;
    for (const Dated& dated : entries) {
        const QString entryYear = dated.day.isValid() ? QString::number(dated.day.year()) : QStringLiteral("undated");
        if (!book || entryYear != year) {
            if (book && !book->finish(error))
                return false;
            year = entryYear;
            book = std::make_unique<Book>(staging.filePath(year + extension(format)), year, user, format);
        }
        book->add(entryOf(dated.id));
        if (written)
            written();
    }
    if (book && !book->finish(error))
        return false;
    QDir parent = target.absoluteDir();
    QString old;
    if (target.exists()) {
        old = staging.path() + QStringLiteral(".old");
        if (!parent.rename(target.absoluteFilePath(), old)) {
            *error = QStringLiteral("无法替换“%1”。Cannot replace it.").arg(path);
            return false;
        }
    }
    if (!parent.rename(staging.path(), target.absoluteFilePath())) {
        if (!old.isEmpty())
            parent.rename(old, target.absoluteFilePath());
        *error = QStringLiteral("无法把文件夹放到“%1”。Cannot put the folder there.").arg(path);
        return false;
    }
    staging.setAutoRemove(false);
    if (!old.isEmpty()) {
        if (QFileInfo(old).isDir())
            QDir(old).removeRecursively();
        else
            QFile::remove(old);
    }
    return true;
}

} // namespace datatool
