#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "lib/Error.h"
#include "lib/StringList.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SplitLines, LineBreakRules) {
  struct Case {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},           // LF CR is two breaks
      {"a\r\n\r\n", {"a", ""}},             // a second break at the end is an empty line
      {"\r\n", {""}},
      {"a\r\n\nb", {"a", "", "b"}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},  // NUL ends the text
      {" x \t", {" x \t"}},                  // nothing trimmed
      {"\xEF\xBB\xBF" "C4\n", {"\xEF\xBB\xBF" "C4"}},  // no BOM handling
  };
  for (const auto& c : cases) EXPECT_EQ(lib::splitLines(c.bytes), c.lines) << c.bytes;
}

TEST(StringList, SameTextIgnoresLetterCase) {
  lib::StringList list;
  for (const char* s : {"C4", "C#4", "D4"}) list.add(s);
  EXPECT_TRUE(lib::sameText(list.get(1), "c#4"));
  EXPECT_EQ(lib::folded("D4 Ab"), "d4 ab");
  EXPECT_FALSE(lib::sameText(list.get(2), "E4"));
  EXPECT_FALSE(lib::sameText(list.get(0), "ｃ4"));  // full-width letters are other bytes
  EXPECT_THROW(list.get(3), lib::Error);
  EXPECT_THROW(list.get(-1), lib::Error);
}

class FileTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = [] {  // a folder of this test's own: tests run side by side
    auto name = (std::filesystem::temp_directory_path() / "korvane-stringlist-XXXXXX").string();
    return std::filesystem::path(mkdtemp(name.data()));
  }();
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  }
};

TEST_F(FileTest, LoadReplacesContent) {
  lib::StringList list;
  list.add("old");
  list.loadFromFile(write("a.txt", "1\r\n2\r\n"), 100);
  EXPECT_EQ(list.items(), (Lines{"1", "2"}));
}

TEST_F(FileTest, FailedLoadKeepsContentAndSaysWhy) {
  lib::StringList list;
  list.add("old");
  const std::string missing = (dir / "missing.gap").string();
  try {
    list.loadFromFile(missing, 100);
    FAIL();
  } catch (const lib::FileError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル " + missing + " は開けません。 No such file or directory ");
  }
  EXPECT_THROW(list.loadFromFile(dir.string(), 100), lib::FileError);  // a directory
  EXPECT_THROW(list.loadFromFile(write("big.txt", std::string(200, '\n')), 100), lib::FileError);
  EXPECT_EQ(list.items(), (Lines{"old"}));
}

}  // namespace
