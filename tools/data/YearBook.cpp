#include "tools/data/YearBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>

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

struct Book {
    QString body;
    QString lastDate;
};

void addEntry(Book& book, const Entry& entry, YearBookFormat format) {
    const QString date = entry.date;
    const bool newDate = book.body.isEmpty() || date != book.lastDate;
    book.lastDate = date;
    switch (format) {
    case YearBookFormat::Markdown:
        if (newDate)
            book.body += QStringLiteral("\n## %1 %2\n").arg(date, entry.weekday);
        book.body += QStringLiteral("\n### %1\n\n天气：%2\n\n%3\n").arg(entry.title, entry.weather, withLf(entry.body));
        break;
    case YearBookFormat::Html:
        if (newDate)
            book.body += QStringLiteral("<h2>%1 %2</h2>\n").arg(escapeHtml(date), escapeHtml(entry.weekday));
        book.body += QStringLiteral("<article><h3>%1</h3><p class=\"meta\">天气：%2</p><div class=\"body\">%3</div>"
                                    "</article>\n")
                         .arg(escapeHtml(entry.title), escapeHtml(entry.weather), escapeHtml(withLf(entry.body)));
        break;
    case YearBookFormat::Text:
        // The main window's export of one entry, the entries one after another with an empty line between.
        if (!book.body.isEmpty())
            book.body += QLatin1String("\r\n");
        book.body += QStringLiteral("标题：%1\r\n日期：%2 %3\r\n天气：%4\r\n内容：%5\r\n")
                         .arg(entry.title, date, entry.weekday, entry.weather, entry.body);
        break;
    }
}

QByteArray finished(const Book& book, const QString& year, const QString& user, YearBookFormat format) {
    switch (format) {
    case YearBookFormat::Markdown:
        return (QStringLiteral("# %1 · %2\n").arg(user, year) + book.body).toUtf8();
    case YearBookFormat::Html:
        return (QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
                               "<title>%1 · %2</title>\n<style>%3</style>\n</head>\n<body>\n<h1>%1 · %2</h1>\n")
                    .arg(escapeHtml(user), escapeHtml(year), QLatin1String(kHtmlStyle)) +
                book.body + QLatin1String("</body>\n</html>\n"))
            .toUtf8();
    case YearBookFormat::Text:
        return book.body.toUtf8();
    }
    return {};
}

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

QMap<QString, QByteArray> yearBooks(std::vector<Entry> entries, const QString& user, YearBookFormat format) {
    struct Keyed {
        QDate day;
        const Entry* entry;
    };
    std::vector<Keyed> order;
    order.reserve(entries.size());
    for (const Entry& entry : entries)
        order.push_back({dayOfDateText(entry.date), &entry});
    // Date order; entries of one day (and undated ones) in the order they were written.
    std::stable_sort(order.begin(), order.end(), [](const Keyed& a, const Keyed& b) {
        if (a.day.isValid() != b.day.isValid())
            return a.day.isValid();
        return a.day < b.day;
    });
    QMap<QString, Book> books;
    for (const Keyed& keyed : order) {
        const QString year = keyed.day.isValid() ? QString::number(keyed.day.year()) : QStringLiteral("undated");
        addEntry(books[year], *keyed.entry, format);
    }
    QMap<QString, QByteArray> files;
    for (auto it = books.begin(); it != books.end(); ++it)
        files.insert(it.key() + extension(format), finished(it.value(), it.key(), user, format));
    return files;
}

bool writeYearBookFolder(const std::vector<Entry>& entries, const QString& user, YearBookFormat format,
                         const QString& path, bool force, QString* error) {
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
    const QMap<QString, QByteArray> files = yearBooks(entries, user, format);
    for (auto it = files.begin(); it != files.end(); ++it) {
        QSaveFile file(staging.filePath(it.key()));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size() || !file.commit()) {
            *error = QStringLiteral("无法写入“%1”：%2。Cannot write it; nothing was kept.")
                         .arg(file.fileName(), file.errorString());
            return false;
        }
    }
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
