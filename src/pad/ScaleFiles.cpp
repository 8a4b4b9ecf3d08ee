// Key-scale and volume definition files.
#include "pad/ScaleFiles.h"

#include <algorithm>
#include <unordered_map>

#include "lib/Convert.h"

namespace pad {
std::vector<std::string> keysFromNames(const std::vector<std::string>& lines,
                                       const lib::StringList& noteNames) {
  // A table of a million lines would otherwise cost a scan of every name per line.
  std::unordered_map<std::string, std::string> index;
  std::size_t longest = 0;
  for (int k = 0; k < noteNames.count(); ++k) {
    index.emplace(lib::folded(noteNames.get(k)), lib::IntToStr(k));  // the first equal name wins
    longest = std::max(longest, noteNames.get(k).size());
  }
  std::vector<std::string> keys;
  for (const auto& line : lines) {
    if (line.size() > longest) continue;
    if (const auto it = index.find(lib::folded(line)); it != index.end())
      keys.push_back(it->second);
  }
  return keys;
}

}  // namespace pad
