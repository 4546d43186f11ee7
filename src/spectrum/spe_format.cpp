// The IAEA / ORTEC ASCII spectrum: sections introduced by "$NAME:" lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/text_input.h"
#include "spectrum/format_bytes.h"
#include "spectrum/standard_formats.h"

namespace pektra {
namespace {

using format_bytes::kLargestCount;
using format_bytes::Trimmed;

bool IsSectionLine(std::string_view line) {
  line = Trimmed(line);
  return !line.empty() && line[0] == '$';
}

// The text's lines with their 1-based numbers.
class SpeLines {
 public:
  explicit SpeLines(std::string_view text) : lines_(text) {}
  bool Next(std::string_view& line) {
    if (!lines_.NextLine(line)) return false;
    ++number_;
    return true;
  }
  // The next line that is not blank, unless a section begins first (then false, and the section
  // line is kept for the caller).
  bool NextValueLine(std::string_view& line) {
    std::string_view candidate;
    while (PeekOrNext(candidate)) {
      if (IsSectionLine(candidate)) {
        held_ = candidate;
        has_held_ = true;
        return false;
      }
      if (!Trimmed(candidate).empty()) {
        line = candidate;
        return true;
      }
    }
    return false;
  }
  bool PeekOrNext(std::string_view& line) {
    if (has_held_) {
      has_held_ = false;
      line = held_;
      return true;
    }
    return Next(line);
  }
  void Hold(std::string_view line) {
    held_ = line;
    has_held_ = true;
  }
  int number() const { return number_; }

 private:
  TextLines lines_;
  int number_ = 0;
  std::string_view held_;
  bool has_held_ = false;
};

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  SplitTokens(line, tokens, line.size() / 2 + 1);
  return tokens;
}

// The next token of a data line from `at` on (blanks, TABs, commas and carriage returns part
// them); false at the line's end. No allocation: the data holds thousands of lines.
bool NextToken(std::string_view line, std::size_t& at, std::string_view& token) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; };
  while (at < line.size() && blank(line[at])) ++at;
  if (at >= line.size()) return false;
  const std::size_t start = at;
  while (at < line.size() && !blank(line[at])) ++at;
  token = line.substr(start, at - start);
  return true;
}

// A count: whole numbers of up to 15 digits directly (exact), anything else as StrictNumber.
std::optional<double> CountOf(std::string_view token) {
  if (token.size() <= 15) {
    double value = 0.0;
    bool digits = true;
    for (char c : token) {
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      value = value * 10.0 + (c - '0');
    }
    if (digits) return value;
  }
  return StrictNumber(token);
}

bool Finite(std::optional<double> value) { return value && std::isfinite(*value); }

std::string AtLine(int line) { return " (line " + std::to_string(line) + ")"; }

// "mm/dd/yyyy hh:mm:ss" as "yyyy-mm-dd hh:mm:ss"; another form is kept as written.
std::string SpeDate(std::string_view line) {
  line = Trimmed(line);
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  const std::string text(line.substr(0, 64));
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &month, &day, &year, &hour, &minute,
                  &second) == 6) {
    const std::string date = format_bytes::DateTimeText(year, month, day, hour, minute, second);
    if (!date.empty()) return date;
  }
  std::string kept;
  for (char c : text) kept += static_cast<unsigned char>(c) < 32 ? ' ' : c;
  return kept;
}

}  // namespace

