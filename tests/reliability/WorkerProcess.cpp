#include "WorkerProcess.h"

#include <QDeadlineTimer>

namespace reliability {

WorkerReport parseReport(const QByteArray& output) {
    WorkerReport report;
    // A line cut off by a kill was never reported.
    const qsizetype end = output.lastIndexOf('\n');
    const QList<QByteArray> lines = output.left(end < 0 ? 0 : end).split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw);
        const QStringList words = line.split(QLatin1Char(' '));
        if (line == QLatin1String("ready"))
            report.ready = true;
        else if (words.size() == 2 && words[0] == QLatin1String("saved"))
            report.saved[words[1].toInt()] = 0, ++report.lines;
        else if (words.size() == 3 && words[0] == QLatin1String("changed"))
            report.saved[words[1].toInt()] = words[2].toInt(), ++report.lines;
        else if (words[0] == QLatin1String("failed"))
            report.failures << line;
    }
    return report;
}

WorkerProcess::WorkerProcess() {
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

WorkerProcess::~WorkerProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

void WorkerProcess::start(const QStringList& arguments) {
    m_output.clear();
    m_process.start(workerPath(), arguments);
}

bool WorkerProcess::waitForLine(const QByteArray& line, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_output += m_process.readAllStandardOutput();
        if (m_output.startsWith(line + '\n') || m_output.contains('\n' + line + '\n'))
            return true;
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
        m_process.waitForReadyRead(int(std::max<qint64>(1, std::min<qint64>(deadline.remainingTime(), 200))));
    }
}

void WorkerProcess::killNow() {
    m_process.kill();
    m_process.waitForFinished(30000);
}

bool WorkerProcess::waitForExit(int timeoutMs) {
    if (m_process.waitForFinished(timeoutMs))
        return true;
    killNow();
    return false;
}

QByteArray WorkerProcess::output() {
    m_output += m_process.readAllStandardOutput();
    return m_output;
}

QString WorkerProcess::errors() {
    return QString::fromUtf8(m_process.readAllStandardError());
}

QString workerPath() {
    return QStringLiteral(QJL_DIARY_WORKER);
}

} // namespace reliability
