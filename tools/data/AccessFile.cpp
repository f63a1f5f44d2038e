#include "tools/data/AccessFile.h"

#include "db/JetFile.h"

#include <mdbtools.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace datatool::access {
namespace {

struct MdbCloser {
    void operator()(MdbHandle* handle) const noexcept { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const noexcept { mdb_free_tabledef(table); }
};
using OpenMdb = std::unique_ptr<MdbHandle, MdbCloser>;
using MdbTable = std::unique_ptr<MdbTableDef, TableFreer>;

// mdbtools tells of a damaged file (a page beyond the end, a memo of the wrong length) only on standard
// error, and reads on. What it says while the tables are read is caught here: any of it means the file is
// not whole.
class MdbComplaints {
public:
    MdbComplaints() {
        std::fflush(stderr);
        if (m_file.open()) {
            m_saved = dup(STDERR_FILENO);
            if (m_saved >= 0)
                dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~MdbComplaints() { restore(); }
    MdbComplaints(const MdbComplaints&) = delete;
    MdbComplaints& operator=(const MdbComplaints&) = delete;

    // Everything said so far; standard error is the terminal's again afterwards.
    QString take() {
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll()).trimmed();
    }

private:
    void restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

constexpr std::size_t kFirstBindSize = 1 << 20;
constexpr std::size_t kLargestBindSize = std::size_t(1) << 28;

struct Rows {
    std::vector<std::vector<QString>> rows; // the asked columns, in the order asked
    QString error;
    bool cut = false; // a value filled the whole buffer: read again with a larger one
};

// The named columns of every row of the table, with values read into buffers of bindSize bytes.
Rows readTable(MdbHandle* file, const char* tableName, const QStringList& columns, std::size_t bindSize) {
    Rows result;
    QByteArray name(tableName);
    MdbTable table(mdb_read_table_by_name(file, name.data(), MDB_TABLE));
    if (!table) {
        result.error = QStringLiteral("旧文件里没有表 %1。The old file has no table %1.").arg(QLatin1String(tableName));
        return result;
    }
    mdb_set_bind_size(file, bindSize);
    if (!mdb_read_columns(table.get()) || mdb_rewind_table(table.get()) != 0) {
        result.error = QStringLiteral("无法读取表 %1。Cannot read table %1.").arg(QLatin1String(tableName));
        return result;
    }
    std::vector<std::vector<char>> buffers(std::size_t(columns.size()), std::vector<char>(bindSize + 1));
    std::vector<int> lengths(std::size_t(columns.size()), 0);
    for (qsizetype c = 0; c < columns.size(); ++c) {
        int found = -1;
        for (guint i = 0; i < table->num_cols; ++i) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (QString::fromUtf8(column->name).compare(columns.at(c), Qt::CaseInsensitive) == 0)
                found = int(i);
        }
        if (found < 0) {
            result.error = QStringLiteral("旧文件的表 %1 没有列 %2。Table %1 of the old file has no column %2.")
                               .arg(QLatin1String(tableName), columns.at(c));
            return result;
        }
        mdb_bind_column(table.get(), found + 1, buffers[std::size_t(c)].data(), &lengths[std::size_t(c)]);
    }
    while (mdb_fetch_row(table.get())) {
        std::vector<QString> row;
        row.reserve(buffers.size());
        for (std::size_t c = 0; c < buffers.size(); ++c) {
            const auto length = std::size_t(std::max(lengths[c], 0));
            if (length + 1 >= bindSize) {
                result.cut = true;
                return result;
            }
            row.push_back(QString::fromUtf8(buffers[c].data(), qsizetype(length)));
        }
        result.rows.push_back(std::move(row));
    }
    // A table whose data pages are cut away reads as fewer rows than its definition counts.
    if (result.rows.size() != table->num_rows)
        result.error = QStringLiteral("表 %1 应有 %2 行，只读出 %3 行。Table %1 should hold %2 rows, %3 were read.")
                           .arg(QLatin1String(tableName))
                           .arg(table->num_rows)
                           .arg(result.rows.size());
    return result;
}

Rows readWhole(MdbHandle* file, const char* tableName, const QStringList& columns) {
    for (std::size_t size = kFirstBindSize;; size *= 2) {
        Rows rows = readTable(file, tableName, columns, size);
        if (!rows.cut)
            return rows;
        if (size >= kLargestBindSize) {
            rows.error = QStringLiteral("表 %1 里有一段超过 %2 MB 的文字。Table %1 holds a text longer than %2 MB.")
                             .arg(QLatin1String(tableName))
                             .arg(kLargestBindSize >> 20);
            return rows;
        }
    }
}

QString damage(const QString& complaint) {
    return complaint.isEmpty() ? QString()
                               : QStringLiteral("（mdbtools：%1）").arg(complaint.section(QLatin1Char('\n'), 0, 0));
}

OldFile failed(const QString& why) {
    OldFile file;
    file.error = why;
    return file;
}

} // namespace

OldFile read(const QString& path) {
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("无法读取“%1”：%2。Cannot read it.").arg(path, probe.errorString()));
    const qint64 size = probe.size();
    if (!dao::isJetHeader(probe.read(dao::kJetHeaderBytes)))
        return failed(QStringLiteral("“%1”不是 Access（Jet）数据库文件。Not an Access (Jet) database file.").arg(path));
    // A Jet file is whole pages (2 KB for Jet 3, 4 KB for Jet 4); a cut one is refused before mdbtools reads
    // past its end.
    if (size < 4096 * 2 || size % 2048 != 0)
        return failed(QStringLiteral("“%1”不完整（%2 字节）。The file is cut short (%2 bytes).").arg(path).arg(size));
    probe.close();

    MdbComplaints complaints;
    OpenMdb file(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!file)
        return failed(QStringLiteral("无法打开“%1”。mdbtools cannot open it.").arg(path));
    if (file->f->jet_version == MDB_VER_JET4 && size % 4096 != 0)
        return failed(QStringLiteral("“%1”不完整（%2 字节）。The file is cut short (%2 bytes).").arg(path).arg(size));

    const Rows users = readWhole(file.get(), "users", {QStringLiteral("username"), QStringLiteral("password")});
    if (!users.error.isEmpty())
        return failed(users.error + damage(complaints.take()));
    const Rows diary = readWhole(file.get(), "diary",
                                 {QStringLiteral("id"), QStringLiteral("username"), QStringLiteral("diarytitle"),
                                  QStringLiteral("diarydate"), QStringLiteral("diaryweek"),
                                  QStringLiteral("diaryweather"), QStringLiteral("diarytext")});
    if (!diary.error.isEmpty())
        return failed(diary.error + damage(complaints.take()));
    const QString complaint = complaints.take();
    if (!complaint.isEmpty())
        return failed(QStringLiteral("“%1”已损坏：%2 The old file is damaged.")
                          .arg(path, complaint.section(QLatin1Char('\n'), 0, 0)));

    OldFile old;
    for (const auto& row : users.rows)
        old.users.push_back(User{row[0], row[1]});
    for (const auto& row : diary.rows) {
        Entry entry;
        entry.id = row[0].toLongLong();
        entry.owner = row[1];
        entry.title = valueText(row[2]);
        entry.date = valueText(row[3]);
        entry.weekday = valueText(row[4]);
        entry.weather = valueText(row[5]);
        entry.body = valueText(row[6]);
        old.entries.push_back(std::move(entry));
    }
    return old;
}

} // namespace datatool::access
