#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lib/Convert.h"
#include "lib/Error.h"

namespace {

struct IntCase {
  const char* text;
  std::optional<std::int32_t> value;
};

TEST(StrToInt, FollowsEveryRule) {
  const IntCase cases[] = {
      {"0", 0},
      {"127", 127},
      {" +5", 5},
      {"   -12", -12},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$FFFFFFFF", -1},
      {"$7fffffff", 2147483647},
      {"$100000000", std::nullopt},
      {"0x280", 640},
      {"0X1f", 31},
      {"x10", 16},
      {"X10", 16},
      {"$10", 16},
      {"-$10", -16},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"x", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"", std::nullopt},
      {"5 ", std::nullopt},
      {"16a", std::nullopt},
      {"\t5", std::nullopt},
      {"1.5", std::nullopt},
      {"0012", 12},
      {"+-1", std::nullopt},
      {"0x$1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(lib::tryStrToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(StrToInt, ErrorQuotesTheTextUpToAHundredCharacters) {
  const std::string x100(100, 'x'), a100 = [] {
    std::string s;
    for (int i = 0; i < 100; ++i) s += "あ";
    return s;
  }();
  const struct {
    std::string text, quoted;
  } cases[] = {
      {"abc", "abc"},           {x100, x100}, {std::string(1000000, 'x'), x100 + "…"}, {a100, a100},
      {a100 + "x", a100 + "…"},  // cut between characters, never inside one
  };
  for (const auto& c : cases) {
    try {
      lib::StrToInt(c.text);
      ADD_FAILURE() << "no error";
    } catch (const lib::ConvertError& e) {
      EXPECT_EQ(e.what(), "'" + c.quoted + "' は整数ではありません") << c.text.size();
    }
  }
}

TEST(IntToStr, PlainDecimal) {
  EXPECT_EQ(lib::IntToStr(0), "0");
  EXPECT_EQ(lib::IntToStr(-7), "-7");
  EXPECT_EQ(lib::IntToStr(2147483647), "2147483647");
  EXPECT_EQ(lib::IntToStr(-2147483648LL), "-2147483648");
}

TEST(StrToFloat, AcceptsDecimalNumbersOnly) {
  EXPECT_EQ(lib::tryStrToFloat("125"), 125.0L);
  EXPECT_EQ(lib::tryStrToFloat(" 12.5 "), 12.5L);
  EXPECT_EQ(lib::tryStrToFloat("-5"), -5.0L);
  EXPECT_EQ(lib::tryStrToFloat(".5"), 0.5L);
  EXPECT_EQ(lib::tryStrToFloat("1e3"), 1000.0L);
  for (const char* bad :
       {"", " ", "abc", "1,5", "inf", "nan", "0x10", "1e", "1e400000", "--1", "."})
    EXPECT_FALSE(lib::tryStrToFloat(bad).has_value()) << '"' << bad << '"';
}

TEST(FloatToStr, FifteenSignificantDigitsPlain) {
  struct Case {
    long double value;
    const char* text;
  } cases[] = {
      {63.5L, "63.5"},
      {64.0L, "64"},
      {-0.25L, "-0.25"},
      {0.0L, "0"},
      {1.0L / 3.0L, "0.333333333333333"},
      {2.0L / 3.0L, "0.666666666666667"},
      {64.0L - 1e-15L, "64"},  // rounding to 15 digits makes it whole
      {128.0L * (5.0L / 617.0L), "1.03727714748784"},
      {1e20L, "100000000000000000000"},
      {0.0001L, "0.0001"},
      {-12345.678L, "-12345.678"},
  };
  for (const auto& c : cases) EXPECT_EQ(lib::FloatToStr(c.value), c.text);
}

TEST(LastPos, FindsTheLastOccurrence) {
  EXPECT_EQ(lib::LastPos("12.5", "."), 3);
  EXPECT_EQ(lib::LastPos("480", "."), 0);
  EXPECT_EQ(lib::LastPos("!240", "!"), 1);
  EXPECT_EQ(lib::LastPos("1.2.3", "."), 4);
  EXPECT_EQ(lib::LastPos("", "."), 0);
  EXPECT_EQ(lib::LastPos("ab", "abc"), 0);
}

TEST(Format, FillsPlaceholdersInOrder) {
  EXPECT_EQ(lib::format("ファイル %s は開けません。 %s ", {"/a b", "No such file"}),
            "ファイル /a b は開けません。 No such file ");
  EXPECT_EQ(lib::format("%s", {"100%s"}), "100%s");
}

}  // namespace
