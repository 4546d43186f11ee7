// The marking: the marked peaks, the fit intervals around them, the marking data array, the list of
// energies, lines or picked channels, and the settings of the search that made them.
#pragma once

#include "core/analysis_records.h"
#include "core/one_based.h"

namespace pektra {

// Where the marking comes from; the number is the one stored in the init file.
enum class MarkMode : int {
  kAutomatic = 0,
  kMarkingData = 1,
  kEnergies = 2,
  kLines = 3,
  kManual = 4,
};

// The preset search controls: the values at start, and those the "Find the Peaks" dialog falls
// back to when the value in force is erroneous and so is the one typed.
inline constexpr double kPresetWidthBegin = 4.0;     // w1, channels
inline constexpr double kPresetWidthEnd = 6.0;       // w2, channels
inline constexpr double kPresetWidthAccuracy = 3.5;  // delta_w, channels
inline constexpr double kPresetSensitivity = 1.0;
inline constexpr int kPresetMaxInterval = 128;

// Refinement of the marked peaks by the fit: after the fit of an interval, peaks whose area is not
// significant, whose position ran to its limit or that converged onto a neighbour are removed,
// and excesses of the residuals that the fit does not explain become new peaks; channels outside
// every interval are searched the same way against a local background.
struct RefineSettings {
  bool refine = false;          // " Refine the peaks by the fit"
  double accept_sigma = 3.0;    // a peak is kept when area / error(area) reaches this ...
  double lone_sigma = 3.5;      // ... or this when no stronger peak is within 3 FWHM of it
  double merge_fwhm = 0.5;      // peaks closer than this (FWHM) are one peak
  double residual_sigma = 4.0;  // an unexplained excess of this significance becomes a peak

  bool operator==(const RefineSettings&) const = default;
};

struct MarkingState {
  MarkMode mark_mode = MarkMode::kAutomatic;
  double sens = kPresetSensitivity;  // sensitivity of the peak search
  double resol = -1.0;               // resolution of multiplets
  int ndf = 0;                       // 0: the old search algorithm; else the new one
  int max_interval = kPresetMaxInterval;
  double smoothing = 0.5;
  int peak_count = 0;
  OneBasedArray<double> peak_list{kMaxPeaks, 0.0};
  int interval_count = 0;
  OneBasedArray<IntervalRecord> interval_table{kMaxPeaks, IntervalRecord{}};
  int marking_length = 0;
  OneBasedArray<double> marking_data{kMaxMarkingData, 0.0};
  int mark_list_count = 0;
  OneBasedArray<double> mark_list{kMaxMarkList, 0.0};
  double k_width = 2.0, ad_interv = 3.0;  // interval length = 2 k_width width + ad_interv
  bool width_exact = true;  // the widths found by the last search agree with the width line
  RefineSettings refinement;

  bool operator==(const MarkingState&) const = default;
};

}  // namespace pektra
