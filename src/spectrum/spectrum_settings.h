// Settings that go with the spectrum: the input options and bounds, the width line and the
// settings of the commands that change counts.
#pragma once

#include <string>

namespace pektra {

// The spectrum-input options and the bounds the init file gave.
struct SpectrumInput {
  bool skip_header = false, reverse_bytes = false;  // binary files
  bool start_at_a1 = true;                          // X,Y files are stored from a1
  int ini_b1 = 0, ini_b2 = 0;                       // interval bounds as the init file gave them
  std::string spectrum_dir;                         // first folder of the spectrum file dialog

  bool operator==(const SpectrumInput&) const = default;
};

// The width line: FWHM (channels) w(ch) = width_slope * ch + width_offset.
struct WidthLine {
  double width_slope = 0.0, width_offset = 0.0;

  double At(double channel) const { return width_slope * channel + width_offset; }
  bool operator==(const WidthLine&) const = default;
};

// Blunder correction, count statistics and compression.
struct ProcessingSettings {
  double covar = 0.01;       // coefficient of the variance formula
  double small_stat = 20.0;  // level below which the count statistics is small
  double order = 10.0;       // "Order for blunders"
  double chibc = 1.25;       // "Chi2 for blunders"
  int compression_factor = 2;

  bool operator==(const ProcessingSettings&) const = default;
};

}  // namespace pektra
