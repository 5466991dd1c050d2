// bench-timer REPORT COMMAND [ARG...]
//
// Runs COMMAND (standard streams passed through), then writes one line to the file REPORT:
//   WALL CPU MAXRSS
// the wall-clock seconds from start to exit, the user plus system seconds of the command and
// all its descendants, and the largest resident set size of any one of them, in KiB.
// Exit status: the command's own, 128 + N when signal N ended it, 127 when it did not start.
//
// POSIX only: bench/run-bench, the one user, is a bash script.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

double seconds(const timeval &t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench-timer REPORT COMMAND [ARG...]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("bench-timer: fork");
        return 127;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror("bench-timer: exec");
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        std::perror("bench-timer: waitpid");
        return 127;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;

    // The only child is the command, so this covers it and every descendant it waited for.
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    FILE *report = std::fopen(argv[1], "w");
    if (report == nullptr) {
        std::perror("bench-timer: report");
        return 127;
    }
    std::fprintf(report, "%.6f %.6f %ld\n", wall.count(),
                 seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss);
    std::fclose(report);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
