#include "app/IniFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <unistd.h>

#include "lib/Convert.h"
#include "lib/Error.h"
#include "lib/StringList.h"

namespace app {
namespace {

constexpr std::size_t kMaxValue = 2047;

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

/// One physical line of the file, with its break kept so it can be written back unchanged.
struct Line {
  std::string body, brk;
};

std::vector<Line> physicalLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back({text.substr(start), ""});
      break;
    }
    std::size_t brkLen = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
    lines.push_back({text.substr(start, end - start), text.substr(end, brkLen)});
    start = end + brkLen;
  }
  return lines;
}

/// Section name of a "[name]" line, or false.
bool sectionOf(const std::string& body, std::string& name) {
  const std::string t = trim(body);
  if (t.size() < 2 || t.front() != '[') return false;
  const auto close = t.find(']');
  if (close == std::string::npos) return false;
  name = trim(std::string_view(t).substr(1, close - 1));
  return true;
}

/// Key of a "key=value" line, or false.
bool keyOf(const std::string& body, std::string& key, std::string& value) {
  const auto eq = body.find('=');
  if (eq == std::string::npos) return false;
  key = trim(std::string_view(body).substr(0, eq));
  value = body.substr(eq + 1);
  return !key.empty() && key[0] != ';';
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

/// Tries it: permission bits say nothing for root, nor for read-only mounts.
bool canCreateFileIn(const std::filesystem::path& dir) {
  const auto probe = dir / (".korvane-probe-" + std::to_string(::getpid()));
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace

bool findProfileValue(const std::string& text, const std::string& section, const std::string& key,
                      std::string& value) {
  bool inSection = false;
  for (const auto& line : physicalLines(text)) {
    std::string name, k, v;
    if (sectionOf(line.body, name)) {
      inSection = lib::sameText(name, section);
    } else if (inSection && keyOf(line.body, k, v) && lib::sameText(k, key)) {
      value = v;
      return true;
    }
  }
  return false;
}

std::string setProfileValue(const std::string& text, const std::string& section,
                            const std::string& key, const std::string& value) {
  auto lines = physicalLines(text);
  const std::string brk = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string newLine = key + "=" + value;
  bool inSection = false;
  int sectionAt = -1, lastContent = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string name, k, v;
    if (sectionOf(lines[i].body, name)) {
      if (inSection) break;
      inSection = lib::sameText(name, section);
      if (inSection) sectionAt = lastContent = static_cast<int>(i);
    } else if (inSection) {
      if (keyOf(lines[i].body, k, v) && lib::sameText(k, key)) {
        lines[i].body = newLine;
        std::string out;
        for (const auto& l : lines) out += l.body + l.brk;
        return out;
      }
      if (!trim(lines[i].body).empty()) lastContent = static_cast<int>(i);
    }
  }
  std::string out;
  if (sectionAt < 0) {
    for (const auto& l : lines) out += l.body + l.brk;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += brk;
    return out + "[" + section + "]" + brk + newLine + brk;
  }
  // A new key goes after the section's last non-blank line.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (static_cast<int>(i) == lastContent && lines[i].brk.empty()) lines[i].brk = brk;
    out += lines[i].body + lines[i].brk;
    if (static_cast<int>(i) == lastContent) out += newLine + brk;
  }
  return out;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  std::string value;
  if (!findProfileValue(readWholeFile(path_), section, key, value)) return def;
  value = trim(value);
  if (value.size() > kMaxValue) value.resize(kMaxValue);
  return value;
}

std::int32_t IniFile::readInteger(const std::string& section, const std::string& key,
                                  std::int32_t def) const {
  const std::string text = readString(section, key, "");
  if (text.empty()) return def;
  return lib::tryStrToInt(text).value_or(def);
}

void IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
  namespace fs = std::filesystem;
  const auto fail = [&] { return lib::Error(lib::format("%s に書き込めません", {path_})); };
  const std::string updated = setProfileValue(readWholeFile(path_), section, key, value);
  std::error_code ec;
  const fs::path target(path_);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  // Write beside the file, then rename over it: a crash or a full disk keeps the old file.
  const std::string tmp = path_ + ".tmp" + std::to_string(::getpid());
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) throw fail();
  const bool written = std::fwrite(updated.data(), 1, updated.size(), f) == updated.size();
  const bool flushed = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
  const bool closed = std::fclose(f) == 0;
  if (!written || !flushed || !closed || std::rename(tmp.c_str(), path_.c_str()) != 0) {
    std::remove(tmp.c_str());
    throw fail();
  }
}

void IniFile::writeInteger(const std::string& section, const std::string& key,
                           std::int32_t value) {
  writeString(section, key, lib::IntToStr(value));
}

std::string settingsPathFor(const std::string& exePath) {
  namespace fs = std::filesystem;
  fs::path beside(exePath);
  beside.replace_extension(".ini");
  std::error_code ec;
  const fs::path dir = beside.has_parent_path() ? beside.parent_path() : fs::path(".");
  // An installed Korvane (its desktop entry under <prefix>/share) keeps nothing in <prefix>/bin,
  // even when root runs it.
  const bool installed = fs::exists(dir.parent_path() / "share/applications/korvane.desktop", ec);
  if (!installed && fs::exists(beside, ec)) return beside.string();
  if (!installed && canCreateFileIn(dir)) return beside.string();
  fs::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    config = fs::path(home) / ".config";
  } else {
    return beside.string();
  }
  return (config / "korvane" / beside.filename()).string();
}

}  // namespace app
