// Key-scale and volume definition files.
#pragma once

#include <string>
#include <vector>

#include "lib/StringList.h"

namespace pad {

/// The key table a key-scale file gives: for each line, in order, the decimal index of the
/// first note name equal to it with letter case ignored; lines that name no note are skipped.
std::vector<std::string> keysFromNames(const std::vector<std::string>& lines,
                                       const lib::StringList& noteNames);

}  // namespace pad
