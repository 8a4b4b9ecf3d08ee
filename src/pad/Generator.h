// The random refill of the key and volume tables.
#pragma once

#include <functional>

#include "lib/StringList.h"
#include "pad/Random.h"

namespace pad {

/// Empties table, then appends decimal (draw mod modulus) for as long as the pass number is
/// below count(), which is asked before every pass. An exception from count() leaves the
/// table as far as it got.
void generateTable(lib::StringList& table, const std::function<int()>& count, Random& random,
                   int modulus);

}  // namespace pad
