#pragma once

// Runs qjl_diary_worker (another copy of the program) and reads what it reports.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>

namespace reliability {

// What a worker reported, line by line.
struct WorkerReport {
    std::map<int, int> saved; // entry number -> the version last reported saved (0: the new entry)
    QStringList failures;     // "failed ..." lines: what a user would have been shown
    int lines = 0;            // saves reported, "saved" and "changed" lines together
    bool ready = false;
};

WorkerReport parseReport(const QByteArray& output);

class WorkerProcess {
public:
    WorkerProcess();
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    void start(const QStringList& arguments);
    // Waits until the worker printed the line (or ended); false when it never came.
    bool waitForLine(const QByteArray& line, int timeoutMs = 60000);
    bool running() const { return m_process.state() == QProcess::Running; }
    // Closes the worker's input (a holding worker then lets go and ends).
    void closeInput() { m_process.closeWriteChannel(); }
    // Ends the worker at once with SIGKILL, as a power cut or the task manager would.
    void killNow();
    // Waits for the worker to end by itself; false on a timeout (it is then killed).
    bool waitForExit(int timeoutMs);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

    // Everything printed so far; only complete lines count as reports.
    QByteArray output();
    QString errors();

private:
    QProcess m_process;
    QByteArray m_output;
};

// Path of the worker built with the tests.
QString workerPath();

} // namespace reliability
