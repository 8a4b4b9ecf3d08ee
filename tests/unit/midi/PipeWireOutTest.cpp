// Opening the PipeWire stream where no daemon answers: null, and soon, whatever the socket says.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "midi/AudioOut.h"

namespace {

namespace fs = std::filesystem;

/// A unix socket at path: listening (and never answering) or closed before anyone listens.
int socketAt(const std::string& path, bool listening) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  if (listening && ::listen(fd, 4) != 0) return -1;
  if (!listening) {
    ::close(fd);
    return -2;  // the file stays, nobody is behind it
  }
  return fd;
}

TEST(PipeWireOut, NullAndSoonWhenNoDaemonAnswers) {
  struct Row {
    const char* what;
    std::function<int(const std::string& socket)> setUp;
    double maxSeconds;
  };
  const std::vector<Row> rows = {
      {"no socket", [](const std::string&) { return -2; }, 1.0},
      {"a socket left by a daemon that ended",
       [](const std::string& s) { return socketAt(s, false); }, 1.0},
      // Connects, and then nothing comes back: given up after the answer's time-out.
      {"a daemon that never answers", [](const std::string& s) { return socketAt(s, true); }, 4.0},
  };
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedDir = saved ? saved : "";
  const char* remote = std::getenv("PIPEWIRE_REMOTE");
  const std::string savedRemote = remote ? remote : "";
  ::unsetenv("PIPEWIRE_REMOTE");
  for (const auto& row : rows) {
    const fs::path dir = fs::temp_directory_path() / ("korvane-pw-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    const int fd = row.setUp((dir / "pipewire-0").string());
    ASSERT_NE(fd, -1) << row.what;
    const auto start = std::chrono::steady_clock::now();
    auto out = midi::openPipeWire(256);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(out, nullptr) << row.what;
    EXPECT_LT(seconds, row.maxSeconds) << row.what;
    if (fd >= 0) ::close(fd);
    fs::remove_all(dir);
  }
  if (saved)
    ::setenv("XDG_RUNTIME_DIR", savedDir.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
  if (remote) ::setenv("PIPEWIRE_REMOTE", savedRemote.c_str(), 1);
}

}  // namespace
