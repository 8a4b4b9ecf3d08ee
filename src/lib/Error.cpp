#include "lib/Error.h"

namespace lib {

std::string format(std::string pattern, std::initializer_list<std::string> args) {
  std::string::size_type from = 0;
  for (const auto& arg : args) {
    const auto at = pattern.find("%s", from);
    if (at == std::string::npos) break;
    pattern.replace(at, 2, arg);
    from = at + arg.size();
  }
  return pattern;
}

}  // namespace lib
