#include "calib/calibration_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

#include "calib/calibration.h"
#include "core/text_input.h"

namespace pektra {

namespace {

// Far beyond any channel, energy or coefficient; larger numbers (the reader takes 1e999 as 1e300)
// would only overflow the interpolation.
constexpr double kLargestValue = 1.0e15;

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r'; }

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSeparator(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsSeparator(line[i])) ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

// Bytes that no text file holds: control characters other than TAB, CR, form feed, vertical tab
// and the DOS end-of-file mark.
bool HasControlBytes(std::string_view line) {
  return std::any_of(line.begin(), line.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 && u != '\t' && u != '\r' && u != '\f' && u != '\v' && u != 0x1a;
  });
}

// A heading word such as "Channel" begins a line of text; numbers, also unreadable ones such as
// "1O5" or "nan", begin a line of data.
bool BeginsData(std::string_view token) {
  const char c = token.front();
  if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') return true;
  std::string lower;
  for (const char k : token.substr(0, 9)) lower.push_back(k >= 'A' && k <= 'Z' ? k - 'A' + 'a' : k);
  return lower == "nan" || lower == "inf" || lower == "infinity";
}

// The token as it can be shown in a message: at most 20 characters, unprintable bytes as "?".
std::string Shown(std::string_view token) {
  std::string text;
  for (const char c : token.substr(0, 20)) {
    const auto u = static_cast<unsigned char>(c);
    text.push_back(u >= 0x20 && u < 0x7f ? c : '?');
  }
  if (token.size() > 20) text += "...";
  return text;
}

Outcome LineProblem(int line, const std::string& what) {
  return Outcome::Failure("line " + std::to_string(line) + ": " + what);
}

// The item being gathered: its numbers and the lines they came from.
struct PendingItem {
  std::array<double, 3> values{};
  std::array<int, 3> lines{};
  int filled = 0;
};

// Stores a complete item (missing numbers are 0), or refuses it.
Outcome StoreItem(const PendingItem& pending, CalibrationKind kind,
                  OneBasedArray<CalibrationItem>& items, CalibrationFileItems& read) {
  const CalibrationItem item{pending.values[0], pending.values[1], pending.values[2]};
  if (!IsNonZeroItem(item[0], item[1], item[2])) return Outcome::Success();
  if (kind == CalibrationKind::kEfficiency && !(item[1] > 0.0)) {
    const int line = pending.filled >= 2 ? pending.lines[1] : pending.lines[0];
    return LineProblem(line, "the efficiency coefficient must be greater than 0");
  }
  ++read.in_file;
  // A dropped item displaces nothing: the 60th stays unless a real item replaces it.
  const int capacity = std::min(items.capacity(), kMaxCalibrationItems);
  if (capacity > 0) {
    read.count = std::min(read.count + 1, capacity);
    items[read.count] = item;
  }
  return Outcome::Success();
}

// Takes the numbers (tokens) of one data line into the pending item, storing the item it completes.
// Returns false with the refusal in `read.outcome`.
bool TakeLine(const std::vector<std::string_view>& tokens, int line_number, CalibrationKind kind,
              PendingItem& pending, OneBasedArray<CalibrationItem>& items,
              CalibrationFileItems& read) {
  for (const std::string_view token : tokens) {
    bool ok = true;
    const double value = StrToReal(token, ok);
    if (!ok || !(std::fabs(value) <= kLargestValue)) {
      read.outcome = LineProblem(
          line_number, "\"" + Shown(token) + "\"" + (ok ? " is out of range" : " is not a number"));
      return false;
    }
    pending.values[static_cast<std::size_t>(pending.filled)] = value;
    pending.lines[static_cast<std::size_t>(pending.filled)] = line_number;
    if (++pending.filled == 3) {
      read.outcome = StoreItem(pending, kind, items, read);
      pending = PendingItem{};
      return read.outcome.ok;  // the rest of the line is ignored
    }
  }
  return true;
}

}  // namespace

CalibrationFileItems ReadCalibrationItems(std::istream& in, CalibrationKind kind,
                                          OneBasedArray<CalibrationItem>& items) {
  CalibrationFileItems read;
  PendingItem pending;
  std::string line;
  int line_number = 0;
  while (ReadWholeLine(in, line)) {
    ++line_number;
    if (line.empty() || line.front() == '*') continue;
    if (line.front() == '/') break;
    if (HasControlBytes(line)) {
      read.outcome = LineProblem(line_number, "not a text file");
      return {0, 0, read.outcome};
    }
    const std::string_view data = std::string_view(line).substr(0, line.find('*'));
    const std::vector<std::string_view> tokens = Tokens(data);
    if (tokens.empty() || !BeginsData(tokens.front())) continue;
    if (!TakeLine(tokens, line_number, kind, pending, items, read)) return {0, 0, read.outcome};
  }
  if (pending.filled > 0) {
    read.outcome = StoreItem(pending, kind, items, read);
    if (!read.outcome.ok) return {0, 0, read.outcome};
  }
  return read;
}

std::string DroppedItemsNote(const CalibrationFileItems& read) {
  if (read.in_file <= kMaxCalibrationItems) return {};
  const int dropped = read.in_file - kMaxCalibrationItems;
  return std::to_string(dropped) + " calibration item" + (dropped == 1 ? "" : "s") +
         " dropped: only 60 are kept (items 1 to 59 and the last)";
}

}  // namespace pektra
