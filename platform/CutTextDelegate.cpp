#include "CutTextDelegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

namespace platform {

QString CutTextDelegate::toolTipFor(const QString& text) {
    QString shown = text.left(kMaxToolTipCharacters);
    // Never end on half a surrogate pair.
    if (!shown.isEmpty() && shown.back().isHighSurrogate())
        shown.chop(1);
    if (shown.size() < text.size())
        shown += QChar(0x2026);
    // As rich text, escaped: a tip that merely looks like markup would otherwise be drawn as markup.
    return Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal);
}

bool CutTextDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index) {
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString whole = index.data(Qt::DisplayRole).toString();
    const QRect room = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const int advance = item.fontMetrics.horizontalAdvance(item.text);
    // Cut by the view: elided within its column, or running past the visible part of the list.
    const bool cut = item.text != whole || advance > room.width() - margins ||
                     room.left() + advance + margins > view->viewport()->width();
    if (cut)
        QToolTip::showText(event->globalPos(), toolTipFor(whole), view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

} // namespace platform
