// Feeds raw bytes to the calibration file reader (as energy and as efficiency items), writes the
// items and reads them back, and runs an accepted energy calibration (both modes) and the
// efficiency calibration through ConvertPeak.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "calib/calibration.h"
#include "calib/calibration_commands.h"
#include "core/text_input.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// What a value written with `decimals` decimals reads back as.
double Rounded(double x, int decimals) {
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
  Check(result.ec == std::errc());
  bool ok = true;
  return StrToReal(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)), ok);
}

// The items as they come back from a text with the given decimals per column: rounded, and
// dropped when the rounded numbers add up to 0.
std::vector<CalibrationItem> AfterWriting(const OneBasedArray<CalibrationItem>& items, int n,
                                          int d0, int d1, int d2) {
  std::vector<CalibrationItem> expected;
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem item{Rounded(items[i][0], d0), Rounded(items[i][1], d1),
                               Rounded(items[i][2], d2)};
    if (IsNonZeroItem(item[0], item[1], item[2])) expected.push_back(item);
  }
  return expected;
}

// The items read back, or nullopt when the reader refused the text.
std::optional<std::vector<CalibrationItem>> ReadBack(const std::string& text,
                                                     CalibrationKind kind) {
  std::istringstream in(text);
  OneBasedArray<CalibrationItem> back(kMaxCalibrationItems, CalibrationItem{});
  const CalibrationFileItems read = ReadCalibrationItems(in, kind, back);
  if (!read.outcome.ok) return std::nullopt;
  const auto stored = back.range(1, read.count);
  return std::vector<CalibrationItem>(stored.begin(), stored.end());
}

// What reading back should give: the items, or a refusal when an efficiency file would hold a
// coefficient that is not above 0.
std::optional<std::vector<CalibrationItem>> Expected(std::vector<CalibrationItem> items,
                                                     CalibrationKind kind) {
  if (kind == CalibrationKind::kEfficiency) {
    for (const CalibrationItem& item : items) {
      if (!(item[1] > 0.0)) return std::nullopt;
    }
  }
  return items;
}

// The reader's own checks on what it accepts from any bytes.
int ReadRaw(const std::string& bytes, CalibrationKind kind, OneBasedArray<CalibrationItem>& items) {
  std::istringstream in(bytes);
  const CalibrationFileItems read = ReadCalibrationItems(in, kind, items);
  const int n = read.count;
  Check(n >= 0 && n <= kMaxCalibrationItems && n <= read.in_file);
  Check(read.outcome.ok || (n == 0 && !read.outcome.message.empty()));
  for (int i = 1; i <= n; ++i) {
    for (const double v : items[i]) Check(std::isfinite(v) && std::fabs(v) <= 1.0e15);
    Check(IsNonZeroItem(items[i][0], items[i][1], items[i][2]));
    if (kind == CalibrationKind::kEfficiency) Check(items[i][1] > 0.0);
  }
  return n;
}

// Values a detector and its calibration can have: channels and keV well inside 1e6, no
// denormal-sized spacings. Outside this range the conversion may overflow to infinities, but it
// must not crash.
bool Physical(const OneBasedArray<CalibrationItem>& items, int n) {
  for (int i = 1; i <= n; ++i) {
    for (const double v : items[i]) {
      if (std::fabs(v) > 1.0e6 || (v != 0.0 && std::fabs(v) < 1.0e-6)) return false;
    }
  }
  return true;
}

void CheckPeak(const ConvertedPeak& peak, bool physical) {
  if (!physical) return;
  Check(!std::isnan(peak.energy) && !std::isnan(peak.energy_error));
  Check(!std::isnan(peak.intensity) && !std::isnan(peak.intensity_error));
}

void CheckPicture(const Picture& picture) {
  for (const DrawOp& op : picture.ops) {
    if (const auto* line = std::get_if<Polyline>(&op)) {
      for (const double x : line->xs) Check(std::isfinite(x));
      for (const double y : line->ys) Check(std::isfinite(y));
    } else if (const auto* pixel = std::get_if<Pixel>(&op)) {
      Check(std::isfinite(pixel->x) && std::isfinite(pixel->y));
    }
  }
}

AnalysisState& State() {
  static AnalysisState state;
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  ReadRaw(bytes, CalibrationKind::kEfficiency, items);
  const int n = ReadRaw(bytes, CalibrationKind::kEnergy, items);
  SortCalibrationItems(items, n);
  for (int i = 2; i <= n; ++i) Check(items[i - 1][0] <= items[i][0]);

  // Both file layouts read back as what was written.
  for (const CalibrationKind kind : {CalibrationKind::kEnergy, CalibrationKind::kEfficiency}) {
    std::ostringstream out;
    WriteCalibrationFile(out, kind, items, n);
    const bool energy = kind == CalibrationKind::kEnergy;
    Check(ReadBack(out.str(), kind) ==
          Expected(AfterWriting(items, n, 2, energy ? 2 : 7, energy ? 2 : 7), kind));
  }

  const bool physical = Physical(items, n);
  AnalysisState& state = State();
  state.efc.efc_present = false;
  for (const int mode : {0, 1}) {
    state.enc.enc_present = false;
    if (!EnergyItemsProblem(items, n, mode).empty()) continue;
    InstallEnergyCalibration(CalibrationsOf(state), items, n, mode);
    Check(state.enc.enc_present && state.enc.enc_count == n);
    for (int i = 1; i <= n; ++i) {
      const double channel = state.enc.enc_points[i][0];
      CheckPeak(ConvertPeak(CalibrationsOf(state), channel, 0.5, 1000.0, 30.0), physical);
      CheckPeak(ConvertPeak(CalibrationsOf(state), channel + 0.25, 0.0, 1000.0, 30.0), physical);
      if (physical)
        Check(!std::isnan(EnergyToChannel(CalibrationsOf(state), state.enc.enc_points[i][1])));
    }
    CheckPicture(EnergyCalibrationPicture(CalibrationsOf(state)));

    // The checking memo reads back as it shows the items.
    const TypedItems typed = ReadTypedItems(EnergyItemsMemo(state.enc));
    const std::vector<CalibrationItem> expected = AfterWriting(state.enc.enc_points, n, 2, 2, 2);
    Check(typed.count == static_cast<int>(expected.size()));
    for (int i = 1; i <= typed.stored(); ++i) {
      Check(typed.items[i] == expected[static_cast<std::size_t>(i - 1)]);
    }
  }

  if (n >= 1) {
    InstallEfficiencyCalibration(state.efc, items, n);
    for (int i = 1; i <= n; ++i) {
      CheckPeak(ConvertPeak(CalibrationsOf(state), items[i][0], 0.5, 1000.0, 30.0), physical);
    }
  }
  return 0;
}
