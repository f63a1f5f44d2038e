#include "ResultModel.h"

#include "app/ErrorRules.h"

namespace {
const std::array<QString, ResultRow::kColumns>& headers() {
    static const std::array<QString, ResultRow::kColumns> texts{QStringLiteral("日记编号"), QStringLiteral("日记标题"),
                                                                QStringLiteral("日记日期"), QStringLiteral("日记星期"),
                                                                QStringLiteral("日记天气"), QStringLiteral("日记内容")};
    return texts;
}
} // namespace

void ResultModel::setRows(std::vector<ResultRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ResultModel::appendRows(const ResultRow* first, std::size_t count) {
    if (count == 0)
        return;
    const int from = int(m_rows.size());
    beginInsertRows({}, from, from + int(count) - 1);
    m_rows.insert(m_rows.end(), first, first + count);
    endInsertRows();
}

void ResultModel::setBodySource(const app::EntrySet& entries) {
    m_bodies = entries;
}

void ResultModel::clear() {
    m_bodies = {};
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

const QString& ResultModel::text(int row, int column) const {
    ResultRow& found = m_rows.at(static_cast<std::size_t>(row));
    QString& cell = found.cells.at(static_cast<std::size_t>(column));
    if (column == ResultRow::kColumns - 1 && found.bodyAt >= 0) {
        const qsizetype at = found.bodyAt;
        found.bodyAt = -1;
        // A body that cannot be read (the list cleared, the entry deleted) leaves the cell empty.
        app::skipOnError([&] { cell = m_bodies.bodyAt(at); });
    }
    return cell;
}

qint64 ResultModel::entryId(int row) const {
    return m_rows.at(static_cast<std::size_t>(row)).entryId;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ResultRow::kColumns;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ResultRow::kColumns)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ResultRow::kColumns)
        return {};
    if (role == Qt::DisplayRole)
        return headers()[static_cast<std::size_t>(section)];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
