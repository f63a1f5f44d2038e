// qjl_bench_maxrss PROGRAM [ARGUMENTS...]: runs the program (standard input, output and error passed on) and
// then prints "peak_kib <KiB>", its ru_maxrss, on standard output; exits with the program's status. The
// benchmark starts this small launcher rather than the measured program itself: Linux carries the peak of the
// memory an exec replaces into the new program's ru_maxrss, so a program started straight from the large
// benchmark process would report the benchmark's own size.

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: qjl_bench_maxrss PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid < 0)
        return 127;
    if (pid == 0) {
        ::execv(argv[1], argv + 1);
        std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return 127;
    std::printf("peak_kib %ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 127;
}
