#include "engine/Channel.h"

#include "lib/Convert.h"
#include "lib/Error.h"

namespace engine {

std::optional<int> channelOf(std::string_view text) {
  const auto number = lib::tryStrToInt(text);
  // Compared before subtracting: "-2147483648" must not overflow, "33" must not become a status.
  if (!number || *number < 1 || *number > 16) return std::nullopt;
  return *number - 1;
}

int requireChannel(std::string_view text) {
  if (const auto channel = channelOf(text)) return *channel;
  lib::StrToInt(text);  // throws: the text is no integer
  throw lib::Error(
      lib::format("'%s' は 1 から 16 のチャンネルではありません", {std::string(text)}));
}

}  // namespace engine
