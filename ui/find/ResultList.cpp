#include "ResultList.h"

#include "platform/CutTextDelegate.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace {
// A body of thousands of characters and many lines is drawn as its first line (elided by the view); the
// cell's text itself stays whole, and shows as the tool tip of a cut cell. Only the rows on screen are ever
// drawn, so this costs nothing per hit.
class OneLineDelegate : public platform::CutTextDelegate {
public:
    using platform::CutTextDelegate::CutTextDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        platform::CutTextDelegate::initStyleOption(option, index);
        option->text = firstLineOf(option->text);
    }
};

// More than a wide screen can show in one line; the rest would only be elided.
constexpr qsizetype kMaxShownCharacters = 512;
} // namespace

QString firstLineOf(const QString& text) {
    const qsizetype limit = std::min(text.size(), kMaxShownCharacters);
    for (qsizetype i = 0; i < limit; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return text.left(i) + QChar(0x2026);
    }
    return limit < text.size() ? text.left(limit) + QChar(0x2026) : text;
}

ResultList::ResultList(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Editing the first column would change the record number a double-click opens.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideRight);
    setItemDelegate(new OneLineDelegate(this));
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The pop-up menu belongs to the button's release, so no context-menu event may take the press.
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
}

void ResultList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void ResultList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    emit MouseUp(event->button(), event->globalPosition().toPoint());
}
