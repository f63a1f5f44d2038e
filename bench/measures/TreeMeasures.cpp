// fv_RefreshTree on the loaded main window, against the same tree built by hand: open the file with its
// key, select the account's entries, and group them under one node per date through a hash map.

#include "BareTree.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"

#include <map>

namespace measures {
namespace {

// One refresh each way at every size. Each side first has the tree of that size in place (unmeasured), so
// a measured refresh throws away a tree as large as the one it builds, as it does in use.
void refresh(Turns& turns, std::map<long long, baretree::Tree>& bareTrees, long long n, const std::string& suffix) {
    turns.all(
        [&] {
            benchenv::useDiary(n);
            Form_View* form = benchenv::view();
            turns.time("ours" + suffix, [&] { form->fv_RefreshTree(); });
            benchenv::settle();
        },
        [&] {
            const QString path = benchenv::databasePath(n);
            const QByteArray user = benchgen::measuredAccount().name.toUtf8();
            baretree::Tree& tree = bareTrees[n];
            turns.time("bare" + suffix, [&] {
                tree = baretree::Tree(); // the previous tree goes, as the window's does
                baretree::build(tree, path, user);
            });
        },
        [&] {
            const QString path = benchenv::databasePath(n);
            const QByteArray user = benchgen::measuredAccount().name.toUtf8();
            baretree::Tree& tree = bareTrees[-n];
            turns.time("limit" + suffix, [&] {
                tree = baretree::Tree();
                baretree::buildFast(tree, path, user);
            });
        });
}

void refreshSmall(benchmark::State& state, long long n) {
    Turns turns(state);
    std::map<long long, baretree::Tree> bareTrees;
    for (auto _ : state) {
        refresh(turns, bareTrees, n, "");
        turns.next();
    }
    turns.report();
}

// 10 000 and 100 000 in the same iterations, so that their ratio (the growth) compares like moments.
void refreshLarge(benchmark::State& state, long long) {
    Turns turns(state);
    std::map<long long, baretree::Tree> bareTrees;
    for (auto _ : state) {
        refresh(turns, bareTrees, 10000, "_10000");
        refresh(turns, bareTrees, 100000, "_100000");
        turns.next();
    }
    turns.report();
    state.counters["nodes"] = double(bareTrees[100000].nodes.size());
}

// The refresh and then the view's own layout and repaint of the new tree: what the user waits for.
void refreshOnScreenOurs(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    Form_View* form = benchenv::view();
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        form->fv_RefreshTree();
        form->TreeView_Diary->viewport()->repaint();
        state.SetIterationTime(benchenv::secondsSince(start));
        benchenv::settle();
    }
}

} // namespace

void registerTree() {
    add("fv_RefreshTree", "pair", 1000, refreshSmall, 10);
    add("fv_RefreshTree", "pair", 100000, refreshLarge, 1);
    add("fv_RefreshTree_on_screen", "ours", 100000, refreshOnScreenOurs, 1);
}

} // namespace measures
