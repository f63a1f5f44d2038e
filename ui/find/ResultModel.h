#pragma once

#include "app/DiaryStore.h"

#include <QAbstractTableModel>

#include <array>
#include <vector>

// One listed entry: the row's own text (the record number) and the texts of its five sub-items.
struct ResultRow {
    static constexpr int kColumns = 6;
    std::array<QString, kColumns> cells;
    // The entry the row lists.
    qint64 entryId = 0;
    // When not -1: the last cell (the body) is read from the model's entries, at this position, the first
    // time it is asked for. A list of thousands of hits then reads only the bodies that are looked at.
    qsizetype bodyAt = -1;
};

// The rows of the search result list. Rows are kept as plain values and handed to the view in one reset,
// so even a hundred thousand hits cost no per-row objects or signals.
//
// Every cell's text (Qt::DisplayRole and Qt::EditRole) is the field's whole text; how a long body is drawn
// in one line is the view's business. Nothing is editable.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every row at once.
    void setRows(std::vector<ResultRow> rows);
    void clear();
    // Adds rows after the ones listed (rows found so far while a search goes on).
    void appendRows(const ResultRow* first, std::size_t count);

    // Where bodies left for later are read (kept by the model until it is cleared).
    void setBodySource(const app::EntrySet& entries);

    // The cell's text; a body left for later is read now (and stays empty when it cannot be read).
    const QString& text(int row, int column) const;
    // The entry listed in the row.
    qint64 entryId(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    mutable std::vector<ResultRow> m_rows;
    app::EntrySet m_bodies;
};
