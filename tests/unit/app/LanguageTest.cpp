#include <gtest/gtest.h>

#include <map>

#include "app/Language.h"

namespace {

TEST(Language, JapaneseForJapaneseAndThePlainLocaleEnglishOtherwise) {
  struct Case {
    const char* locale;
    app::Language language;
  } cases[] = {
      {"ja_JP.UTF-8", app::Language::Japanese}, {"ja", app::Language::Japanese},
      {"C", app::Language::Japanese},           {"C.UTF-8", app::Language::Japanese},
      {"POSIX", app::Language::Japanese},       {"", app::Language::Japanese},
      {"en_US.UTF-8", app::Language::English},  {"de_DE.UTF-8", app::Language::English},
      {"fr_FR", app::Language::English},        {"jv_ID", app::Language::English},
  };
  for (const auto& c : cases) EXPECT_EQ(app::languageOfLocale(c.locale), c.language) << c.locale;
}

TEST(Language, TheOptionOverridesTheLocale) {
  EXPECT_EQ(app::languageOption("ja"), app::Language::Japanese);
  EXPECT_EQ(app::languageOption("en"), app::Language::English);
  for (const char* other : {"", "EN", "english", "de", "ja_JP"})
    EXPECT_EQ(app::languageOption(other), std::nullopt) << other;
  struct Case {
    QStringList args;
    std::optional<std::string> value;
  } cases[] = {
      {{"korvane"}, std::nullopt},           {{"korvane", "--lang", "en"}, "en"},
      {{"korvane", "--lang=ja"}, "ja"},      {{"korvane", "--lang", "ja", "--lang", "en"}, "en"},
      {{"korvane", "--lang"}, std::nullopt}, {{"korvane", "--", "--lang", "en"}, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(app::langArgument(c.args), c.value) << c.args.join(' ').toStdString();
}

TEST(Language, MessagesAreTranslatedWithTheirQuotedPartsKept) {
  const std::map<std::string, std::string> english = {
      {"%s に書き込めません", "Cannot write %s"},
      {"ファイル %s は開けません。 %s ", "Cannot open the file %s. %s "},
      {"ファイルが大きすぎます", "The file is too large."},
      {"'%s' は整数ではありません", "'%s' is not an integer"},
  };
  const auto translate = [&](const char* pattern) {
    auto found = english.find(pattern);
    return found == english.end() ? std::string(pattern) : found->second;
  };
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"/home/a b/korvane.ini に書き込めません.", "Cannot write /home/a b/korvane.ini."},
      {"/x に書き込めません", "Cannot write /x"},
      // The reason is a message of its own.
      {"ファイル /t/k.kst は開けません。 ファイルが大きすぎます ",
       "Cannot open the file /t/k.kst. The file is too large. "},
      {"ファイル /t/k.kst は開けません。 No such file or directory ",
       "Cannot open the file /t/k.kst. No such file or directory "},
      // Quoted parts that look like patterns or expressions stay as they are.
      {"'(.*) に書き込めません' は整数ではありません", "'(.*) に書き込めません' is not an integer"},
      {"'' は整数ではありません", "'' is not an integer"},
      // No pattern: unchanged.
      {"Korvane v0.06", "Korvane v0.06"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(app::translateMessage(c.text, translate), c.expected) << c.text;
}

}  // namespace
