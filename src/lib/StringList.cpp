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
  for (std::size_t start = 0; start < bytes.size() && lines.size() <= maxLines;) {
    const LineSpan line = lineAt(bytes, start);
    lines.emplace_back(bytes.substr(start, line.length));
    start += line.length + line.breakLength;
  }
  return lines;
}

char foldedByte(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

FileError openError(const std::string& path, const std::string& reason) {
  return FileError(format("ファイル %s は開けません。 %s ", {path, reason}));
}

FileTooLargeError tooLarge(const std::string& path, const std::string& reason) {
  return FileTooLargeError(format("ファイル %s は開けません。 %s ", {path, reason}));
}

}  // namespace

LineSpan lineAt(std::string_view text, std::size_t from) {
  const auto end = text.find_first_of("\r\n", from);
  if (end == std::string_view::npos) return {text.size() - from, 0};
  const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
  return {end - from, crlf ? 2u : 1u};
}

std::vector<std::string> splitLines(std::string_view bytes) {
  return splitAtMost(bytes, std::numeric_limits<std::size_t>::max());
}

std::string folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = foldedByte(c);
  return out;
}

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldedByte(a[i]) != foldedByte(b[i])) return false;
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
