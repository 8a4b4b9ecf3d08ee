// The settings file: a profile (INI) file read and written with Korvane's rules.
#pragma once

#include <cstdint>
#include <string>

namespace app {

/// Reader and writer of one profile file. Reads and writes go to the file each time; every
/// line the program does not own stays byte for byte. Writes replace the file atomically.
class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  /// The value of key in section, trimmed, at most 2047 characters; def when missing.
  std::string readString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  /// A decimal or hexadecimal ("0x…", "$…") integer; def when missing or not a number.
  std::int32_t readInteger(const std::string& section, const std::string& key,
                           std::int32_t def) const;
  /// Sets key in section, creating the file and section when needed; throws lib::Error
  /// "%s に書き込めません" when the file cannot be written.
  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInteger(const std::string& section, const std::string& key, std::int32_t value);

 private:
  std::string path_;
};

/// The profile text with key set in section (pure: no file access).
std::string setProfileValue(const std::string& text, const std::string& section,
                            const std::string& key, const std::string& value);
/// The raw value of key in section of the profile text, or nullopt-like false.
bool findProfileValue(const std::string& text, const std::string& section, const std::string& key,
                      std::string& value);

/// Settings path for an executable: its path with the extension replaced by ".ini". When that
/// file does not exist and its folder cannot be written, or when Korvane is installed (its
/// desktop entry in ../share/applications), $XDG_CONFIG_HOME/korvane/<name>.ini.
std::string settingsPathFor(const std::string& exePath);

}  // namespace app
