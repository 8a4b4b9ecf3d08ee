// The channel field's text to a channel index, for any text.
#include <gtest/gtest.h>

#include "engine/Channel.h"
#include "lib/Error.h"

namespace {

TEST(ChannelOf, OnlyOneToSixteenNameAChannel) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"1", 0},
      {"16", 15},
      {" 7", 6},
      {"0x10", 15},
      {"$1", 0},
      {"0", std::nullopt},
      {"17", std::nullopt},
      {"33", std::nullopt},  // would be a control-change status
      {"-1", std::nullopt},
      {"-2147483648", std::nullopt},  // the subtraction would overflow
      {"2147483647", std::nullopt},
      {"0xFFFFFFFF", std::nullopt},  // −1 as 32 bits
      {"", std::nullopt},
      {"1 ", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const auto& [text, channel] : cases) EXPECT_EQ(engine::channelOf(text), channel) << text;
}

TEST(RequireChannel, NoIntegerAndOutOfRangeAreTwoErrors) {
  EXPECT_EQ(engine::requireChannel("16"), 15);
  try {
    engine::requireChannel("x");
    ADD_FAILURE() << "x";
  } catch (const lib::ConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' は整数ではありません");
  }
  for (const char* text : {"0", "17", "-2147483648"}) {
    try {
      engine::requireChannel(text);
      ADD_FAILURE() << text;
    } catch (const lib::ConvertError&) {
      ADD_FAILURE() << text << ": an integer";
    } catch (const lib::Error& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("'") + text + "' は 1 から 16 のチャンネルではありません");
    }
  }
}

}  // namespace
