#include "calib/calibration.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/arithmetic.h"
#include "core/user_interface.h"
#include "numeric/interpolation.h"

namespace pektra {

namespace {

constexpr const char* kCountMessage = "Error, number of peaks ";

int ItemCount(int n) { return std::clamp(n, 0, kMaxCalibrationItems); }

// The energy calibration can be evaluated: at least two items, and in linear mode a line scaled
// between two different channels. Anything else is treated as no energy calibration.
bool EnergyCalibrationUsable(const EnergyCalibration& enc) {
  if (!enc.enc_present || ItemCount(enc.enc_count) < 2) return false;
  if (enc.enc_mode == kEnergyQuadratic) return enc.enc_quadratic.Usable();
  return enc.enc_mode != kEnergyLinear || enc.enc_last_channel != enc.enc_first_channel;
}

// Puts column `ordinate` of items 1..n into work_table as ordinates and column `abscissa` as
// abscissas.
void FillTable(NumericWork& work, const OneBasedArray<CalibrationItem>& items, int n,
               std::size_t ordinate, std::size_t abscissa) {
  for (int i = 1; i <= n; ++i) {
    work.work_table[i] = items[i][ordinate];
    work.work_table[n + i] = items[i][abscissa];
  }
}

}  // namespace

double ScaledChannel(const EnergyCalibration& enc, double x) {
  const double a = enc.enc_first_channel;
  const double b = enc.enc_last_channel;
  if (!(b != a)) return 0.0;
  return kScaleConstant * (2.0 * x - a - b) / (b - a);
}

double LinearEnergy(const EnergyCalibration& enc, double x) {
  return enc.enc_slope * ScaledChannel(enc, x) + enc.enc_intercept;
}

double EnergyToChannel(const Calibrations& cal, double energy) {
  const int n = ItemCount(cal.enc.enc_count);
  if (cal.enc.enc_mode == kEnergyQuadratic) {
    const StoredEnergyCalibration& q = cal.enc.enc_quadratic;
    if (!q.Usable()) return energy;
    // The root of c2 i^2 + c1 i + c0 - E = 0 on the rising branch, in the form that does not
    // cancel when c2 is small.
    const double d = energy - q.c0;
    const double root = q.c1 * q.c1 + 4.0 * q.c2 * d;
    if (root < 0.0) return energy;
    return 2.0 * d / (q.c1 + std::sqrt(root)) + 1.0;
  }
  if (cal.enc.enc_mode == kEnergyLinear) {
    const double a = cal.enc.enc_first_channel;
    const double b = cal.enc.enc_last_channel;
    if (!(b != a) || !(cal.enc.enc_slope != 0.0)) return energy;
    return ((energy - cal.enc.enc_intercept) * (b - a) / (kScaleConstant * cal.enc.enc_slope) + a +
            b) /
           2.0;
  }
  if (n < 2) return energy;
  FillTable(cal.work, cal.enc.enc_points, n, 0, 1);  // channels over energies
  return InterpolateTable(cal.work.work_table, n, energy);
}

ConvertedPeak ConvertPeak(const Calibrations& cal, double channel, double channel_error,
                          double area, double area_error) {
  ConvertedPeak peak{channel, channel_error, area, area_error};
  NumericWork& work = cal.work;

  if (EnergyCalibrationUsable(cal.enc)) {
    const int n = ItemCount(cal.enc.enc_count);
    FillTable(work, cal.enc.enc_points, n, 1, 0);  // energies over channels
    double e2;
    if (cal.enc.enc_mode == kEnergyQuadratic) {
      peak.energy = cal.enc.enc_quadratic.EnergyAt(channel);
      e2 = cal.enc.enc_quadratic.EnergyAt(channel + channel_error);
    } else if (cal.enc.enc_mode != kEnergyLinear) {
      peak.energy = InterpolateTable(work.work_table, n, channel);
      e2 = InterpolateTable(work.work_table, n, channel + channel_error);
    } else {
      peak.energy = LinearEnergy(cal.enc, channel);
      e2 = LinearEnergy(cal.enc, channel + channel_error);
    }
    const double carried = std::fabs(e2 - peak.energy);
    // The calibration's own error at this channel, interpolated in both modes.
    for (int i = 1; i <= n; ++i) work.work_table[i] = cal.enc.enc_points[i][2];
    const double own = InterpolateTable(work.work_table, n, channel);
    peak.energy_error = std::sqrt(own * own + carried * carried);
  }

  const int m = ItemCount(cal.efc.efc_count);
  if (cal.efc.efc_present && m >= 1) {
    FillTable(work, cal.efc.efc_points, m, 1, 0);  // coefficients over energies
    const double k = InterpolateTable(work.work_table, m, peak.energy);
    if (k != 0.0) {
      peak.intensity = area / k;
      peak.intensity_error = area_error / k;
    }
  }
  return peak;
}

double FitEnergyLine(const Calibrations& cal) {
  const int n = ItemCount(cal.enc.enc_count);
  if (n < 1) return 0.0;
  const OneBasedArray<CalibrationItem>& items = cal.enc.enc_points;
  cal.enc.enc_first_channel = items[1][0];
  cal.enc.enc_last_channel = items[n][0];

  double mean_error = 0.0;
  for (int i = 1; i <= n; ++i) mean_error += items[i][2];
  const double floor = MaxD(0.01, mean_error / n);

  auto weight = [&](int i) {
    const double w = 1.0 / MaxD(floor, items[i][2]);
    return w * w;
  };
  double sw = 0.0, st = 0.0, stt = 0.0, sy = 0.0, sty = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double w = weight(i);
    const double t = ScaledChannel(cal.enc, items[i][0]);
    const double e = items[i][1];
    sw += w;
    st += w * t;
    stt += w * t * t;
    sy += w * e;
    sty += w * t * e;
  }
  const double d = MaxD(sw * stt - st * st, 1.0e-6);
  cal.enc.enc_intercept = (stt * sy - st * sty) / d;
  cal.enc.enc_slope = (sw * sty - st * sy) / d;

