// The default tables of the pad.
#pragma once

#include <string>

namespace pad {

/// Name of note k (0 … 131): pitch name of k mod 12, then the octave (k div 12) − 1.
std::string noteName(int k);

}  // namespace pad
