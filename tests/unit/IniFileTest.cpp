#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  EXPECT_EQ(get(), "[Korvane]\nGateArp0=\nGateArp1=/x.gap\nLeft=-20\nTop=0\n");
  ini.writeInteger("korvane", "left", 5);  // replaced in place
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
  EXPECT_EQ(get(),
            "; comment\r\n[Other]\r\nTop=1\r\n\r\n[Korvane]\r\nGateArp0=new\r\nunknown line\r\n"
            "Width=640\r\n  \r\n[Third]\r\nx=\xE9\r\n");
}

TEST_F(IniTest, AddsSectionAfterOtherContent) {
  put("[Other]\nk=v");
  app::IniFile(path).writeInteger("Korvane", "Top", 3);
  EXPECT_EQ(get(), "[Other]\nk=v\n[Korvane]\nTop=3\n");
}

TEST_F(IniTest, FailedWriteKeepsTheOldFile) {
  put("[Korvane]\nTop=1\n");
  // The temporary file cannot be created (a folder stands in its place; root ignores modes).
  fs::create_directories(path + ".tmp" + std::to_string(::getpid()));
  app::IniFile ini(path);
  try {
    ini.writeInteger("Korvane", "Top", 2);
    FAIL();
  } catch (const lib::Error& e) {
    EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
  }
  EXPECT_EQ(get(), "[Korvane]\nTop=1\n");
}

TEST_F(IniTest, WriteIntoMissingFolderFailsWithMessage) {
  app::IniFile ini((dir / "file-not-dir" / "x.ini").string());
  std::ofstream(dir / "file-not-dir") << "";
  EXPECT_THROW(ini.writeInteger("Korvane", "Top", 1), lib::Error);
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

}  // namespace
