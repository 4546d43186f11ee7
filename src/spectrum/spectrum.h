// The spectrum under analysis: counts, errors and abscissa per channel (1..16384), the spectrum
// and interval bounds, the width information and the background degree.
#pragma once

#include <cstdint>
#include <string>

#include "core/one_based.h"

namespace pektra {

inline constexpr int kMaxChannels = 16384;

// Spectrum file types, in the order of the input dialog's options.
enum SpectrumFileType : int {
  kBinary16 = 1,   // unsigned 16-bit words, least significant byte first
  kBinary32 = 2,   // signed 32-bit integers, least significant byte first
  kFreeField = 3,  // ASCII counts in free field format
  kXY = 4,         // ASCII lines of X, Y and an optional error
};

class TSpectrum {
 public:
  // A spectrum with the construction values: 16384 channels, counts 0, errors 1, abscissa i.
  explicit TSpectrum(std::string name = {});

  // Recomputes max_counts and min_counts over [a1, a2].
  void UpdateRange();
  // 1 / errors(i)^2, or 0 when the error is 0. Channels outside 1..16384 weigh 0.
  double Weight(int i) const;
  // errors(i) = sqrt(|0.9 sp(i) + 0.1 (covar sp(i))^2| + 0.1) over [a1, a2], for types 1, 2 and
  // 4; a type 3 spectrum keeps the errors of its reading.
  void ApplyVarianceFormula(double covar);

  std::string file_name;
  int file_type = kBinary32;
  int a1 = 1, a2 = kMaxChannels;  // spectrum beginning and end channel
  int b1 = 1, b2 = kMaxChannels;  // interval beginning and end channel
  double max_counts = 1.0;        // largest count in [a1, a2]
  double min_counts = 0.0;        // min(0, smallest count in [a1, a2])
  int dback = 3;                  // background degree of the interval fit; negative: automatic
  double w1 = 5.0, w2 = 6.0;      // FWHM (channels) at the spectrum beginning and end
  double delta_w = 4.0;           // allowed deviation of the width
  double width_variable = 0.0;    // slope of the width dependence w = w0 + w1 * ch
  double delta_width_v = 0.0;     // its accuracy
  double x_first = 1.0, x_last = kMaxChannels;  // abscissa of channel a1 and of channel a2
  double x_step = 1.0;                          // abscissa units per channel
  double x_scale = 1.0, x_offset = 0.0;         // channel = x_scale * X + x_offset

  OneBasedArray<double> counts;
  OneBasedArray<double> errors;
  OneBasedArray<double> abscissa;

  bool operator==(const TSpectrum&) const = default;
};

// The 32-bit value with its two 16-bit halves exchanged (bytes b0 b1 b2 b3 become b2 b3 b0 b1).
std::uint32_t SwapHalves(std::uint32_t value);

}  // namespace pektra
