// qingjianlu-data: the whole diary of an account in and out (export, import, statistics) and the migration
// from an old Access data.mdb. The commands live in tools/data/Commands.h; this file connects them to the
// terminal.

#include "tools/data/Commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace {

void writeTo(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString withoutLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

std::optional<QString> firstLineOfStdin() {
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        return std::nullopt;
    return withoutLineEnd(line);
}

// Typed at the controlling terminal with echo off (restored on every path).
std::optional<QString> typedAtTerminal() {
    FILE* tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return std::nullopt;
    const int fd = fileno(tty);
    termios saved{};
    const bool canHide = tcgetattr(fd, &saved) == 0;
    writeTo(tty, QStringLiteral("口令 Password: "));
    if (canHide) {
        termios hidden = saved;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &hidden);
    }
    std::string line;
    char buffer[256];
    bool got = false;
    while (std::fgets(buffer, sizeof buffer, tty)) {
        got = true;
        line += buffer;
        if (!line.empty() && line.back() == '\n')
            break;
    }
    if (canHide)
        tcsetattr(fd, TCSAFLUSH, &saved);
    writeTo(tty, QStringLiteral("\n"));
    std::fclose(tty);
    if (!got)
        return std::nullopt;
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return withoutLineEnd(line);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    datatool::Io io;
    io.out = [](const QString& line) { writeTo(stdout, line + QLatin1Char('\n')); };
    io.err = [](const QString& line) { writeTo(stderr, line + QLatin1Char('\n')); };
    io.errRaw = [](const QString& text) { writeTo(stderr, text); };
    io.readPassword = [](bool fromStdin) { return fromStdin ? firstLineOfStdin() : typedAtTerminal(); };
    return datatool::run(app.arguments().mid(1), io);
}
