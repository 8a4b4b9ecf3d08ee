#include "lib/Error.h"

namespace lib {

// A message box lays out its whole text before it appears: a line of a million bytes froze the
// window for seconds.
std::string quoted(const std::string& text, std::size_t limit) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (++chars > limit) return text.substr(0, i) + "…";
  }
  return text;
}

std::string format(std::string pattern, std::initializer_list<std::string> args) {
  std::string::size_type from = 0;
  for (const auto& whole : args) {
    const std::string arg = quoted(whole);
    const auto at = pattern.find("%s", from);
    if (at == std::string::npos) break;
    pattern.replace(at, 2, arg);
    from = at + arg.size();
  }
  return pattern;
}

}  // namespace lib
