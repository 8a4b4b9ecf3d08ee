#include "lib/StringList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "lib/Error.h"

namespace lib {

namespace {

// Stops after maxLines + 1 lines, so an over-long file costs no more than the limit.
std::vector<std::string> splitAtMost(std::string_view bytes, std::size_t maxLines) {
  const auto nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0, i = 0;
  while (i < bytes.size() && lines.size() <= maxLines) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size() && lines.size() <= maxLines) lines.emplace_back(bytes.substr(start));
  return lines;
}

FileError openError(const std::string& path, const std::string& reason) {
  return FileError(format("ファイル %s は開けません。 %s ", {path, reason}));
}

FileTooLargeError tooLarge(const std::string& path, const std::string& reason) {
  return FileTooLargeError(format("ファイル %s は開けません。 %s ", {path, reason}));
}

}  // namespace

std::vector<std::string> splitLines(std::string_view bytes) {
  return splitAtMost(bytes, std::numeric_limits<std::size_t>::max());
}

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

const std::string& StringList::get(int index) const {
  if (index < 0 || index >= count())
    throw Error(format("リストのインデックスが範囲を超えています (%s)", {std::to_string(index)}));
  return items_[static_cast<std::size_t>(index)];
}

void StringList::set(int index, std::string value) {
  get(index);
  items_[static_cast<std::size_t>(index)] = std::move(value);
}

int StringList::indexOf(std::string_view text) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (sameText(items_[i], text)) return static_cast<int>(i);
  return -1;
}

std::string StringList::text() const {
  std::string out;
  for (const auto& item : items_) out += item + "\r\n";
  return out;
}

std::string readFileBytes(const std::string& path, std::size_t maxBytes) {
  // Non-blocking open: a FIFO without a writer must not hang the window.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw openError(path, std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw openError(path, std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw openError(path, std::strerror(EISDIR));
  // Devices and pipes can stream without end or block; only plain files are text files.
  if (!S_ISREG(st.st_mode)) throw openError(path, "通常のファイルではありません");
  if (static_cast<unsigned long long>(st.st_size) > maxBytes)
    throw tooLarge(path, "ファイルが大きすぎます");
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (bytes.size() > maxBytes) throw tooLarge(path, "ファイルが大きすぎます");
      // The file grew meanwhile: read on, one byte past the bound at most.
      const std::size_t room = maxBytes - bytes.size();
      bytes.resize(bytes.size() + (room < 65536 ? room + 1 : 65536));
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw openError(path, std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void StringList::loadFromFile(const std::string& path, std::size_t maxLines) {
  // Allow generous line lengths; saturate instead of wrapping for a huge limit.
  constexpr std::size_t kBytesPerLine = 64, kSlack = 65536;
  const std::size_t most = std::numeric_limits<std::size_t>::max();
  const std::size_t maxBytes =
      maxLines > (most - kSlack) / kBytesPerLine ? most : maxLines * kBytesPerLine + kSlack;
  auto lines = splitAtMost(readFileBytes(path, maxBytes), maxLines);
  if (lines.size() > maxLines)
    throw tooLarge(
        path, format("行が多すぎます。 %s 行以下にしてください。", {std::to_string(maxLines)}));
  items_ = std::move(lines);
}

}  // namespace lib
