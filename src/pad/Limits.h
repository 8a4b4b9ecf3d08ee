// How large a pad table may grow, by generator or by file.
#pragma once

namespace pad {

/// Far more columns or rows than any pad can show; a larger count or file is refused.
inline constexpr int kMaxTableEntries = 100000;

}  // namespace pad
