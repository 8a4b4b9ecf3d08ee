#include "lib/Convert.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "lib/Error.h"

namespace lib {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::int32_t> tryStrToInt(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const int d = hex ? hexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  if (negative) {
    if (value > 2147483648ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  }
  if (value > 2147483647ull) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
  if (auto v = tryStrToInt(text)) return *v;
  throw ConvertError(format("'%s' は整数ではありません", {std::string(text)}));
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::optional<long double> tryStrToFloat(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  // Check the shape ourselves: strtold would also take "inf", "nan", hex floats and locales.
  std::size_t i = b;
  if (i < e && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < e && s[i] == '.') {
    ++i;
    while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < e && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < e && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != e) return std::nullopt;
  const std::string text(s.substr(b, e - b));
  // The shape has no locale-dependent part but the point; strtold reads "." in the C locale.
  locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  locale_t old = uselocale(c);
  errno = 0;
  char* end = nullptr;
  const long double v = std::strtold(text.c_str(), &end);
  const bool overflow = errno == ERANGE && std::isinf(v);
  uselocale(old);
  freelocale(c);
  if (overflow || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string FloatToStr(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0.0L) return "0";
  // 15 significant digits in scientific form first, then written out plainly.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14Le", value);
  std::string sci(buf);
  const auto ePos = sci.find('e');
  const int exponent = std::atoi(sci.c_str() + ePos + 1);
  std::string digits;
  bool negative = false;
  for (std::size_t k = 0; k < ePos; ++k) {
    if (sci[k] == '-') negative = true;
    if (sci[k] >= '0' && sci[k] <= '9') digits += sci[k];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (exponent >= 0) {
    const auto intLen = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intLen) {
      out = digits + std::string(intLen - digits.size(), '0');
    } else {
      out = digits.substr(0, intLen) + "." + digits.substr(intLen);
    }
  } else {
    out = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  return negative ? "-" + out : out;
}

int LastPos(std::string_view text, std::string_view sub) {
  if (sub.size() > text.size()) return 0;
  const auto at = text.rfind(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace lib
