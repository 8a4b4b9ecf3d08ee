// The MIDI channel chosen in the channel field.
#pragma once

#include <optional>
#include <string_view>

namespace engine {

/// The 0-based channel of the channel field's text ("1" … "16" give 0 … 15); nullopt when the
/// text is no integer (lib::tryStrToInt's rules) or one outside 1–16.
std::optional<int> channelOf(std::string_view text);

/// As channelOf; throws lib::ConvertError "'%s' は整数ではありません" when the text is no integer,
/// lib::Error "'%s' は 1 から 16 のチャンネルではありません" when it is one outside 1–16.
int requireChannel(std::string_view text);

}  // namespace engine
