// An ordered list of byte strings, as the window's tables, slot paths and patterns use it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lib {

/// One line of text found by lineAt: its bytes and the line break after them.
struct LineSpan {
  std::size_t length = 0;       ///< bytes of the line itself
  std::size_t breakLength = 0;  ///< 2 for CR LF, 1 for a lone CR or LF, 0 at the end of the text
};

/// The line starting at byte from of text (from ≤ text.size()): CR LF, lone CR and lone LF each
/// end a line, LF CR is two breaks. The one line rule of files and settings.
LineSpan lineAt(std::string_view text, std::size_t from);

/// For tests: the lines loadFromFile takes from file bytes, without its limit. A break at the
/// very end adds no line, a NUL ends the text. Bytes stay as they are.
std::vector<std::string> splitLines(std::string_view bytes);

/// text with ASCII letters in lower case; other bytes as they are.
std::string folded(std::string_view text);

/// ASCII letters compared without case (as folded); other bytes must be equal.
bool sameText(std::string_view a, std::string_view b);

class StringList {
 public:
  int count() const { return static_cast<int>(items_.size()); }
  /// Entry at index; throws lib::Error when the index is outside 0 … count − 1.
  const std::string& get(int index) const;
  void set(int index, std::string value);
  void clear() { items_.clear(); }
  void add(std::string value) { items_.push_back(std::move(value)); }
  /// Replaces the content with the file's lines; throws FileError (content unchanged) when the
  /// file cannot be read, FileTooLargeError when it holds more than maxLines lines.
  void loadFromFile(const std::string& path, std::size_t maxLines);
  const std::vector<std::string>& items() const { return items_; }
  void assign(std::vector<std::string> items) { items_ = std::move(items); }

 private:
  std::vector<std::string> items_;
};

/// Reads a whole plain file; throws FileError "ファイル %s は開けません。 %s " with the reason
/// (directories, devices and pipes included), FileTooLargeError beyond maxBytes.
std::string readFileBytes(const std::string& path, std::size_t maxBytes);

}  // namespace lib