Outcome ParseSpe(std::string_view bytes, StandardSpectrum& out) {
  SpeLines lines(format_bytes::WithoutBom(bytes));
  bool have_data = false, have_mca_cal = false;
  StoredEnergyCalibration fit;  // $ENER_FIT, used when $MCA_CAL is missing
  std::string_view line;
  while (lines.PeekOrNext(line)) {
    if (!IsSectionLine(line)) continue;
    const std::string_view trimmed = Trimmed(line);
    const std::string_view name = trimmed.substr(0, trimmed.find(':'));
    std::string_view value;

    if (name == "$DATA") {
      if (have_data) return Outcome::Failure("a second $DATA: block" + AtLine(lines.number()));
      if (!lines.NextValueLine(value)) return Outcome::Failure("$DATA: without its channel range");
      const auto range = Tokens(value);
      const auto first = range.size() == 2 ? StrictNumber(range[0]) : std::nullopt;
      const auto last = range.size() == 2 ? StrictNumber(range[1]) : std::nullopt;
      if (!Finite(first) || !Finite(last) || *first < 0 || *last < *first ||
          *first != std::floor(*first) || *last != std::floor(*last) || *last > 4294967295.0) {
        return Outcome::Failure("the channel range of $DATA: is not \"first last\"" +
                                AtLine(lines.number()));
      }
      const auto announced = static_cast<std::size_t>(*last - *first + 1);
      out.first_channel = static_cast<long>(*first);
      // Every count takes at least two bytes: the vector never outgrows the file.
      out.counts.reserve(std::min(announced, bytes.size() / 2 + 1));
      std::string_view data_line, token;
      while (lines.PeekOrNext(data_line)) {
        if (IsSectionLine(data_line)) {
          lines.Hold(data_line);
          break;
        }
        for (std::size_t at = 0; NextToken(data_line, at, token);) {
          const auto count = CountOf(token);
          if (!count) {
            return Outcome::Failure("\"" + std::string(token.substr(0, 20)) + "\" is not a count" +
                                    AtLine(lines.number()));
          }
          if (!(std::fabs(*count) <= kLargestCount)) {
            return Outcome::Failure("a count beyond 1e15" + AtLine(lines.number()));
          }
          if (out.counts.size() == announced) {
            return Outcome::Failure("$DATA: holds more than the " + std::to_string(announced) +
                                    " counts it announces" + AtLine(lines.number()));
          }
          out.counts.push_back(*count);
        }
      }
      if (out.counts.size() != announced) {
        return Outcome::Failure("$DATA: holds " + std::to_string(out.counts.size()) + " of the " +
                                std::to_string(announced) + " counts it announces");
      }
      have_data = true;
    } else if (name == "$MEAS_TIM") {
      if (!lines.NextValueLine(value)) return Outcome::Failure("$MEAS_TIM: without its times");
      const auto times = Tokens(value);
      const auto live = times.size() >= 2 ? StrictNumber(times[0]) : std::nullopt;
      const auto real = times.size() >= 2 ? StrictNumber(times[1]) : std::nullopt;
      if (!Finite(live) || !Finite(real) || *live < 0 || *real < 0) {
        return Outcome::Failure("$MEAS_TIM: is not \"live real\"" + AtLine(lines.number()));
      }
      out.facts.live_time = *live;
      out.facts.real_time = *real;
    } else if (name == "$DATE_MEA") {
      if (lines.NextValueLine(value)) out.facts.start_date = SpeDate(value);
    } else if (name == "$MCA_CAL") {
      std::string_view terms_line, values_line;
      if (!lines.NextValueLine(terms_line) || !lines.NextValueLine(values_line)) {
        return Outcome::Failure("$MCA_CAL: without its coefficients");
      }
      // The number of terms; some writers put a "%" before it.
      std::string_view terms_text = Trimmed(terms_line);
      terms_text = terms_text.substr(0, terms_text.find_first_of(" \t"));
      if (!terms_text.empty() && terms_text[0] == '%') terms_text.remove_prefix(1);
      const auto terms = StrictNumber(terms_text);
      const auto values = Tokens(values_line);
      std::vector<double> c;
      for (std::string_view token : values) {
        const auto number = StrictNumber(token);
        if (!number) break;  // the unit ("keV") follows the numbers
        c.push_back(*number);
      }
      if (!Finite(terms) || *terms < 1 || *terms > 16 ||
          c.size() < static_cast<std::size_t>(*terms)) {
        return Outcome::Failure("$MCA_CAL: is not a number of terms and as many coefficients" +
                                AtLine(lines.number()));
      }
      c.resize(static_cast<std::size_t>(*terms));
      bool higher = false;
      for (std::size_t k = 3; k < c.size(); ++k) higher = higher || c[k] != 0.0;
      if (c.size() >= 2 && !higher) {
        out.facts.calibration = {c.size() >= 3 ? 3 : 2, c[0], c[1], c.size() >= 3 ? c[2] : 0.0};
        if (out.facts.calibration.c2 == 0.0) out.facts.calibration.terms = 2;
      } else if (higher) {
        out.note =
            "The energy calibration of the file has terms beyond the quadratic; it is not used";
      }
      have_mca_cal = true;
    } else if (name == "$ENER_FIT") {
      if (lines.NextValueLine(value)) {
        const auto c = Tokens(value);
        const auto c0 = c.size() >= 2 ? StrictNumber(c[0]) : std::nullopt;
        const auto c1 = c.size() >= 2 ? StrictNumber(c[1]) : std::nullopt;
        if (Finite(c0) && Finite(c1)) fit = {2, *c0, *c1, 0.0};
      }
    }
  }
  if (!have_data) return Outcome::Failure("no $DATA: block");
  if (!have_mca_cal) out.facts.calibration = fit;
  return Outcome::Success();
}

}  // namespace pektra
