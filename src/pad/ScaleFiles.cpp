// Key-scale and volume definition files.
#include "pad/ScaleFiles.h"

#include <algorithm>
#include <unordered_map>

#include "lib/Convert.h"
#include "lib/Error.h"
#include "pad/Limits.h"

namespace pad {
namespace {

// The folding of lib::sameText, so a lookup finds what indexOf would.
std::string folded(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

std::vector<std::string> keysFromNames(const std::vector<std::string>& lines,
                                       const lib::StringList& noteNames) {
  // A table of a million lines would otherwise cost a scan of every name per line.
  std::unordered_map<std::string, std::string> index;
  std::size_t longest = 0;
  for (int k = 0; k < noteNames.count(); ++k) {
    index.emplace(folded(noteNames.get(k)), lib::IntToStr(k));  // the first equal name wins
    longest = std::max(longest, noteNames.get(k).size());
  }
  std::vector<std::string> keys;
  for (const auto& line : lines) {
    if (line.size() > longest) continue;
    if (const auto it = index.find(folded(line)); it != index.end()) keys.push_back(it->second);
  }
  return keys;
}

}  // namespace pad
