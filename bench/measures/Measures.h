#pragma once

// Registration of the measures. A measure compares the program's own code path ("ours") with the same work
// done directly on SQLCipher and Qt ("bare"). Both sides run in turns inside one benchmark,
// "<measure>/pair/<N>", the order alternating from one iteration to the next, so that both meet the same
// moment of a machine shared with other work (its load and its disk's latency swing within seconds);
// each side's mean time per iteration becomes a counter, "<side>_ms", and bench/report.py takes the
// medians of those over the repetitions. A measure with one side only is "<measure>/ours/<N>". Times are
// manual: only the measured steps are timed, set-up between them is not.

#include "BenchEnv.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace measures {

using Function = void (*)(benchmark::State&, long long n);

inline benchmark::internal::Benchmark* add(const std::string& measure, const char* side, long long n, Function function,
                                           int iterations) {
    const std::string name = measure + "/" + side + "/" + std::to_string(n);
    return benchmark::RegisterBenchmark(name.c_str(), [function, n](benchmark::State& state) { function(state, n); })
        ->UseManualTime()
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond);
}

// The sides of a measure taken in turns.
class Turns {
public:
    explicit Turns(benchmark::State& state) : m_state(state) {}

    // Runs ours and bare (each doing its own set-up, then timing its step with time()), ours first in
    // every other iteration.
    template <class Ours, class Bare> void both(Ours&& ours, Bare&& bare) {
        if (m_round % 2 == 0) {
            ours();
            bare();
        } else {
            bare();
            ours();
        }
    }

    // Three sides in a rotating order.
    template <class Ours, class Bare, class Limit> void all(Ours&& ours, Bare&& bare, Limit&& limit) {
        switch (m_round % 3) {
        case 0:
            ours(), bare(), limit();
            break;
        case 1:
            bare(), limit(), ours();
            break;
        default:
            limit(), ours(), bare();
            break;
        }
    }

    // Times one measured step for the side (a clean vector state first, see benchenv::startMeasure).
    template <class Step> void time(const std::string& side, Step&& step) {
        const auto start = benchenv::startMeasure();
        step();
        add(side, benchenv::secondsSince(start));
    }

    // Adds a step timed elsewhere (a child process, timed by its parent).
    void add(const std::string& side, double seconds) {
        m_totals[side] += seconds;
        m_iteration += seconds;
    }

    // Ends an iteration: its time is the sum of the steps timed in it.
    void next() {
        m_state.SetIterationTime(m_iteration);
        m_iteration = 0;
        ++m_round;
    }

    // The counters "<side>_ms": each side's mean per iteration.
    void report() const {
        for (const auto& [side, total] : m_totals)
            m_state.counters[side + "_ms"] = m_round ? 1000 * total / m_round : 0;
    }

private:
    benchmark::State& m_state;
    std::map<std::string, double> m_totals;
    double m_iteration = 0;
    int m_round = 0;
};

void registerTree();
void registerSearch();
void registerPane();
void registerSave();
void registerImport();
void registerSignIn();
void registerProcesses();
void registerBackup();
void registerDataTool();

} // namespace measures
