#include "engine/Channel.h"

#include "lib/Convert.h"

namespace engine {

std::optional<int> channelOf(std::string_view text) {
  const auto number = lib::tryStrToInt(text);
  if (!number) return std::nullopt;
  return *number - 1;
}

int requireChannel(std::string_view text) {
  if (const auto channel = channelOf(text)) return *channel;
  return lib::StrToInt(text);  // throws: the text is no integer
}

}  // namespace engine
