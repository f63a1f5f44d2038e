#include "Child.h"

#include "BenchEnv.h"

#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace measures {

bool ChildRun::succeeded() const {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

// Byte copies of the texts and the null-terminated array of pointers to them that exec wants.
class CStrings {
public:
    void add(QByteArray text) { m_bytes.push_back(std::move(text)); }
    char** pointers() {
        m_pointers.clear();
        for (QByteArray& text : m_bytes)
            m_pointers.push_back(text.data());
        m_pointers.push_back(nullptr);
        return m_pointers.data();
    }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<char*> m_pointers;
};

} // namespace

ChildRun runChild(const QString& program, const QStringList& arguments, const QString& inputFile, bool offscreen) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        benchenv::fatal(QStringLiteral("pipe"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray input = QFile::encodeName(inputFile);
    if (!inputFile.isEmpty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);

    CStrings argv;
    argv.add(QFile::encodeName(program));
    for (const QString& argument : arguments)
        argv.add(QFile::encodeName(argument));
    CStrings envp;
    for (char** variable = environ; *variable; ++variable) {
        if (!offscreen || std::strncmp(*variable, "QT_QPA_PLATFORM=", 16) != 0)
            envp.add(*variable);
    }
    if (offscreen)
        envp.add("QT_QPA_PLATFORM=offscreen");

    ChildRun run;
    const auto start = benchenv::startMeasure();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, QFile::encodeName(program).constData(), &actions, nullptr, argv.pointers(), envp.pointers());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0)
        benchenv::fatal(QStringLiteral("cannot start %1").arg(program));

    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        run.output.append(buffer, got);
        if (run.firstLine.isEmpty() && run.output.contains('\n')) {
            run.secondsToFirstLine = benchenv::secondsSince(start);
            run.firstLine = run.output.left(run.output.indexOf('\n'));
        }
    }
    ::close(pipeEnds[0]);
    ::waitpid(pid, &run.status, 0);
    run.seconds = benchenv::secondsSince(start);
    return run;
}

} // namespace measures
