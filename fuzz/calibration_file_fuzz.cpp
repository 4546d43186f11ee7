// Feeds raw bytes to the calibration file reader, writes the items and reads them back, and runs an
// accepted energy calibration (both modes) and the efficiency calibration through ConvertPeak.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
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

std::vector<CalibrationItem> ReadBack(const std::string& text) {
  std::istringstream in(text);
  OneBasedArray<CalibrationItem> back(kMaxCalibrationItems, CalibrationItem{});
  const int n = ReadCalibrationItems(in, back);
  const auto stored = back.range(1, n);
  return {stored.begin(), stored.end()};
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
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const int n = ReadCalibrationItems(in, items);
  Check(n >= 0 && n <= kMaxCalibrationItems);
  for (int i = 1; i <= n; ++i) {
    for (const double v : items[i]) Check(std::isfinite(v));
    Check(IsNonZeroItem(items[i][0], items[i][1], items[i][2]));
  }
  SortCalibrationItems(items, n);
  for (int i = 2; i <= n; ++i) Check(items[i - 1][0] <= items[i][0]);

  // Both file layouts read back as what was written.
  for (const CalibrationKind kind : {CalibrationKind::kEnergy, CalibrationKind::kEfficiency}) {
    std::ostringstream out;
    WriteCalibrationFile(out, kind, items, n);
    const bool energy = kind == CalibrationKind::kEnergy;
    Check(ReadBack(out.str()) == AfterWriting(items, n, 2, energy ? 2 : 7, energy ? 2 : 7));
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