  double chi_square = 0.0;
  for (int i = 1; i <= n; ++i) {
    // ConvertPeak may refill work_table, never the items: read them afresh each time.
    const double channel = cal.enc.enc_points[i][0];
    const double residual =
        cal.enc.enc_points[i][1] - ConvertPeak(cal, channel, 0.0, 0.0, 0.0).energy;
    chi_square += weight(i) * residual * residual;
  }
  return chi_square;
}

void SortCalibrationItems(OneBasedArray<CalibrationItem>& items, int n) {
  n = std::clamp(n, 0, items.capacity());
  // Bubble sort: only a strictly greater first value moves down, so equal channels keep their
  // order, and a NaN (never greater) cannot upset the loop.
  for (int last = n; last > 1; --last) {
    bool exchanged = false;
    for (int i = 1; i < last; ++i) {
      if (items[i][0] > items[i + 1][0]) {
        std::swap(items[i], items[i + 1]);
        exchanged = true;
      }
    }
    if (!exchanged) break;
  }
}

bool IsNonZeroItem(double p, double q, double r) { return p + q + r != 0.0; }

bool CheckItemCount(EnergyCalibration& enc, UserInterface& ui, int n) {
  if (n >= 2 && n <= kMaxCalibrationItems) return false;
  ui.ShowNote(std::string(kCountMessage) + (n > kMaxCalibrationItems ? "> 60" : "< 2"));
  enc.enc_present = false;
  return true;
}

std::string EnergyItemsProblem(const OneBasedArray<CalibrationItem>& items, int n, int mode) {
  if (n > kMaxCalibrationItems) return std::string(kCountMessage) + "> 60";
  if (n < 2) return std::string(kCountMessage) + "< 2";
  if (mode == kEnergyLinear && !(items[n][0] != items[1][0]))
    return std::string(kCountMessage) + "< 2";
  return {};
}

bool CheckEnergyItems(EnergyCalibration& enc, UserInterface& ui,
                      const OneBasedArray<CalibrationItem>& items, int n, int mode) {
  const std::string problem = EnergyItemsProblem(items, n, mode);
  if (problem.empty()) return false;
  ui.ShowNote(problem);
  enc.enc_present = false;
  return true;
}

}  // namespace pektra
