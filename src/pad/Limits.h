#pragma once
namespace pad { inline constexpr int kMaxTableEntries = 1000000; }
