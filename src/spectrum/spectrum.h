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
  kStandard = 5,   // a standard format, recognised from the content (see standard_formats.h)
};

// An energy calibration as a spectrum file stores it: E = c0 + c1 i + c2 i^2 keV, i the file's
// 0-based channel number (the channel of this program minus 1).
struct StoredEnergyCalibration {
  int terms = 0;  // 0: none stored, 2: linear, 3: quadratic
  double c0 = 0.0, c1 = 0.0, c2 = 0.0;

  // A calibration worth offering: stored, finite, rising, and not the identity E = i that
  // analysers write when none was made.
  bool Usable() const;
  double EnergyAt(double channel) const;  // at this program's channel (1-based)
  bool operator==(const StoredEnergyCalibration&) const = default;
};

// What a standard spectrum file tells besides the counts; unknown values are 0 or empty. The
// other types know none of it.
struct SpectrumFileFacts {
  double live_time = 0.0, real_time = 0.0;  // seconds
  std::string start_date;                   // "2002-11-07 18:30:00", or as the file wrote it
  StoredEnergyCalibration calibration;
  bool errors_from_file = false;  // the file gave the errors: the variance formula keeps them

  bool operator==(const SpectrumFileFacts&) const = default;
};

class TSpectrum {
 public:
  // A spectrum with the construction values: 16384 channels, counts 0, errors 1, abscissa i.
  explicit TSpectrum(std::string name = {});

  // Recomputes max_counts and min_counts over [a1, a2].
  void UpdateRange();
  // 1 / errors(i)^2, or 0 when the error is 0. Channels outside 1..16384 weigh 0.
  double Weight(int i) const;
  // errors(i) = sqrt(|0.9 sp(i) + 0.1 (covar sp(i))^2| + 0.1) over [a1, a2], for types 1, 2, 4
  // and 5; a type 3 spectrum, and a type 5 one whose file gave errors, keeps the errors read.
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
  SpectrumFileFacts facts;

  bool operator==(const TSpectrum&) const = default;
};

// The 32-bit value with its two 16-bit halves exchanged (bytes b0 b1 b2 b3 become b2 b3 b0 b1).
std::uint32_t SwapHalves(std::uint32_t value);

}  // namespace pektra
