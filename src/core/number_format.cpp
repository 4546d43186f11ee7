#include "core/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "core/arithmetic.h"

namespace pektra {

namespace {

constexpr int kMaxAsterisks = 23;
// More decimals than any double can show; a larger request is cut to this.
constexpr int kMaxDecimals = 1100;

std::string Asterisks(int count) { return std::string(std::clamp(count, 0, kMaxAsterisks), '*'); }

std::string PadLeft(std::string text, int width) {
  if (width > 0 && static_cast<std::size_t>(width) > text.size()) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

std::string RemoveBlanks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

// to_chars never looks at the locale, so the decimal point stays "." under any locale.
std::string ToChars(double x, std::chars_format format, int precision) {
  std::string buffer(static_cast<std::size_t>(precision) + 340, '\0');
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, format, precision);
  buffer.resize(result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - buffer.data())
                                         : 0);
  return buffer;
}

// x with exactly `decimals` decimals, no padding; zero never gets a minus sign.
std::string Fixed(double x, int decimals) {
  return ToChars(x == 0.0 ? 0.0 : x, std::chars_format::fixed, decimals);
}

int ClampDecimals(int decimals) { return std::clamp(decimals, 0, kMaxDecimals); }

// The exponent written by to_chars after "e" in `text`.
int ExponentOf(const std::string& text) {
  const std::size_t e = text.find('e');
  int exponent = 0;
  if (e == std::string::npos) return 0;
  const char* begin = text.data() + e + 1;
  if (*begin == '+') ++begin;
  std::from_chars(begin, text.data() + text.size(), exponent);
  return exponent;
}

}  // namespace

std::string FormatFixed(int width, int decimals, double x) {
  decimals = ClampDecimals(decimals);
  if (!std::isfinite(x)) return Asterisks(width);
  if (x != 0.0) {
    const double n = static_cast<double>(width) - decimals - 1;
    const double limit = x > 0 ? n : n - 1;
    if (std::log10(std::fabs(x)) > limit) return Asterisks(width);
  }
  return PadLeft(Fixed(x, decimals), width);
}

std::string FormatExp(int width, int decimals, double x) {
  if (!std::isfinite(x)) return Asterisks(std::max(width, 1));
  decimals = ClampDecimals(decimals);
  std::string mantissa;
  int exponent = 0;
  if (x == 0.0) {
    mantissa = Fixed(0.0, decimals);
  } else if (decimals == 0) {
    // The mantissa rounded to no decimals is 0, or 1, which becomes 0.1 and so again "0".
    const std::string digits = ToChars(std::fabs(x), std::chars_format::scientific, 17);
    exponent = ExponentOf(digits) + 1;
    if (digits[0] >= '5') ++exponent;
    mantissa.assign(1, '0');
  } else {
    // x rounded to `decimals` significant digits, "d.ddd" followed by "e" and the exponent;
    // rounding first means a mantissa that reaches 1 (0.99999 -> "1.000") is caught here.
    const std::string scientific =
        ToChars(std::fabs(x), std::chars_format::scientific, decimals - 1);
    const std::size_t e = scientific.find('e');
    mantissa = "0.";
    for (std::size_t i = 0; i < e; ++i) {
      if (scientific[i] != '.') mantissa.push_back(scientific[i]);
    }
    exponent = ExponentOf(scientific) + 1;
  }
  std::string text = x < 0 ? "-" : "";
  text += mantissa;
  text += exponent < 0 ? '-' : '+';
  text += std::to_string(std::abs(exponent));
  return PadLeft(text, width);
}

std::string FormatGeneral(int width, double x) {
  const int power = static_cast<int>(std::clamp(static_cast<long long>(width) - 3, -400LL, 400LL));
  if (std::isnan(x) || std::fabs(x) >= Power10(power)) return RemoveBlanks(FormatExp(12, 7, x));
  if (x == 0.0) return "0";
  const int len = static_cast<int>(Fixed(x, 0).size());  // x with no decimals, sign included
  const int field = std::max(width, len);
  if (x == std::trunc(x)) return RemoveBlanks(FormatFixed(field, 0, x));
  const long long decimals = std::max(0LL, static_cast<long long>(width) - 1 - len);
  return RemoveBlanks(FormatFixed(field, static_cast<int>(decimals), x));
}

std::string FormatShortest(double x) {
  constexpr std::size_t kLongestPlain = 24;
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
  if (result.ec == std::errc() && static_cast<std::size_t>(result.ptr - buffer) <= kLongestPlain) {
    return std::string(buffer, result.ptr);
  }
  result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific);
  return std::string(buffer, result.ptr);
}

}  // namespace pektra
