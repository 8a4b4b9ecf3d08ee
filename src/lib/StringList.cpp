#include "lib/StringList.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include "lib/Error.h"

namespace lib {

std::vector<std::string> splitLines(std::string_view bytes) {
  const auto nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0, i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
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
  auto fail = [&](const std::string& reason) {
    return FileError(format("ファイル %s は開けません。 %s ", {path, reason}));
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw fail(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw fail(std::strerror(EISDIR));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw fail(std::strerror(errno ? errno : EACCES));
  std::string bytes;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > maxBytes) throw fail("ファイルが大きすぎます");
  }
  if (in.bad()) throw fail(std::strerror(errno ? errno : EIO));
  return bytes;
}

void StringList::loadFromFile(const std::string& path, std::size_t maxLines) {
  // A line holds at least its break, so maxLines lines need at most this many bytes of
  // breaks; allow generous line lengths on top.
  const std::size_t maxBytes = maxLines * 64 + 65536;
  auto lines = splitLines(readFileBytes(path, maxBytes));
  if (lines.size() > maxLines)
    throw FileError(format("ファイル %s は開けません。 %s ", {path, "行が多すぎます"}));
  items_ = std::move(lines);
}

}  // namespace lib
