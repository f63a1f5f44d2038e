#include "DiaryTree.h"

#include "app/SqlText.h"
#include "platform/CutTextDelegate.h"
#include "platform/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

#include <limits>

std::optional<qint64> DiaryNode::entryId() const {
    if (kind != Kind::Entry)
        return std::nullopt;
    return sql::entryIdOf(key);
}

// ---- DiaryTreeModel ----------------------------------------------------------------------------------

DiaryTreeModel::DiaryTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void DiaryTreeModel::clearNodes() {
    if (!m_building)
        beginResetModel();
    // Give the memory back: the next tree may be much smaller.
    std::vector<DiaryNode>().swap(m_nodes);
    m_topLevel = {};
    m_keys.clear();
    m_entryLikeKeys = 0;
    if (!m_building)
        endResetModel();
}

const DiaryNode* DiaryTreeModel::node(int index1Based) const {
    if (index1Based < 1 || index1Based > nodeCount())
        return nullptr;
    return &m_nodes[static_cast<std::size_t>(index1Based - 1)];
}

int DiaryTreeModel::scanEntryKeys(const QString& key) const {
    for (const DiaryNode& n : m_nodes)
        if (n.hasKey && n.key == key)
            return n.index;
    return 0;
}

int DiaryTreeModel::findKey(const QString& key) const {
    if (const int found = m_keys.value(key, 0))
        return found;
    // Only an entry key can belong to a node outside the index.
    return sql::isEntryKey(key) ? scanEntryKeys(key) : 0;
}

int DiaryTreeModel::addNode(int parentIndex, const QString& text) {
    return append(parentIndex, {}, DiaryNode::Kind::Menu, text);
}

int DiaryTreeModel::addNode(int parentIndex, const QString& key, const QString& text) {
    if (findKey(key))
        return 0;
    const int added = append(parentIndex, key, DiaryNode::Kind::Date, text);
    if (added) {
        m_keys.insert(key, added);
        if (sql::isEntryKey(key))
            ++m_entryLikeKeys;
    }
    return added;
}

int DiaryTreeModel::addEntryNode(int parentIndex, qint64 id, const QString& text) {
    const QString key = sql::entryKey(id);
    // Entry keys are unique among themselves; only a date that reads like one can collide.
    if (m_entryLikeKeys && m_keys.contains(key))
        return 0;
    return append(parentIndex, key, DiaryNode::Kind::Entry, text);
}

int DiaryTreeModel::append(int parentIndex, const QString& key, DiaryNode::Kind kind, const QString& text) {
    if (parentIndex < 0 || parentIndex > nodeCount())
        return 0;
    const int index = nodeCount() + 1;
    QList<int>& siblings = parentIndex ? m_nodes[static_cast<std::size_t>(parentIndex - 1)].children : m_topLevel;
    const int row = static_cast<int>(siblings.size());
    const bool signal = !m_building;
    if (signal)
        beginInsertRows(indexOfNode(parentIndex), row, row);
    DiaryNode n;
    n.text = text;
    n.key = key;
    n.hasKey = kind != DiaryNode::Kind::Menu;
    n.kind = kind;
    n.index = index;
    n.parent = parentIndex;
    n.row = row;
    m_nodes.push_back(std::move(n));
    // m_nodes may have moved: take the sibling list again.
    (parentIndex ? m_nodes[static_cast<std::size_t>(parentIndex - 1)].children : m_topLevel).push_back(index);
    if (signal)
        endInsertRows();
    return index;
}

void DiaryTreeModel::setExpandedFlag(int index1Based, bool expanded) {
    if (index1Based >= 1 && index1Based <= nodeCount())
        m_nodes[static_cast<std::size_t>(index1Based - 1)].expanded = expanded;
}

void DiaryTreeModel::beginBuild() {
    if (m_building)
        return;
    beginResetModel();
    m_building = true;
}

void DiaryTreeModel::endBuild() {
    if (!m_building)
        return;
    m_building = false;
    endResetModel();
}

QModelIndex DiaryTreeModel::indexOfNode(int index1Based) const {
    const DiaryNode* n = node(index1Based);
    return n ? createIndex(n->row, 0, quintptr(n->index)) : QModelIndex();
}

int DiaryTreeModel::nodeOfIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return 0;
    return static_cast<int>(index.internalId());
}

QModelIndex DiaryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || m_building)
        return {};
    const QList<int>* siblings = &m_topLevel;
    if (parent.isValid()) {
        const DiaryNode* p = node(nodeOfIndex(parent));
        if (!p)
            return {};
        siblings = &p->children;
    }
    if (row >= siblings->size())
        return {};
    return createIndex(row, 0, quintptr(siblings->at(row)));
}

QModelIndex DiaryTreeModel::parent(const QModelIndex& child) const {
    const DiaryNode* n = node(nodeOfIndex(child));
    return n ? indexOfNode(n->parent) : QModelIndex();
}

int DiaryTreeModel::rowCount(const QModelIndex& parent) const {
    if (m_building)
        return 0;
    if (!parent.isValid())
        return static_cast<int>(m_topLevel.size());
    const DiaryNode* p = node(nodeOfIndex(parent));
    return p ? static_cast<int>(p->children.size()) : 0;
}

int DiaryTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant DiaryTreeModel::data(const QModelIndex& index, int role) const {
    const DiaryNode* n = node(nodeOfIndex(index));
    if (!n || role != Qt::DisplayRole)
        return {};
    return n->text;
}

Qt::ItemFlags DiaryTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ---- DiaryTreeView -----------------------------------------------------------------------------------

