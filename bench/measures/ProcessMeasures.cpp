// Measures taken on whole processes: start-up until the login window is shown with its names (ours:
// qjl_bench_startup, which starts as the program does; bare: qjl_bench_startup_bare), and the peak memory
// after refreshing the tree (qjl_bench_peak ours|bare, each alone in a child process).

#include "BenchEnv.h"
#include "Measures.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char** environ;

using benchenv::Clock;
using benchenv::secondsSince;

namespace measures {
namespace {

constexpr long long kEntries = 100000;

struct ChildRun {
    double secondsToFirstLine = 0;
    QByteArray firstLine;
    QByteArray output;
};

// Runs program with arguments on the offscreen platform; times the first line it prints.
ChildRun runChild(const QString& program, const QStringList& arguments) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        benchenv::fatal(QStringLiteral("pipe"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);

    std::vector<QByteArray> argumentBytes{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argumentBytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> environmentBytes;
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "QT_QPA_PLATFORM=", 16) != 0)
            environmentBytes.emplace_back(*variable);
    }
    environmentBytes.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (QByteArray& variable : environmentBytes)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    ChildRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0)
        benchenv::fatal(QStringLiteral("cannot start %1").arg(program));

    QByteArray output;
    char buffer[4096];
    bool lineSeen = false;
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        output.append(buffer, got);
        if (!lineSeen && output.contains('\n')) {
            run.secondsToFirstLine = secondsSince(start);
            run.firstLine = output.left(output.indexOf('\n'));
            lineSeen = true;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!lineSeen || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        benchenv::fatal(QStringLiteral("%1 failed (status %2, output \"%3\")")
                            .arg(program)
                            .arg(status)
                            .arg(QString::fromLocal8Bit(output)));
    run.output = output;
    return run;
}

void startupPair(benchmark::State& state, long long n) {
    const QString folder = benchenv::diaryFolder(n);
    Turns turns(state);
    auto launch = [&](const char* helper) {
        const QString program = benchenv::helperPath(helper);
        const ChildRun run = runChild(program, {folder});
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
        const ChildRun run = runChild(program, {QString::fromLatin1(side), folder});
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
