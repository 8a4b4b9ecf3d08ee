// Number <-> text conversions with Korvane's exact rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lib {

/// Integer from text: leading spaces, optional sign, decimal or $/x/X/0x/0X hex, nothing after.
/// Decimal must fit 32 bits signed; hex may use all 32 bits (taken as signed). nullopt on failure.
std::optional<std::int32_t> tryStrToInt(std::string_view text);

/// As tryStrToInt; throws ConvertError "'%s' は整数ではありません" on failure.
std::int32_t StrToInt(std::string_view text);

/// Plain decimal, '-' for negatives.
std::string IntToStr(std::int64_t value);

/// Decimal number ("." as point, optional exponent, blanks around allowed); nullopt when the
/// text is no number or out of range.
std::optional<long double> tryStrToFloat(std::string_view text);

/// Plain decimal, rounded to 15 significant digits, no trailing zeros, no point when whole.
std::string FloatToStr(long double value);

/// 1-based position of the last occurrence of sub in text; 0 when absent.
int LastPos(std::string_view text, std::string_view sub);

}  // namespace lib
