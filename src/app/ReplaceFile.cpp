#include "app/ReplaceFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

namespace app {
namespace {

namespace fs = std::filesystem;

/// A writer's temporary file: "<name>.tmp<pid>".
std::string tempName(const fs::path& target, long pid) {
  return target.string() + ".tmp" + std::to_string(pid);
}

/// Removes the temporary files of writers that were killed: their process is gone and no one
/// holds the file locked (a writer locks its file while it writes, so a live writer in another
/// pid namespace or on another host keeps its file).
void removeStaleTemps(const fs::path& target) {
  const std::string prefix = target.filename().string() + ".tmp";
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long pid = std::stol(digits);
    if (pid == ::getpid() || pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
      continue;
    const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlink(it->path().c_str());
    ::close(fd);
  }
}

/// 0, or the errno of the failing write (ENOSPC for a write that makes no progress).
int writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

std::string linkTarget(const std::string& path) {
  fs::path p(path);
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) break;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p.string();
}

int replaceFile(const std::string& path, const std::string& bytes) {
  const fs::path target(linkTarget(path));
  std::error_code ec;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  removeStaleTemps(target);
  // Writers that replaced the link itself left theirs beside it.
  if (target != fs::path(path)) removeStaleTemps(path);
  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  // Our own name can only be left over from a killed process that had our pid.
  const std::string tmp = tempName(target, ::getpid());
  ::unlink(tmp.c_str());
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  ::flock(fd, LOCK_EX | LOCK_NB);
  int error = writeAll(fd, bytes);
  const auto step = [&error](bool ok) {
    if (error == 0 && !ok) error = errno;
  };
  if (existed) {
    // Root writing a user's file must leave it the user's; otherwise this fails harmlessly.
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    step(::fchmod(fd, old.st_mode & 07777) == 0);
  }
  // Renamed while still open and locked, so no one takes it for a killed writer's.
  step(::fsync(fd) == 0);
  if (error == 0) step(::rename(tmp.c_str(), target.c_str()) == 0);
  if (error != 0) ::unlink(tmp.c_str());
  // A full disk may show only now, on a file system that writes back late.
  step(::close(fd) == 0);
  return error;
}

}  // namespace app
