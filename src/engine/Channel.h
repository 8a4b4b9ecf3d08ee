// The MIDI channel chosen in the channel field.
#pragma once

#include <optional>
#include <string_view>

namespace engine {

/// The 0-based channel of the channel field's text ("1" … "16" give 0 … 15); nullopt when the
/// text is no integer (lib::tryStrToInt's rules).
std::optional<int> channelOf(std::string_view text);

/// As channelOf; throws lib::ConvertError "'%s' は整数ではありません" when the text is no integer.
int requireChannel(std::string_view text);

}  // namespace engine
