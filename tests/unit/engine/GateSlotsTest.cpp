#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/GateSlots.h"
#include "lib/Error.h"
#include "pad/Limits.h"

namespace {

std::string writeLines(const std::filesystem::path& dir, const std::string& name, int lines) {
  const auto path = dir / name;
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < lines; ++i) out << "1\n";
  return path.string();
}

TEST(GatePatternFile, LineLimit) {
  auto name = (std::filesystem::temp_directory_path() / "korvane-gate-XXXXXX").string();
  const std::filesystem::path dir = mkdtemp(name.data());  // tests run side by side
  const std::string atLimit = writeLines(dir, "limit.gap", pad::kMaxTableEntries);
  const std::string over = writeLines(dir, "over.gap", pad::kMaxTableEntries + 1);
  lib::StringList pattern;
  engine::loadGatePattern(pattern, atLimit);
  EXPECT_EQ(pattern.count(), pad::kMaxTableEntries);
  engine::setDefaultGatePattern(pattern);
  EXPECT_THROW(engine::loadGatePattern(pattern, over), lib::FileError);
  EXPECT_EQ(pattern.count(), 4);  // a failed load leaves the pattern as it was
  std::filesystem::remove_all(dir);
}

}  // namespace
