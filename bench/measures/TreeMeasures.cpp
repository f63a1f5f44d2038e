// fv_RefreshTree on the loaded main window, against the same tree built by hand: open the file with its
// key, select the account's entries, and group them under one node per date through a hash map.

#include "BareTree.h"
#include "BenchEnv.h"
#include "DiaryGenerator.h"
#include "Measures.h"
#include "ui/view/DiaryTree.h"
#include "ui/view/FormView.h"

using benchenv::secondsSince;

namespace measures {
namespace {

void refreshOurs(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    Form_View* form = benchenv::view();
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        form->fv_RefreshTree();
        state.SetIterationTime(secondsSince(start));
        benchenv::settle();
    }
    state.counters["nodes"] = form->TreeView_Diary->nodeCount();
}

// The refresh and then the view's own layout and first paint of the new tree: what the user waits for.
void refreshOnScreenOurs(benchmark::State& state, long long n) {
    benchenv::useDiary(n);
    Form_View* form = benchenv::view();
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        form->fv_RefreshTree();
        form->TreeView_Diary->viewport()->repaint();
        state.SetIterationTime(secondsSince(start));
        benchenv::settle();
    }
}

void refreshBare(benchmark::State& state, long long n) {
    const QString path = benchenv::databasePath(n);
    const QByteArray user = benchgen::measuredAccount().name.toUtf8();
    baretree::Tree tree;
    for (auto _ : state) {
        const auto start = benchenv::startMeasure();
        tree = baretree::Tree(); // the previous tree goes, as the window's does
        baretree::build(tree, path, user);
        state.SetIterationTime(secondsSince(start));
    }
    state.counters["nodes"] = double(tree.nodes.size());
}

} // namespace

void registerTree() {
    for (long long n : {1000LL, 10000LL, 100000LL}) {
        const int iterations = n >= 100000 ? 2 : (n >= 10000 ? 5 : 20);
        add("fv_RefreshTree", "ours", n, refreshOurs, iterations);
        add("fv_RefreshTree", "bare", n, refreshBare, iterations);
    }
    add("fv_RefreshTree_on_screen", "ours", 100000, refreshOnScreenOurs, 2);
}

} // namespace measures
