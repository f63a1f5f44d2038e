#pragma once

#include <QStyledItemDelegate>

namespace platform {

// Draws items as usual; an item whose text the view cuts (elided, or only its first line shown) shows the
// whole text as its tool tip, at most kMaxToolTipCharacters of it. An item shown whole shows no tip.
class CutTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxToolTipCharacters = 300;

    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The tip for a text: plain text (markup shows as typed), cut after kMaxToolTipCharacters with "…".
    static QString toolTipFor(const QString& text);
};

} // namespace platform
