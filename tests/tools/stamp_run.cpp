// Runs a command and prints when it started and when it returned, on the monotonic clock:
//   <seconds before, 6 decimals> <seconds after, 6 decimals> <exit status>
// so that a synthetic press is stamped on the clock the recorder stamps its onsets with.
// Usage: stamp_run command [arguments…]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

void printSeconds(std::chrono::steady_clock::time_point t) {
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
  std::printf("%lld.%06lld", static_cast<long long>(us / 1000000),
              static_cast<long long>(us % 1000000));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: stamp_run command [arguments...]\n");
    return 2;
  }
  const auto before = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) < 0) return 1;
  const auto after = std::chrono::steady_clock::now();
  printSeconds(before);
  std::printf(" ");
  printSeconds(after);
  std::printf(" %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128);
  return 0;
}
