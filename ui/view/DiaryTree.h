#pragma once

#include "app/DiaryStore.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QTreeView>

#include <optional>
#include <vector>

// One node of the diary tree: a date node, an entry node (key "id = N") or a menu node (no key).
struct DiaryNode {
    enum class Kind : char { Menu, Date, Entry };
    QString text;
    QString key;
    bool hasKey = false;
    // Only an entry node stands for an entry, whatever the text of a date node's key.
    Kind kind = Kind::Menu;
    int index = 0;  // 1-based position in insertion order over the whole tree
    int parent = 0; // index of the parent node; 0 = top level
    bool expanded = false;
    int row = 0;         // position among its parent's children (or among the top-level nodes)
    QList<int> children; // indices of the child nodes, in insertion order

    // The id of the entry an entry node stands for; nothing for a date or menu node.
    std::optional<qint64> entryId() const;
};

// The nodes of the diary tree as a flat vector, shown through a light item model. Nodes are collected
// between beginBuild() and endBuild() and reach the view in one model reset, so a tree of a hundred
// thousand entries costs one reset, not one signal per node.
class DiaryTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit DiaryTreeModel(QObject* parent = nullptr);

    void clearNodes();
    int nodeCount() const { return static_cast<int>(m_nodes.size()); }
    const DiaryNode* node(int index1Based) const;
    // The node whose key is key; 0 when there is none.
    int findKey(const QString& key) const;

    // Adds a menu node (no key) or a date node (a key) below parentIndex (0 for top level) and returns its
    // index. A key that another node has already is refused: nothing is added and 0 is returned.
    int addNode(int parentIndex, const QString& text);
    int addNode(int parentIndex, const QString& key, const QString& text);
    // An entry node, keyed by the entry key of id. Ids are unique, so the key is checked only against the
    // keys of the other kinds of node, and it is not indexed (the tree never looks an entry up by its key
    // except to compare it with a date text that reads exactly like an entry key).
    int addEntryNode(int parentIndex, qint64 id, const QString& text);
    void setExpandedFlag(int index1Based, bool expanded);
    // Room for this many nodes, so that building a large tree never copies the nodes to grow.
    void reserve(qsizetype nodes) { m_nodes.reserve(static_cast<std::size_t>(nodes)); }

    void beginBuild();
    void endBuild();

    QModelIndex indexOfNode(int index1Based) const;
    int nodeOfIndex(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int append(int parentIndex, const QString& key, DiaryNode::Kind kind, const QString& text);
    int scanEntryKeys(const QString& key) const;

    std::vector<DiaryNode> m_nodes;
    QList<int> m_topLevel;
    QHash<QString, int> m_keys; // keys of every node that is not an entry node
    int m_entryLikeKeys = 0;    // how many of those read like an entry key
    bool m_building = false;
};

// The diary tree control. A left press on a node's label selects it and reports a node click; a selection
// change made with the keyboard reports one too. Other buttons select nothing.
class DiaryTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit DiaryTreeView(QWidget* parent = nullptr);

    DiaryTreeModel* nodes() const { return m_model; }

    void clearNodes();
    int nodeCount() const;
    const DiaryNode* node(int index1Based) const;
    const DiaryNode* selectedNode() const; // nullptr when nothing is selected
    int selectedIndex() const;             // 0 when nothing is selected
    void selectNode(int index1Based);      // selects without reporting a click; 0 clears the selection

    // Rebuilds the nodes from the entries found: one date node per distinct date in order of first
    // appearance, entries under it in their order, only node 1 expanded; the four menu nodes when there are
    // none. Every failing step is skipped. The view is refreshed once, at the end.
    void fillFromEntries(const app::EntrySet& entries);

    // The label rectangle of a node in viewport coordinates (what a click has to hit).
    QRect nodeRect(int index1Based) const;

signals:
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in twips within the tree.
    void mouseDown(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);
    void nodeClicked(int index1Based);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyExpandedFlags();
    int clickedNodeAt(const QPoint& viewportPos) const;
    void reportButton(QMouseEvent* event, bool pressed);

    DiaryTreeModel* m_model;
    bool m_inDoubleClick = false;
};

// The texts of the four menu nodes an empty tree shows; the last two act when clicked.
inline constexpr const char16_t* kMenuNodeEmpty = u"【暂无任何日记】";
inline constexpr const char16_t* kMenuNodeChoose = u"您可以选择：";
inline constexpr const char16_t* kMenuNodeNew = u"1.新建日记";
inline constexpr const char16_t* kMenuNodeImport = u"2.导入文本";

// Label of the date node that gathers entries without a date (its key is the empty date text).
inline constexpr const char16_t* kNoDateLabel = u"（无日期）";