DiaryTreeView::DiaryTreeView(QWidget* parent) : QTreeView(parent), m_model(new DiaryTreeModel(this)) {
    setModel(m_model);
    // A long title cut at the tree's edge shows whole as its tool tip.
    setItemDelegate(new platform::CutTextDelegate(this));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    // Every right press and release comes to this control; its owner decides what a right click does.
    setContextMenuPolicy(Qt::PreventContextMenu);
    header()->setStretchLastSection(true);
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { m_model->setExpandedFlag(m_model->nodeOfIndex(index), true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { m_model->setExpandedFlag(m_model->nodeOfIndex(index), false); });
}

void DiaryTreeView::clearNodes() {
    m_model->clearNodes();
}

int DiaryTreeView::nodeCount() const {
    return m_model->nodeCount();
}

const DiaryNode* DiaryTreeView::node(int index1Based) const {
    return m_model->node(index1Based);
}

int DiaryTreeView::selectedIndex() const {
    if (!selectionModel())
        return 0;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? 0 : m_model->nodeOfIndex(selected.first());
}

const DiaryNode* DiaryTreeView::selectedNode() const {
    return m_model->node(selectedIndex());
}

void DiaryTreeView::selectNode(int index1Based) {
    const QModelIndex index = m_model->indexOfNode(index1Based);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

QRect DiaryTreeView::nodeRect(int index1Based) const {
    return visualRect(m_model->indexOfNode(index1Based));
}

void DiaryTreeView::applyExpandedFlags() {
    for (int i = 1; i <= m_model->nodeCount(); ++i)
        if (m_model->node(i)->expanded)
            setExpanded(m_model->indexOfNode(i), true);
}

void DiaryTreeView::fillFromEntries(const app::EntrySet& entries) {
    DiaryTreeModel& nodes = *m_model;
    nodes.beginBuild();
    nodes.clearNodes();

    const qint64 count = entries.count();

    if (count == 0) {
        for (const char16_t* text : {kMenuNodeEmpty, kMenuNodeChoose, kMenuNodeNew, kMenuNodeImport})
            nodes.addNode(0, QString::fromUtf16(text));
        nodes.endBuild();
        return;
    }

    // Every record adds an entry node and at most one date node.
    if (count > 0 && count < std::numeric_limits<int>::max() / 2)
        nodes.reserve(2 * count);
    using app::EntryField;
    // An entry whose id, title or date cannot be read is left out.
    entries.forEach(EntryField::Id | EntryField::Title | EntryField::Date, [&nodes](const DiaryEntry& entry) {
        // Each distinct date text gets its node on first sight; the key index makes finding it O(1). A date
        // without value groups with the empty date.
        const QString& date = entry.date;
        int parent = nodes.findKey(date);
        if (!parent)
            parent = nodes.addNode(0, date, date.isEmpty() ? QString::fromUtf16(kNoDateLabel) : date);
        if (parent)
            nodes.addEntryNode(parent, entry.id, entry.title);
        return true;
    });
    nodes.setExpandedFlag(1, true);
    nodes.endBuild();
    applyExpandedFlags();
}

// ---- mouse and keyboard ------------------------------------------------------------------------------

namespace {
int buttonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}
} // namespace

void DiaryTreeView::reportButton(QMouseEvent* event, bool pressed) {
    const int button = buttonCode(event->button());
    if (!button)
        return;
    // Positions are reported in twips within the whole control, as its owner lays it out.
    const QPoint pos = event->position().toPoint() + viewport()->geometry().topLeft();
    const double x = platform::Twips::fromPixels(pos.x(), this);
    const double y = platform::Twips::fromPixels(pos.y(), this);
    if (pressed)
        emit mouseDown(button, shiftCode(event->modifiers()), x, y);
    else
        emit mouseUp(button, shiftCode(event->modifiers()), x, y);
}

int DiaryTreeView::clickedNodeAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    // A press on the expand sign is not a click on the node.
    if (!index.isValid() || !visualRect(index).contains(viewportPos))
        return 0;
    return m_model->nodeOfIndex(index);
}

void DiaryTreeView::mousePressEvent(QMouseEvent* event) {
    if (m_inDoubleClick) {
        // The base double-click handler turned this into a press of its own; it is reported already.
        QTreeView::mousePressEvent(event);
        return;
    }
    reportButton(event, true);
    if (event->button() != Qt::LeftButton) {
        // Only the left button selects.
        event->accept();
        return;
    }
    if (!indexAt(event->position().toPoint()).isValid()) {
        // Empty space below the nodes: the selection stays the node the user chose last.
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
    if (const int clicked = clickedNodeAt(event->position().toPoint()))
        emit nodeClicked(clicked);
}

void DiaryTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    reportButton(event, true);
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    m_inDoubleClick = true;
    QTreeView::mouseDoubleClickEvent(event);
    m_inDoubleClick = false;
    if (const int clicked = clickedNodeAt(event->position().toPoint()))
        emit nodeClicked(clicked);
}

void DiaryTreeView::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with a button held would move the selection without a click: the tree does not do that.
    if (event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTreeView::mouseMoveEvent(event);
}

void DiaryTreeView::mouseReleaseEvent(QMouseEvent* event) {
    // A release over empty space would clear the selection in the base class.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        QTreeView::mouseReleaseEvent(event);
    else
        event->accept();
    reportButton(event, false);
}

void DiaryTreeView::keyPressEvent(QKeyEvent* event) {
    const int before = selectedIndex();
    QTreeView::keyPressEvent(event);
    const int after = selectedIndex();
    if (after && after != before)
        emit nodeClicked(after);
}
