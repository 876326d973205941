// File: bench/measured_launch.cpp
// Runs a program and writes its peak resident memory (kB) and processor
// time (s) to descriptor 3, then exits as it did. The kernel keeps a
// process's high-water mark across exec, so a program the benchmarks fork
// and exec directly reports their own resident size as its peak; started
// from this small process, it shows its own.
//
//   measured_launch PROGRAM [ARGS...]   3> FILE
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const pid_t pid = ::fork();
    if (pid < 0) return 127;
    if (pid == 0) {
        ::close(3);
        ::execvp(argv[1], argv + 1);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid) return 127;
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    ::dprintf(3, "%ld %.6f\n", usage.ru_maxrss, cpu);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
