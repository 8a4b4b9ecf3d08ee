#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "lib/Error.h"
#include "lib/StringList.h"
#include "pad/Limits.h"
#include "pad/NoteNames.h"
#include "pad/ScaleFiles.h"

namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

class PadFiles : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("korvane-padfiles-" + std::to_string(::getpid()));
  lib::StringList names;
  void SetUp() override {
    fs::create_directories(dir);
    for (int k = 0; k < 132; ++k) names.add(pad::noteName(k));
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string write(const std::string& bytes, const std::string& name = "f.txt") {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  }
  Lines load(const std::string& path, std::size_t limit = pad::kMaxTableEntries) {
    lib::StringList list;
    list.loadFromFile(path, limit);
    return list.items();
  }
  std::string reasonOf(const std::string& path, std::size_t limit = pad::kMaxTableEntries) {
    try {
      load(path, limit);
    } catch (const lib::FileError& e) {
      const std::string head = "ファイル " + path + " は開けません。 ";
      const std::string m = e.what();
      EXPECT_EQ(m.substr(0, head.size()), head);
      return m.substr(head.size());
    }
    ADD_FAILURE() << path << " loaded";
    return "";
  }
};

TEST_F(PadFiles, KeyScaleLinesBecomeNoteNumbers) {
  struct Case {
    const char* what;
    std::string bytes;
    Lines keys;
  } cases[] = {
      {"triad", "C4\r\nE4\r\nG4\r\nC5\r\n", {"60", "64", "67", "72"}},
      {"letter case", "c4\r\nC#4\r\nc#4\r\n", {"60", "61", "61"}},
      {"range ends", "C-1\r\nG9\r\nG#9\r\nB9\r\n", {"0", "127", "128", "131"}},
      {"blank and word skipped", "C4\r\n\r\nX\r\nE4\r\n", {"60", "64"}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "C4\r\nE4\r\n",
       {"64"}},
      {"LF only", "C4\nE4\nG4", {"60", "64", "67"}},
      {"CR only", "C4\rE4\rG4\r", {"60", "64", "67"}},
      {"unrecognised",
       "Bb3\r\nC10\r\n C4\r\nC4 \r\nC4\t\r\n\xEF\xBC\xA3"
       "4\r\nCb4\r\nH4\r\n",
       {}},
      {"NUL ends the text", std::string("C4\nE4\0G4\n", 9), {"60", "64"}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pad::keysFromNames(load(write(c.bytes)), names), c.keys) << c.what;
}

TEST_F(PadFiles, VolumeLinesAreTakenAsWritten) {
  struct Case {
    const char* what;
    std::string bytes;
    Lines rows;
  } cases[] = {
      {"empty middle line", "127\r\n\r\n0\r\n", {"127", "", "0"}},
      {"one trailing break", "127\r\n96\r\n", {"127", "96"}},
      {"two trailing breaks", "127\r\n96\r\n\r\n", {"127", "96", ""}},
      {"no trailing break", "127\r\n96", {"127", "96"}},
      {"not examined",
       " 64\r\n$40\r\n200\r\n-1\r\nloud \r\n",
       {" 64", "$40", "200", "-1", "loud "}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(load(write(c.bytes)), c.rows) << c.what;
}

TEST_F(PadFiles, WhatCannotBeOpenedSaysWhy) {
  EXPECT_EQ(reasonOf((dir / "missing.kst").string()), std::string(std::strerror(ENOENT)) + " ");
  EXPECT_EQ(reasonOf(dir.string()), std::string(std::strerror(EISDIR)) + " ");
  EXPECT_EQ(reasonOf("/dev/zero"), "通常のファイルではありません ");  // endless, never read
  // A pipe without a writer would block the window on open.
  const std::string fifo = (dir / "pipe.kst").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(reasonOf(fifo), "通常のファイルではありません ");
  if (::geteuid() != 0) {  // permission bits do not stop root
    const std::string locked = write("C4\r\n", "locked.kst");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(reasonOf(locked), std::string(std::strerror(EACCES)) + " ");
  }
}

TEST_F(PadFiles, OversizedFilesFailFastAndWhole) {
  // 100 MB chosen by mistake: refused from its size, without reading it.
  const std::string big = write("", "big.txt");
  fs::resize_file(big, 100u << 20);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(load(big), lib::FileTooLargeError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(reasonOf(big), "ファイルが大きすぎます ");

  // Within the byte bound but over the line limit; the limit itself still loads.
  const std::size_t limit = pad::kMaxTableEntries;
  EXPECT_EQ(reasonOf(write(std::string(limit + 1, '\n')), limit),
            "行が多すぎます。 100000 行以下にしてください。 ");
  EXPECT_THROW(load(write(std::string(limit + 1, '\r')), limit), lib::FileTooLargeError);
  EXPECT_EQ(load(write(std::string(limit, '\n')), limit).size(), limit);
  EXPECT_EQ(load(write("a\r\nb"), 2), (Lines{"a", "b"}));
  EXPECT_THROW(load(write("a\r\nb\r\nc"), 2), lib::FileTooLargeError);
}

TEST_F(PadFiles, UnboundedLimitDoesNotWrap) {
  EXPECT_EQ(load(write("C4\r\n"), std::numeric_limits<std::size_t>::max()), (Lines{"C4"}));
}

}  // namespace
