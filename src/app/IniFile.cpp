#include "app/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/ReplaceFile.h"
#include "lib/Convert.h"
#include "lib/Error.h"
#include "lib/StringList.h"

namespace app {
namespace {

constexpr std::size_t kMaxValue = 2047;
// Far beyond any settings file; a larger one is not read.
constexpr std::size_t kMaxFileBytes = 256u << 20;

std::string_view trimView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

std::string trim(std::string_view s) {
  return std::string(trimView(s));
}

/// Calls fn(body, breakLength) for each physical line of text until fn returns false.
template <class Fn>
void forEachLine(std::string_view text, Fn fn) {
  for (std::size_t start = 0; start < text.size();) {
    const lib::LineSpan line = lib::lineAt(text, start);
    if (!fn(text.substr(start, line.length), line.breakLength)) return;
    start += line.length + line.breakLength;
  }
}

/// One physical line of the file, with its break kept so it can be written back unchanged.
struct Line {
  std::string body, brk;
};

std::vector<Line> physicalLines(const std::string& text) {
  std::vector<Line> lines;
  for (std::size_t start = 0; start < text.size();) {
    const lib::LineSpan line = lib::lineAt(text, start);
    lines.push_back(
        {text.substr(start, line.length), text.substr(start + line.length, line.breakLength)});
    start += line.length + line.breakLength;
  }
  return lines;
}

/// Section name of a "[name]" line, or false.
bool sectionOf(std::string_view body, std::string_view& name) {
  const std::string_view t = trimView(body);
  if (t.size() < 2 || t.front() != '[') return false;
  const auto close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = trimView(t.substr(1, close - 1));
  return true;
}

/// Key of a "key=value" line, or false.
bool keyOf(std::string_view body, std::string_view& key, std::string_view& value) {
  const auto eq = body.find('=');
  if (eq == std::string_view::npos) return false;
  key = trimView(body.substr(0, eq));
  value = body.substr(eq + 1);
  return !key.empty() && key[0] != ';';
}

/// The file's text; nullopt when it cannot be read, with error set to the errno of the failing
/// call. Through the one bounded reader: a FIFO, a device or a directory in the file's place is
/// refused at once instead of blocking start-up.
std::optional<std::string> readWholeFile(const std::string& path, int& error) {
  errno = 0;
  try {
    return lib::readFileBytes(path, kMaxFileBytes);
  } catch (const lib::FileTooLargeError&) {
    error = EFBIG;
  } catch (const lib::FileError&) {
    // The reader throws right after the call that failed: errno is still that call's.
    error = errno != 0 ? errno : EIO;
  }
  return std::nullopt;
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

std::string setProfileValue(const std::string& text, const std::string& section,
                            const std::string& key, const std::string& value) {
  auto lines = physicalLines(text);
  const std::string brk = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string newLine = key + "=" + value;
  bool inSection = false;
  int sectionAt = -1, lastContent = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view name, k, v;
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

std::string setProfileValues(const std::string& text, const std::string& section,
                             const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string brk = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  std::vector<bool> done(values.size());
  std::string out;
  out.reserve(text.size() + 64 * values.size());
  bool inSection = false, seen = false, over = false, lastUnbroken = false;
  std::size_t insertAt = 0;  // in out: after the section's last non-blank line
  forEachLine(text, [&](std::string_view body, std::size_t brkLen) {
    std::string_view name, k, v;
    std::string replaced;
    if (over) {
      // Past the section: copied as it is.
    } else if (sectionOf(body, name)) {
      over = inSection;
      inSection = !seen && lib::sameText(name, section);
      seen = seen || inSection;
    } else if (inSection && keyOf(body, k, v)) {
      for (std::size_t i = 0; i < values.size(); ++i)
        if (!done[i] && lib::sameText(k, values[i].first)) {
          done[i] = true;
          replaced = values[i].first + "=" + values[i].second;
          break;
        }
    }
    out += replaced.empty() ? body : std::string_view(replaced);
    out.append(body.data() + body.size(), brkLen);
    if (inSection && !over && !trimView(body).empty()) {
      insertAt = out.size();
      lastUnbroken = brkLen == 0;
    }
    return true;
  });
  std::string added;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!done[i]) added += values[i].first + "=" + values[i].second + brk;
  if (!seen) {
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += brk;
    out += "[" + section + "]" + brk;
    insertAt = out.size();
  } else if (lastUnbroken && !added.empty()) {
    // A line break only to end the line the new keys follow; none when every key was there.
    added.insert(0, brk);
  }
  return out.insert(insertAt, added);
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  int error = 0;
  text_ = readWholeFile(path_, error).value_or("");
}

const IniFile::Entry* IniFile::find(const std::string& section, const std::string& key) const {
  const auto same = [&](const Entry& e) {
    return lib::sameText(e.section, section) && lib::sameText(e.key, key);
  };
  for (const Entry& e : pending_)
    if (same(e)) return &e;
  // One pass over the text per section, however many keys are read from it.
  if (std::none_of(cached_.begin(), cached_.end(),
                   [&](auto& s) { return lib::sameText(s, section); })) {
    cached_.push_back(section);
    bool inSection = false;
    forEachLine(text_, [&](std::string_view body, std::size_t) {
      std::string_view name, k, v;
      if (sectionOf(body, name))
        inSection = lib::sameText(name, section);
      else if (inSection && keyOf(body, k, v))
        cache_.push_back({section, std::string(k), std::string(v)});
      return true;
    });
  }
  for (const Entry& e : cache_)
    if (same(e)) return &e;
  return nullptr;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const Entry* e = find(section, key);
  if (!e) return def;
  std::string value = trim(e->value);
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
  if (value.find_first_of("\r\n") != std::string::npos)
    throw lib::Error(lib::format("%s に書き込めません", {path_}));
  for (Entry& e : pending_)
    if (lib::sameText(e.section, section) && lib::sameText(e.key, key)) {
      e.value = value;
      return;
    }
  pending_.push_back({section, key, value});
}

void IniFile::save() {
  if (pending_.empty()) return;
  // The designed text, then the system's reason: a full disk, a read-only file system, …
  const auto fail = [&](const std::string& reason) {
    return lib::Error(lib::format("%s に書き込めません", {path_}) + "\n" + reason);
  };
  // What is not a plain file, or a file that cannot be read, is never written over.
  const std::string target = linkTarget(path_);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) throw fail(std::strerror(errno));
  if (exists && !S_ISREG(st.st_mode)) throw fail("通常のファイルではありません");
  // The file as it is now: lines others changed meanwhile are kept.
  int readError = 0;
  std::optional<std::string> current = exists ? readWholeFile(target, readError) : std::string();
  if (!current) throw fail(std::strerror(readError));
  std::string text = std::move(*current);
  std::vector<std::string> sections;
  for (const Entry& e : pending_)
    if (std::none_of(sections.begin(), sections.end(),
                     [&](auto& s) { return lib::sameText(s, e.section); }))
      sections.push_back(e.section);
  for (const std::string& section : sections) {
    std::vector<std::pair<std::string, std::string>> values;
    for (const Entry& e : pending_)
      if (lib::sameText(e.section, section)) values.emplace_back(e.key, e.value);
    text = setProfileValues(text, section, values);
  }
  if (const int error = replaceFile(path_, text)) throw fail(std::strerror(error));
  text_ = std::move(text);
  pending_.clear();
  cache_.clear();
  cached_.clear();
}

void IniFile::writeInteger(const std::string& section, const std::string& key, std::int32_t value) {
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
