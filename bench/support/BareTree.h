#pragma once

// The diary tree built by hand, as a program without our layers would: one SELECT of the three columns the
// tree shows, a hash map from date text to its node, and the same nodes as the main window keeps (text, key,
// parent, children, expanded flag).

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace baretree {

struct Node {
    QString text;
    QString key;
    int parent = 0; // 1-based; 0 = top level
    bool expanded = false;
    QList<int> children;
};

struct Tree {
    std::vector<Node> nodes;
    QList<int> topLevel;
};

// Fills tree (expected empty) from the diary at path for the account user (UTF-8).
void build(Tree& tree, const QString& path, const QByteArray& user);
// The same tree the fast way: raw key, the query answered from the NOCASE index that covers it.
void buildFast(Tree& tree, const QString& path, const QByteArray& user);

} // namespace baretree
