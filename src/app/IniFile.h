// The settings file: a profile (INI) file read and written with Korvane's rules.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace app {

/// The section of Korvane's own keys in the settings file.
inline const std::string kSettingsSection = "Korvane";

/// Reader and writer of one profile file. The file is read once, when the object is made;
/// writes are kept until save(), which replaces the file once. Every line the program does
/// not own stays byte for byte.
class IniFile {
 public:
  /// Reads path; a missing or unreadable file reads as empty.
  explicit IniFile(std::string path);
  const std::string& path() const { return path_; }

  /// The value of key in section, trimmed, at most 2047 characters; def when missing.
  std::string readString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  /// A decimal or hexadecimal ("0x…", "$…") integer; def when missing or not a number.
  std::int32_t readInteger(const std::string& section, const std::string& key,
                           std::int32_t def) const;
  /// Sets key in section for the next save(); a value with a line break cannot be one key
  /// and throws lib::Error "%s に書き込めません".
  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInteger(const std::string& section, const std::string& key, std::int32_t value);
  /// Writes the keys set since the last save into the file as it is now, creating file and
  /// section when needed, in one atomic replacement. A linked file has its target replaced;
  /// the file keeps its mode. Something that is not a plain file, or a file that cannot be
  /// read, is never written over. Throws lib::Error "%s に書き込めません" when it cannot, with
  /// the system's reason on a line of its own.
  void save();

 private:
  struct Entry {
    std::string section, key, value;
  };
  const Entry* find(const std::string& section, const std::string& key) const;
  std::string path_;
  std::string text_;                         ///< the file as read at construction
  std::vector<Entry> pending_;               ///< set since the last save, in order
  mutable std::vector<Entry> cache_;         ///< keys of the sections asked for so far
  mutable std::vector<std::string> cached_;  ///< sections already in cache_
};

/// The profile text with key set in section (pure: no file access); the plain reference that
/// the tests hold setProfileValues to.
std::string setProfileValue(const std::string& text, const std::string& section,
                            const std::string& key, const std::string& value);
/// The profile text with every key of values set in section, in order: the same bytes as
/// setProfileValue applied once per key, in one pass. Keys are distinct, values one line.
std::string setProfileValues(const std::string& text, const std::string& section,
                             const std::vector<std::pair<std::string, std::string>>& values);
/// Settings path for an executable: its path with the extension replaced by ".ini". When that
/// file does not exist and its folder cannot be written, or when Korvane is installed (its
/// desktop entry in ../share/applications), $XDG_CONFIG_HOME/korvane/<name>.ini.
std::string settingsPathFor(const std::string& exePath);

}  // namespace app
