// The random refill of the key and volume tables.
#pragma once

#include <functional>

#include "lib/StringList.h"
#include "pad/Random.h"

namespace pad {

/// Largest count a generator accepts: far more columns or rows than any pad can show.
constexpr int kMaxGenerated = 100000;

/// Empties table, then appends decimal (draw mod modulus) for as long as the pass number is
/// below count(), which is asked before every pass. An exception from count() leaves the
/// table as far as it got.
void generateTable(lib::StringList& table, const std::function<int()>& count, Random& random,
                   int modulus);

}  // namespace pad
