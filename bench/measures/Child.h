#pragma once

// A child process of a process-level measure: started with posix_spawn, its standard output read whole, timed
// by its parent.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace measures {

struct ChildRun {
    double seconds = 0;            // from the start until it ended
    double secondsToFirstLine = 0; // from the start until its first line on standard output
    QByteArray firstLine;          // empty when it printed no whole line
    QByteArray output;
    int status = 0; // as waitpid gives it
    bool succeeded() const;
};

// Runs program with arguments; standard input from inputFile (when given); on Qt's offscreen platform when
// offscreen. Stops the benchmark when the program cannot be started.
ChildRun runChild(const QString& program, const QStringList& arguments, const QString& inputFile = QString(),
                  bool offscreen = true);

} // namespace measures
