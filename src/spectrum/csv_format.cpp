// Two or three columns separated by commas: channel or energy, counts, and an optional error;
// one header line may come first. Fields may be quoted.
#include <cmath>
#include <string>
#include <vector>

#include "core/number_format.h"
#include "core/text_input.h"
#include "spectrum/format_bytes.h"
#include "spectrum/standard_formats.h"

namespace pektra {
namespace {

using format_bytes::kLargestCount;
using format_bytes::Trimmed;

// The fields of one line: split at commas (or, in a line without one, at semicolons, TABs or
// blanks), each without blanks and surrounding quotes. At most four are kept: more is an error.
int Fields(std::string_view line, std::string_view (&fields)[4]) {
  const bool commas = line.find(',') != std::string_view::npos;
  const bool semicolons = !commas && line.find(';') != std::string_view::npos;
  int n = 0;
  std::size_t at = 0;
  while (true) {
    std::size_t end = std::string_view::npos;
    if (commas)
      end = line.find(',', at);
    else if (semicolons)
      end = line.find(';', at);
    else {
      at = line.find_first_not_of(" \t\r", at);
      if (at == std::string_view::npos) break;
      end = line.find_first_of(" \t\r", at);
    }
    std::string_view field =
        Trimmed(line.substr(at, end == std::string_view::npos ? end : end - at));
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
      field = Trimmed(field.substr(1, field.size() - 2));
    }
    if (n == 4) return 5;
    fields[n++] = field;
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return n;
}

std::string AtLine(int line) { return " (line " + std::to_string(line) + ")"; }

std::string Shown(std::string_view field) { return "\"" + std::string(field.substr(0, 20)) + "\""; }

// E = c0 + c1 i + c2 i^2 through the energies of the rows (i the row's index), when every row
// lies on it within the precision energies are usually written with.
StoredEnergyCalibration CalibrationOf(const std::vector<double>& energies) {
  const std::size_t n = energies.size();
  if (n < 2) return {};
  const double last = static_cast<double>(n - 1);
  StoredEnergyCalibration cal;
  if (n == 2) {
    cal = {2, energies[0], energies[1] - energies[0], 0.0};
  } else {
    const std::size_t m = n / 2;
    const double x1 = static_cast<double>(m), y0 = energies[0], y1 = energies[m],
                 y2 = energies[n - 1];
    // Newton's divided differences through (0, y0), (x1, y1), (last, y2).
    const double d01 = (y1 - y0) / x1, d12 = (y2 - y1) / (last - x1);
    const double c2 = (d12 - d01) / last;
    cal = {3, y0, d01 - c2 * x1, c2};
  }
  const double range = std::fabs(energies[n - 1] - energies[0]);
  for (std::size_t k = 0; k < n; ++k) {
    const double i = static_cast<double>(k);
    const double expected = cal.c0 + i * (cal.c1 + i * cal.c2);
    if (std::fabs(expected - energies[k]) > 1e-3 + 1e-6 * std::fabs(energies[k])) return {};
  }
  if (std::fabs(cal.c2) * last * last <= 1e-9 * range) {
    cal.c2 = 0.0;
    cal.terms = 2;
  }
  return cal;
}

}  // namespace

Outcome ParseCsv(std::string_view bytes, StandardSpectrum& out) {
  if (!format_bytes::LooksLikeText(bytes)) return Outcome::Failure("not a text file");
  TextLines lines(format_bytes::WithoutBom(bytes));
  std::vector<double> xs;
  std::string_view line;
  int number = 0, columns = 0;
  bool first_line = true;
  std::string_view fields[4];
  while (lines.NextLine(line)) {
    ++number;
    if (Trimmed(line).empty()) continue;
    const int n = Fields(line, fields);
    const auto x = n >= 1 ? StrictNumber(fields[0]) : std::nullopt;
    if (first_line && !x) {  // the header line
      first_line = false;
      continue;
    }
    first_line = false;
    if (n < 2 || n > 3 || (columns != 0 && n != columns)) {
      return Outcome::Failure("the line holds " + std::to_string(n) + " fields, not " +
                              (columns == 0 ? std::string("2 or 3") : std::to_string(columns)) +
                              AtLine(number));
    }
    columns = n;
    const auto count = StrictNumber(fields[1]);
    if (!x || !std::isfinite(*x)) {
      return Outcome::Failure(Shown(fields[0]) + " is not a channel or an energy" + AtLine(number));
    }
    if (!count) return Outcome::Failure(Shown(fields[1]) + " is not a count" + AtLine(number));
    if (!(std::fabs(*count) <= kLargestCount)) {
      return Outcome::Failure("a count beyond 1e15" + AtLine(number));
    }
    if (n == 3) {
      const auto error = StrictNumber(fields[2]);
      if (!error || !std::isfinite(*error) || *error < 0) {
        return Outcome::Failure(Shown(fields[2]) + " is not an error" + AtLine(number));
      }
      out.errors.push_back(*error);
    }
    if (!xs.empty() && !(*x > xs.back())) {
      return Outcome::Failure("the first column does not rise" + AtLine(number));
    }
    xs.push_back(*x);
    out.counts.push_back(*count);
  }
  if (xs.empty()) return Outcome::Failure("no line of channel (or energy) and counts");

  bool channels = true;
  for (double x : xs) channels = channels && x == std::floor(x);
  if (channels) {
    for (std::size_t k = 1; k < xs.size(); ++k) {
      if (xs[k] != xs[k - 1] + 1) {
        return Outcome::Failure("channel " + FormatShortest(xs[k]) + " does not follow " +
                                FormatShortest(xs[k - 1]));
      }
    }
    if (xs[0] < 0 || xs[0] >= kMaxChannels) {
      return Outcome::Failure("the first channel " + FormatShortest(xs[0]) +
                              " is not one of 0..16383");
    }
    out.first_channel = static_cast<long>(xs[0]);
  } else {
    out.facts.calibration = CalibrationOf(xs);
    if (out.facts.calibration.terms == 0) {
      out.note = "The energies of the file follow no quadratic in the channel; they are not used";
    }
  }
  return Outcome::Success();
}

}  // namespace pektra
