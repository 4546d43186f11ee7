// Feeds raw bytes to the free-field readers and the number parsers, then writes what was read
// with the three formatters and reads that text back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/number_format.h"
#include "core/one_based.h"
#include "core/text_input.h"

namespace {

using namespace pektra;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Every number the readers give is finite and at most 1.0E300 in size.
void CheckReadable(double x) { Check(std::isfinite(x) && std::fabs(x) <= 1.0E300); }

// Writes x with widths and decimals chosen by `selector` and checks the text.
void CheckFormatters(double x, unsigned selector) {
  const int width = static_cast<int>(selector % 26);
  const int decimals = static_cast<int>((selector / 26) % 12);

  const std::string fixed = FormatFixed(width, decimals, x);
  Check(fixed.size() >= static_cast<std::size_t>(width < 23 ? width : 23));
  bool ok = false;
  if (!fixed.empty() && fixed.find('*') == std::string::npos) {  // "" is zero asterisks
    const double back = StrToReal(fixed, ok);
    Check(ok && std::fabs(back - x) <= 0.51 * std::pow(10.0, -decimals) + 1e-12 * std::fabs(x));
  }

  const std::string exp = FormatExp(width, decimals, x);
  Check(exp.size() >= static_cast<std::size_t>(width));
  const double back = StrToReal(exp, ok);
  Check(ok);
  // A mantissa of `decimals` digits in [0.1, 1) is within 5 units of its last digit's next place.
  if (decimals > 0 && std::fabs(x) < 1e290 && std::fabs(x) > 1e-290) {
    Check(std::fabs(back - x) <= 5.01 * std::pow(10.0, -decimals) * std::fabs(x));
  }

  const std::string general = FormatGeneral(width, x);
  Check(!general.empty() && general.find(' ') == std::string::npos);
  StrToReal(general, ok);
  Check(ok);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // A small array: only places first..last may change, however many numbers the text holds.
  {
    std::istringstream in(text);
    OneBasedArray<double> small(8, -7.0);
    const int count = ReadNumbersFromFile(in, 3, 20, small);
    Check(count >= 0 && count <= 6);
    Check(small[1] == -7.0 && small[2] == -7.0);
    for (int i = 3 + count; i <= 8; ++i) Check(small[i] == -7.0);
  }

  std::istringstream in(text);
  OneBasedArray<double> full(16384, 0.0);
  const int count = ReadNumbersFromFile(in, 1, 16384, full);
  Check(count >= 0 && count <= 16384);
  for (int i = 1; i <= count; ++i) {
    CheckReadable(full[i]);
    if (i <= 16) CheckFormatters(full[i], static_cast<unsigned>(i * 131 + size));
  }

  const std::vector<double> numbers = ParseNumbers(text);
  Check(numbers.size() <= 16512);
  for (const double x : numbers) CheckReadable(x);

  // A token read strictly is a number StrToReal reads alike (a leading "." aside, which the
  // free-field readers complete to "0.", and exponents beyond 300, which StrToReal cuts to 300).
  std::vector<std::string_view> tokens;
  SplitTokens(text, tokens, 64);
  for (const std::string_view token : tokens) {
    const std::optional<double> strict = StrictNumber(token);
    if (!strict || !(std::fabs(*strict) <= 1.0E300) || std::fabs(*strict) < 1.0E-290 ||
        token.front() == '.') {
      continue;
    }
    bool token_ok = false;
    Check(StrToReal(token, token_ok) == *strict && token_ok);
  }

  bool ok = false;
  const double value = StrToReal(text, ok);
  CheckReadable(value);
  CheckFormatters(value, static_cast<unsigned>(size));

  int dialog_ok = 5;
  const double entry = EntryToReal(text, dialog_ok);
  CheckReadable(entry);
  Check(dialog_ok == 1 || dialog_ok == 5 || (dialog_ok == 0 && entry == 1.001));

  std::istringstream lines(text);
  for (int i = 0; i < 1000; ++i) {
    const std::string line = ReadDataLine(lines);
    Check(line.size() <= 255 && line.find('\n') == std::string::npos);
    if (line == " " && !lines) break;
  }
  return 0;
}
