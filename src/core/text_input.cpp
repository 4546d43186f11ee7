#include "core/text_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

namespace pektra {

namespace {

constexpr double kLargest = 1.0E300;        // larger results are cut to this size
constexpr int kExponentLimit = 300;         // a larger written exponent counts as 300
constexpr int kExponentDigitsCap = 100000;  // the exponent stops growing here: no int overflow

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }
bool IsExponentLetter(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// Blanks, commas, TABs and carriage returns separate the numbers of a free-field line.
bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r'; }

// Calls take(token) for every run of non-separators, in order, until it returns false. Returns
// false when take stopped the walk.
template <typename Take>
bool ForEachToken(std::string_view text, Take take) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start && !take(text.substr(start, i - start))) return false;
  }
  return true;
}

// The common case of spectrum files, a plain decimal number ([sign] digits [. digits], at least
// one digit), read directly; nullopt for anything else, which goes through the full scan. Both
// paths round correctly, so they agree on every number the fast one accepts.
std::optional<double> PlainDecimal(std::string_view token) {
  std::size_t i = 0;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  bool digit = false, point = false;
  for (std::size_t k = i; k < token.size(); ++k) {
    if (IsDigit(token[k])) {
      digit = true;
    } else if (token[k] == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  // Up to 15 significant digits and 22 decimals: the digits as a whole number and the power of
  // ten are both exact doubles, so one division gives the correctly rounded value.
  {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::uint64_t mantissa = 0;
    int digits = 0, decimals = 0;
    bool after_point = false;
    for (std::size_t k = i; k < token.size() && digits <= 15; ++k) {
      if (token[k] == '.') {
        after_point = true;
        continue;
      }
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(token[k] - '0');
      if (mantissa != 0) ++digits;
      if (after_point) ++decimals;
    }
    if (digits <= 15 && decimals <= 22) {
      const double value = static_cast<double>(mantissa) / kPowers[decimals];
      return token[0] == '-' ? -value : value;
    }
  }
  if (token[0] == '+') token.remove_prefix(1);  // from_chars takes no "+"
  double value = 0.0;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
  if (result.ec != std::errc() || result.ptr != token.data() + token.size() ||
      !(std::fabs(value) <= kLargest)) {
    return std::nullopt;
  }
  return value;
}

// A free-field token: one that begins with "." is read as if a "0" stood in front.
double TokenValue(std::string_view token) {
  if (const auto value = PlainDecimal(token)) return *value;
  bool ok = true;
  if (!token.empty() && token.front() == '.') {
    std::string with_zero(1, '0');
    with_zero.append(token);
    return StrToReal(with_zero, ok);
  }
  return StrToReal(token, ok);
}

// What the scan of one token found.
struct ScannedNumber {
  bool negative = false;
  std::string digits;          // mantissa digits, integer part then fraction
  std::size_t int_digits = 0;  // how many of them belong to the integer part
  bool exponent_marker = false;
  bool exponent_negative = false;
  bool exponent_digits = false;
  int exponent = 0;
  bool bad_char = false;
};

enum class Stage {
  kStart,
  kSigned,
  kInteger,
  kFraction,
  kExponentStart,
  kExponentSigned,
  kExponent
};

ScannedNumber Scan(std::string_view token) {
  ScannedNumber n;
  Stage stage = Stage::kStart;
  for (const char c : token) {
    if (c == ' ') continue;
    const bool in_mantissa = stage == Stage::kStart || stage == Stage::kSigned ||
                             stage == Stage::kInteger || stage == Stage::kFraction;
    if (IsDigit(c)) {
      if (in_mantissa) {
        n.digits.push_back(c);
        if (stage != Stage::kFraction) {
          ++n.int_digits;
          stage = Stage::kInteger;
        }
      } else {
        if (n.exponent < kExponentDigitsCap) n.exponent = n.exponent * 10 + (c - '0');
        n.exponent_digits = true;
        stage = Stage::kExponent;
      }
    } else if (c == '.' || c == ',') {
      if (stage == Stage::kStart || stage == Stage::kSigned || stage == Stage::kInteger) {
        stage = Stage::kFraction;
      } else {
        n.bad_char = true;  // a second separator, or one inside the exponent
      }
    } else if (IsSign(c)) {
      if (stage == Stage::kStart) {
        n.negative = c == '-';
        stage = Stage::kSigned;
      } else if ((stage == Stage::kInteger || stage == Stage::kFraction) && !n.digits.empty()) {
        // "1.5-3": a sign after the mantissa starts the exponent.
        n.exponent_marker = true;
        n.exponent_negative = c == '-';
        stage = Stage::kExponentSigned;
      } else if (stage == Stage::kExponentStart) {
        n.exponent_negative = c == '-';
        stage = Stage::kExponentSigned;
      } else {
        n.bad_char = true;
      }
    } else if (IsExponentLetter(c) && in_mantissa) {
      n.exponent_marker = true;
      stage = Stage::kExponentStart;
    } else {
      n.bad_char = true;
    }
  }
  return n;
}

// |mantissa| x 10^exponent, correctly rounded: the digits go to from_chars as one decimal number,
// so no rounding error piles up digit by digit and the locale never matters. `overflow` when the
// value is beyond the double range.
double Magnitude(const ScannedNumber& n, int exponent, bool& overflow) {
  overflow = false;
  const std::size_t lead = n.digits.find_first_not_of('0');
  if (lead == std::string::npos) return 0.0;
  // The value is 0.d1d2d3... x 10^scale with d1 the first non-zero digit.
  const long long scale =
      static_cast<long long>(n.int_digits) - static_cast<long long>(lead) + exponent;
  if (scale > 400) {
    overflow = true;
    return 0.0;
  }
  if (scale < -400) return 0.0;
  const std::string text =
      "0." + n.digits.substr(lead) + "e" + std::to_string(static_cast<int>(scale));
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    overflow = scale > 0;
    return 0.0;
  }
  return value;
}

}  // namespace

