// Settings that go with the spectrum: the input options and bounds, the width line and the
// settings of the commands that change counts.
#pragma once

#include <optional>
#include <string>

namespace pektra {

// The answers of the spectrum input dialog: the file type (1..5) and the reading options.
struct InputAnswers {
  int file_type = 3;
  bool skip_header = false, reverse_bytes = false, restore_bounds = true, start_at_a1 = true;

  bool operator==(const InputAnswers&) const = default;
};

// The spectrum-input options and the bounds the init file gave.
struct SpectrumInput {
  bool skip_header = false, reverse_bytes = false;  // binary files
  bool start_at_a1 = true;                          // X,Y files are stored from a1
  int ini_b1 = 0, ini_b2 = 0;                       // interval bounds as the init file gave them
  std::string spectrum_dir;                         // first folder of the spectrum file dialog
  // What the spectrum read in last was read with, so that it can be read again alike.
  std::optional<InputAnswers> last_answers;
  // Answers given beforehand for the next input (a recent spectrum read again): its dialog is
  // not shown then. The next input takes them, read or not.
  std::optional<InputAnswers> preset_answers;

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
