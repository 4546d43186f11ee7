#include "spectrum/spectrum.h"

#include <cmath>
#include <utility>

#include "core/arithmetic.h"

namespace pektra {

TSpectrum::TSpectrum(std::string name)
    : file_name(std::move(name)),
      counts(kMaxChannels, 0.0),
      errors(kMaxChannels, 1.0),
      abscissa(kMaxChannels, 0.0) {
  for (int i = 1; i <= kMaxChannels; ++i) abscissa[i] = i;
}

void TSpectrum::UpdateRange() {
  // The start values are beyond any real count, so an empty range shows up as an absurd maximum
  // rather than as a plausible one.
  double largest = -1e14;
  double smallest = 1e14;
  const int first = MaxI(a1, 1);
  const int last = MinI(a2, kMaxChannels);
  for (int i = first; i <= last; ++i) {
    largest = MaxD(largest, counts[i]);
    smallest = MinD(smallest, counts[i]);
  }
  max_counts = largest;
  min_counts = MinD(0.0, smallest);
}

double TSpectrum::Weight(int i) const {
  if (!InRange(i, 1, kMaxChannels)) return 0.0;
  const double error = errors[i];
  return error != 0.0 ? 1.0 / (error * error) : 0.0;
}

void TSpectrum::ApplyVarianceFormula(double covar) {
  // A free-field spectrum brings no raw counts whose variance we could model: its errors stay.
  if (file_type != kBinary16 && file_type != kBinary32 && file_type != kXY &&
      file_type != kStandard) {
    return;
  }
  if (file_type == kStandard && facts.errors_from_file) return;
  const int first = MaxI(a1, 1);
  const int last = MinI(a2, kMaxChannels);
  for (int i = first; i <= last; ++i) {
    const double sp = counts[i];
    const double relative = covar * sp;
    // The 0.1 under the root keeps the error of an empty channel small but non-zero.
    errors[i] = std::sqrt(std::fabs(0.9 * sp + 0.1 * relative * relative) + 0.1);
  }
}

bool StoredEnergyCalibration::Usable() const {
  if (terms < 2 || !std::isfinite(c0) || !std::isfinite(c1) || !std::isfinite(c2)) return false;
  if (terms == 2 && c2 != 0.0) return false;
  const bool identity = c0 == 0.0 && c1 == 1.0 && c2 == 0.0;
  // Rising over the whole spectrum, so that every energy has one channel.
  const double last = kMaxChannels - 1;
  return !identity && c1 > 0.0 && c1 + 2.0 * c2 * last > 0.0;
}

double StoredEnergyCalibration::EnergyAt(double channel) const {
  const double i = channel - 1.0;
  return c0 + i * (c1 + i * c2);
}

std::uint32_t SwapHalves(std::uint32_t value) { return (value << 16) | (value >> 16); }

}  // namespace pektra
