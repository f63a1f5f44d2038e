#pragma once

// Registration of the measures. Every measure comes as a pair, "<measure>/ours/<N>" running the program's
// own code path and "<measure>/bare/<N>" doing the same work directly on SQLCipher and Qt; bench/report.py
// matches the pairs by name. A measure whose two sides must meet the same moment of a shared disk runs as
// one "<measure>/pair/<N>" that alternates them and reports their times as the counters ours_ms and
// bare_ms. Times are manual (only the measured step is timed, set-up between iterations is not).

#include <benchmark/benchmark.h>

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

void registerTree();
void registerSearch();
void registerPane();
void registerSave();
void registerImport();
void registerSignIn();
void registerProcesses();

} // namespace measures
