#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/IniFile.h"
#include "lib/Error.h"

namespace {

namespace fs = std::filesystem;

class IniTest : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("korvane-ini-" + std::to_string(::getpid()));
  std::string path = (dir / "korvane.ini").string();
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  void put(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string get() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

TEST_F(IniTest, MissingFileGivesDefaults) {
  app::IniFile ini(path);
  EXPECT_EQ(ini.readInteger("Korvane", "Width", 600), 600);
  EXPECT_EQ(ini.readString("Korvane", "GateArp0", ""), "");
}

TEST_F(IniTest, ReadsIntegersWithHexAndDefaults) {
  put("[Korvane]\nWidth=0x280\nHeight=abc\nTop=$10\nLeft=-5\nA= \nB=  12  \nC=0x\n");
  app::IniFile ini(path);
  EXPECT_EQ(ini.readInteger("Korvane", "Width", 600), 640);
  EXPECT_EQ(ini.readInteger("Korvane", "Height", 200), 200);
  EXPECT_EQ(ini.readInteger("Korvane", "Top", 0), 16);
  EXPECT_EQ(ini.readInteger("Korvane", "Left", 0), -5);
  EXPECT_EQ(ini.readInteger("Korvane", "A", 7), 7);
  EXPECT_EQ(ini.readInteger("Korvane", "B", 7), 12);
  EXPECT_EQ(ini.readInteger("Korvane", "C", 7), 7);
}

TEST_F(IniTest, MatchesWithoutCaseAndTrimsValues) {
  put("[other]\nGateArp0=wrong\n[KORVANE]\ngatearp0 =  /tmp/a b.gap  \nGateArp1= \n");
  app::IniFile ini(path);
  EXPECT_EQ(ini.readString("Korvane", "GateArp0", ""), "/tmp/a b.gap");
  EXPECT_EQ(ini.readString("Korvane", "GateArp1", "x"), "");
  EXPECT_EQ(ini.readString("Korvane", "GateArp2", "x"), "x");
}

TEST_F(IniTest, ReadsAtMost2047Characters) {
  put("[Korvane]\nGateArp0=" + std::string(3000, 'p') + "\n");
  EXPECT_EQ(app::IniFile(path).readString("Korvane", "GateArp0", "").size(), 2047u);
}

TEST_F(IniTest, FreshFileHasKeysInWriteOrder) {
  app::IniFile ini(path);
  ini.writeString("Korvane", "GateArp0", "");
  ini.writeString("Korvane", "GateArp1", "/x.gap");
  ini.writeInteger("Korvane", "Left", -20);
  ini.writeInteger("Korvane", "Top", 0);
  EXPECT_FALSE(fs::exists(path)) << "nothing is written before save";
  ini.save();
  EXPECT_EQ(get(), "[Korvane]\nGateArp0=\nGateArp1=/x.gap\nLeft=-20\nTop=0\n");
  ini.writeInteger("korvane", "left", 5);  // replaced in place
  ini.save();
  EXPECT_EQ(get(), "[Korvane]\nGateArp0=\nGateArp1=/x.gap\nleft=5\nTop=0\n");
}

TEST_F(IniTest, KeepsEveryOtherLineByteForByte) {
  const std::string before =
      "; comment\r\n[Other]\r\nTop=1\r\n\r\n[Korvane]\r\nGateArp0=old\r\nunknown line\r\n"
      "  \r\n[Third]\r\nx=\xE9\r\n";
  put(before);
  app::IniFile ini(path);
  ini.writeString("Korvane", "GateArp0", "new");
  ini.writeInteger("Korvane", "Width", 640);
  ini.save();
  EXPECT_EQ(get(),
            "; comment\r\n[Other]\r\nTop=1\r\n\r\n[Korvane]\r\nGateArp0=new\r\nunknown line\r\n"
            "Width=640\r\n  \r\n[Third]\r\nx=\xE9\r\n");
}

TEST_F(IniTest, AddsSectionAfterOtherContent) {
  put("[Other]\nk=v");
  app::IniFile ini(path);
  ini.writeInteger("Korvane", "Top", 3);
  ini.save();
  EXPECT_EQ(get(), "[Other]\nk=v\n[Korvane]\nTop=3\n");
}

TEST_F(IniTest, AFailedWriteKeepsTheOldFileAndNamesTheSystemsReason) {
  const std::string tmp = path + ".tmp" + std::to_string(::getpid());
  struct Case {
    const char* name;
    std::function<std::string()> setUp;  // the path to write
    std::string reason;
    std::string kept;  // the settings file after
  } cases[] = {
      // The temporary file cannot be created (a folder stands in its place; root ignores modes).
      {"temporary name taken",
       [&] {
         put("[Korvane]\nTop=1\n");
         fs::create_directories(tmp);
         return path;
       },
       std::strerror(EEXIST), "[Korvane]\nTop=1\n"},
      {"folder is a file",
       [&] {
         std::ofstream(dir / "file-not-dir") << "";
         return (dir / "file-not-dir" / "x.ini").string();
       },
       std::strerror(ENOTDIR), ""},
      {"a folder in the file's place",
       [&] {
         fs::create_directories(dir / "d.ini");
         return (dir / "d.ini").string();
       },
       "通常のファイルではありません", ""},
      {"a file that cannot be read",
       [&] {
         fs::create_symlink("loop.ini", dir / "loop.ini");
         return (dir / "loop.ini").string();
       },
       std::strerror(ELOOP), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    const std::string target = c.setUp();
    app::IniFile ini(target);
    ini.writeInteger("Korvane", "Top", 2);
    try {
      ini.save();
      ADD_FAILURE() << "saved";
    } catch (const lib::Error& e) {
      EXPECT_EQ(std::string(e.what()), target + " に書き込めません\n" + c.reason);
    }
    EXPECT_EQ(get(), c.kept);
  }
}

TEST_F(IniTest, OneWriteGivesTheBytesOfOneWritePerKey) {
  const char* texts[] = {
      "",
      "[Korvane]\nGateArp3=/a.gap\nLeft=1",
      "; c\r\n[Other]\r\nTop=1\r\n[korvane]\r\nwidth=9\r\nx\r\n  \r\n\r\n[Third]\r\n",
      "[Korvane]\nTop=1\n[Mid]\na=b\n[KORVANE]\nHeight=5\nTop=2\n",
      "[Other]\nk=v",
      "junk\r[ Korvane ]\rGateArp0 = old \rHeight=1\r\r",
      "[Korvane]\n;Top=1\n=x\nTop\nTop=1\nTop=2\n",
      "[Korvane]\nLeft=1\nTop=1",
      "[Korvane]\r\nTop=1\r\nLeft=2\r\n[Other]\r\nk=v",
  };
  std::vector<std::pair<std::string, std::string>> values;
  for (int i = 0; i < 10; ++i)
    values.emplace_back("GateArp" + std::to_string(i), i % 3 ? "" : "/p q");
  for (const char* k : {"Left", "top", "Width", "Height"}) values.emplace_back(k, "-12");
  // Every key there already, the last line without a break: none is added.
  const std::vector<std::pair<std::string, std::string>> present{{"Top", "7"}, {"Left", "8"}};
  for (const auto& keys : {values, present})
    for (const char* text : texts) {
      std::string oneByOne = text;
      for (const auto& [key, value] : keys)
        oneByOne = app::setProfileValue(oneByOne, "Korvane", key, value);
      EXPECT_EQ(app::setProfileValues(text, "Korvane", keys), oneByOne) << text;
    }
}

TEST_F(IniTest, ReadOnceAndWrittenOnceIntoTheFileAsItIsThen) {
  put("[Korvane]\nWidth=640\n");
  app::IniFile ini(path);
  put("[Korvane]\nWidth=1\n[Other]\nadded=meanwhile\n");
  EXPECT_EQ(ini.readInteger("Korvane", "Width", 600), 640);
  ini.writeInteger("Korvane", "Height", 300);
  EXPECT_EQ(ini.readInteger("Korvane", "Height", 200), 300);
  ini.save();
  EXPECT_EQ(get(), "[Korvane]\nWidth=1\nHeight=300\n[Other]\nadded=meanwhile\n");
  EXPECT_THROW(ini.writeString("Korvane", "GateArp0", "a\nb"), lib::Error);  // not one line
}

TEST_F(IniTest, ALinkedFileHasItsTargetReplacedWithItsMode) {
  fs::create_directories(dir / "dots");
  const fs::path target = dir / "dots" / "korvane.ini";
  std::ofstream(target) << "[Other]\nk=v\n";
  ::chmod(target.c_str(), 0600);
  struct Case {
    const char* what;
    fs::path link;  // the path the link holds
  } cases[] = {{"absolute", target}, {"relative", fs::path("dots") / "korvane.ini"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(path);
    fs::create_symlink(c.link, path);
    app::IniFile ini(path);
    ini.writeInteger("Korvane", "Top", 7);
    ini.save();
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(get(), "[Other]\nk=v\n[Korvane]\nTop=7\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "dots"), fs::directory_iterator()), 1);
  // A link to a file not made yet: the file is made where it points.
  fs::remove(path);
  fs::create_symlink(dir / "later" / "k.ini", path);
  app::IniFile ini(path);
  ini.writeInteger("Korvane", "Top", 1);
  ini.save();
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(get(), "[Korvane]\nTop=1\n");
}

TEST_F(IniTest, LeftoverTemporaryFilesDoNotAccumulate) {
  put("[Korvane]\nTop=1\n");
  const std::string mine = path + ".tmp" + std::to_string(::getpid());
  const std::string dead = path + ".tmp999999999";  // beyond any process id
  const std::string live = path + ".tmp" + std::to_string(::getppid());
  for (const auto& p : {mine, dead, live}) std::ofstream(p) << "half a file";
  app::IniFile ini(path);
  ini.writeInteger("Korvane", "Top", 2);
  ini.save();
  EXPECT_EQ(get(), "[Korvane]\nTop=2\n");
  EXPECT_FALSE(fs::exists(mine));
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(live)) << "its writer may still be writing";
}

TEST_F(IniTest, WhatIsNotAReadablePlainFileIsNotWrittenOver) {
  struct Case {
    const char* what;
    std::function<void()> make;
  } cases[] = {
      {"folder", [&] { fs::create_directories(path); }},
      {"pipe", [&] { ::mkfifo(path.c_str(), 0600); }},  // no hang either
      {"link loop", [&] { fs::create_symlink(path, path); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(path);
    app::IniFile ini(path);
    c.make();  // after the read at start-up
    ini.writeInteger("Korvane", "Top", 1);
    EXPECT_THROW(ini.save(), lib::Error);
  }
}

TEST_F(IniTest, SettingsPathBesideExecutableOrInConfig) {
  EXPECT_EQ(app::settingsPathFor((dir / "korvane").string()), (dir / "korvane.ini").string());
  EXPECT_EQ(app::settingsPathFor((dir / "other.bin").string()), (dir / "other.ini").string());
  // A folder that cannot be written: the user's config folder, unless a file is beside it.
  const fs::path ro = "/sys/korvane";
  setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
  EXPECT_EQ(app::settingsPathFor(ro.string()), (dir / "cfg" / "korvane" / "korvane.ini").string());
  // Installed (a desktop entry under ../share): the config folder even when bin/ is writable.
  fs::create_directories(dir / "usr/bin");
  fs::create_directories(dir / "usr/share/applications");
  std::ofstream(dir / "usr/bin/korvane.ini") << "[Korvane]\n";
  std::ofstream(dir / "usr/share/applications/korvane.desktop") << "[Desktop Entry]\n";
  EXPECT_EQ(app::settingsPathFor((dir / "usr/bin/korvane").string()),
            (dir / "cfg" / "korvane" / "korvane.ini").string());
  unsetenv("XDG_CONFIG_HOME");
}

TEST_F(IniTest, WhatIsNoPlainFileGivesDefaultsAtOnceAndIsNotReplaced) {
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);  // no writer: a blocking open would never return
  app::IniFile ini(path);
  EXPECT_EQ(ini.readInteger("Korvane", "Width", 600), 600);
  ini.writeInteger("Korvane", "Top", 1);
  EXPECT_THROW(ini.save(), lib::Error);
  EXPECT_TRUE(fs::is_fifo(path));
  fs::remove(path);
  fs::create_directory(path);
  EXPECT_EQ(ini.readString("Korvane", "GateArp0", "none"), "none");
}

}  // namespace
