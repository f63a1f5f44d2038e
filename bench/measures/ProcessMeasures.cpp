// Measures taken on whole processes: start-up until the login window is shown with its names (ours:
// qjl_bench_startup, which starts as the program does; bare: qjl_bench_startup_bare), and the peak memory
// after refreshing the tree (qjl_bench_peak ours|bare, each alone in a child process).

#include "BenchEnv.h"
#include "Child.h"
#include "Measures.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>

using benchenv::Clock;
using benchenv::secondsSince;

namespace measures {
namespace {

constexpr long long kEntries = 100000;

// Runs program with arguments on the offscreen platform; stops the benchmark unless it printed a line and
// ended well.
ChildRun runChecked(const QString& program, const QStringList& arguments) {
    ChildRun run = runChild(program, arguments);
    if (run.firstLine.isEmpty() || !run.succeeded())
        benchenv::fatal(QStringLiteral("%1 failed (status %2, output \"%3\")")
                            .arg(program)
                            .arg(run.status)
                            .arg(QString::fromLocal8Bit(run.output)));
    return run;
}

void startupPair(benchmark::State& state, long long n) {
    const QString folder = benchenv::diaryFolder(n);
    Turns turns(state);
    auto launch = [&](const char* helper) {
        const QString program = benchenv::helperPath(helper);
        const ChildRun run = runChecked(program, {folder});
        if (run.firstLine != "shown 5")
            benchenv::fatal(QStringLiteral("%1 showed \"%2\", not the five names")
                                .arg(program, QString::fromLocal8Bit(run.firstLine)));
        return run.secondsToFirstLine;
    };
    for (auto _ : state) {
        turns.both([&] { turns.add("ours", launch("qjl_bench_startup")); },
                   [&] { turns.add("bare", launch("qjl_bench_startup_bare")); });
        turns.next();
    }
    turns.report();
}

void peak(benchmark::State& state, const char* side, long long n) {
    const QString program = benchenv::helperPath("qjl_bench_peak");
    const QString folder = benchenv::diaryFolder(n);
    double peakKiB = 0;
    double nodes = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const ChildRun run = runChecked(program, {QString::fromLatin1(side), folder});
        state.SetIterationTime(secondsSince(start));
        // "nodes <count>" from the measured process, then "peak_kib <KiB>" from its launcher.
        for (const QByteArray& line : run.output.split('\n')) {
            if (line.startsWith("nodes "))
                nodes = line.mid(6).toDouble();
            else if (line.startsWith("peak_kib "))
                peakKiB = std::max(peakKiB, line.mid(9).toDouble());
        }
    }
    if (peakKiB <= 0 || nodes <= 0)
        benchenv::fatal(QStringLiteral("%1 reported no peak or no tree").arg(program));
    state.counters["peak_MiB"] = peakKiB / 1024.0;
    state.counters["nodes"] = nodes;
}

void peakOurs(benchmark::State& state, long long n) {
    peak(state, "ours", n);
}
void peakBare(benchmark::State& state, long long n) {
    peak(state, "bare", n);
}

} // namespace

void registerProcesses() {
    add("startup_to_login", "pair", kEntries, startupPair, 5)->Repetitions(15);
    // Memory does not depend on the machine's load: three runs each are plenty.
    add("peak_memory_tree", "ours", kEntries, peakOurs, 1)->Repetitions(3);
    add("peak_memory_tree", "bare", kEntries, peakBare, 1)->Repetitions(3);
}

} // namespace measures
