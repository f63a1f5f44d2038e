#include "BareTree.h"

#include "Bare.h"

namespace baretree {

namespace {

void fill(Tree& tree, bare::Db db, const char* sql, const QByteArray& user) {
    bare::Statement query(db.get(), sql);
    query.bind(1, user);
    QHash<QString, int> dates;
    while (query.step()) {
        const QString date = query.text(2);
        int& parent = dates[date];
        if (!parent) {
            tree.nodes.push_back(Node{date, date, 0, false, {}});
            parent = int(tree.nodes.size());
            tree.topLevel.push_back(parent);
        }
        tree.nodes.push_back(
            Node{query.text(1), QStringLiteral("id = ") + QString::number(query.integer(0)), parent, false, {}});
        tree.nodes[std::size_t(parent - 1)].children.push_back(int(tree.nodes.size()));
    }
    if (!tree.nodes.empty())
        tree.nodes.front().expanded = true;
}

} // namespace

void build(Tree& tree, const QString& path, const QByteArray& user) {
    fill(tree, bare::open(path), "SELECT id, diarytitle, diarydate FROM diary WHERE username = ?", user);
}

void buildFast(Tree& tree, const QString& path, const QByteArray& user) {
    fill(tree, bare::openFast(path), "SELECT id, diarytitle, diarydate FROM diary WHERE username = ? COLLATE NOCASE",
         user);
}

} // namespace baretree
