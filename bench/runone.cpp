// Runs one program to its end and prints its wall time, its processor time
// and its peak resident memory: "WALL_S CPU_S PEAK_KIB".
//
//   runone STDIN STDOUT PROGRAM [ARGS...]
//
// A small process of its own starts the program, so the peak that the
// kernel reports for the child is the program's own and not inflated by a
// large parent (the peak carries over an exec).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s STDIN STDOUT PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    return 1;
  }
  if (pid == 0) {
    int in = open(argv[1], O_RDONLY);
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) _exit(126);
    close(in);
    close(out);
    execv(argv[3], argv + 3);
    _exit(127);
  }
  int status;
  rusage usage;
  if (wait4(pid, &status, 0, &usage) < 0) {
    std::perror("wait4");
    return 1;
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s: status %d\n", argv[3], status);
    return 1;
  }
  double wall = static_cast<double>(end.tv_sec - start.tv_sec) +
                static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
  double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  std::printf("%.6f %.6f %ld\n", wall, cpu, usage.ru_maxrss);
  return 0;
}