bool ReadWholeLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) {
    line.clear();
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::string ReadDataLine(std::istream& in) {
  std::string line;
  do {
    if (!ReadWholeLine(in, line)) return " ";
  } while (!line.empty() && line.front() == '*');
  if (line.size() > static_cast<std::size_t>(kMaxLineLength)) line.resize(kMaxLineLength);
  return line;
}

int ReadNumbersFromFile(std::istream& in, int first, int last, OneBasedArray<double>& array) {
  last = std::min(last, array.capacity());
  if (first < 1 || first > last) return 0;
  int index = first;
  int count = 0;
  std::string line;
  while (ReadWholeLine(in, line)) {
    if (line.empty() || line.front() == '*') continue;
    if (line.front() == '/') break;
    const std::size_t comment = line.find('*');
    if (comment != std::string::npos) line.erase(comment);
    const bool more = ForEachToken(line, [&](std::string_view token) {
      array[index] = TokenValue(token);
      ++count;
      if (index == last) return false;
      ++index;
      return true;
    });
    if (!more) break;
  }
  return count;
}

void ParseNumbers(std::string_view text, std::vector<double>& numbers) {
  numbers.clear();
  ForEachToken(text, [&](std::string_view token) {
    numbers.push_back(TokenValue(token));
    return numbers.size() < static_cast<std::size_t>(kNumberBufferSize);
  });
}

void SplitTokens(std::string_view text, std::vector<std::string_view>& tokens,
                 std::size_t max_tokens) {
  tokens.clear();
  if (max_tokens == 0) return;
  ForEachToken(text, [&](std::string_view token) {
    tokens.push_back(token);
    return tokens.size() < max_tokens;
  });
}

std::optional<double> StrictNumber(std::string_view token) {
  if (token.empty()) return std::nullopt;
  if (const auto value = PlainDecimal(token)) return *value;
  const ScannedNumber n = Scan(token);
  if (token.find(' ') != std::string_view::npos || n.bad_char || n.digits.empty() ||
      (n.exponent_marker && !n.exponent_digits)) {
    return std::nullopt;
  }
  // The written exponent as it stands (Scan stops it growing long before an int overflows).
  const int exponent = n.exponent_negative ? -n.exponent : n.exponent;
  bool overflow = false;
  double value = Magnitude(n, exponent, overflow);
  if (overflow) value = std::numeric_limits<double>::infinity();
  return n.negative ? -value : value;
}

std::vector<double> ParseNumbers(std::string_view text) {
  std::vector<double> numbers;
  ParseNumbers(text, numbers);
  return numbers;
}

bool TextLines::NextLine(std::string_view& line) {
  if (position_ >= text_.size()) {
    line = {};
    return false;
  }
  std::size_t end = text_.find('\n', position_);
  if (end == std::string_view::npos) end = text_.size();
  line = text_.substr(position_, end - position_);
  position_ = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

std::string_view TextLines::NextDataLine() {
  std::string_view line;
  do {
    if (!NextLine(line)) return " ";
  } while (!line.empty() && line.front() == '*');
  return line.substr(0, static_cast<std::size_t>(kMaxLineLength));
}

double StrToReal(std::string_view token, bool& ok) {
  ok = true;
  const std::size_t start = token.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0.0;  // empty or blank
  if (token[start] == '*') {
    ok = false;
    return 0.0;
  }
  if (const auto value = PlainDecimal(token.substr(start))) return *value;
  const ScannedNumber n = Scan(token.substr(start));
  int exponent = 0;
  if (n.exponent_digits) {
    exponent = std::min(n.exponent, kExponentLimit);
    if (n.exponent_negative) exponent = -exponent;
  }
  bool overflow = false;
  double value = Magnitude(n, exponent, overflow);
  if (n.negative) value = -value;
  ok = !n.bad_char && !n.digits.empty() && (!n.exponent_marker || n.exponent_digits);
  if (overflow || !std::isfinite(value) || std::fabs(value) > kLargest) {
    ok = false;
    value = n.negative ? -kLargest : kLargest;
  }
  return value;
}

double EntryToReal(std::string_view text, int& dialog_ok) {
  std::string entry;
  for (const char c : text) {
    if (c != ' ') entry.push_back(c == ',' ? '.' : c);
  }
  if (entry.empty()) return 0.0;
  dialog_ok = 1;
  bool ok = true;
  const double value = StrToReal(entry, ok);
  if (!ok) {
    dialog_ok = 0;
    return 1.001;
  }
  return value;
}

}  // namespace pektra
