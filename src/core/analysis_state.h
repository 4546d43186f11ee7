// The analysis state: every variable that the menu commands share, with its default. One value of
// AnalysisState is created at start and passed by reference to every operation; tests build a
// fresh one each.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/debug_log.h"
#include "core/display_settings.h"
#include "core/one_based.h"
#include "marking/peak_search.h"
#include "model/peak_model.h"
#include "numeric/least_squares.h"
#include "numeric/work_arrays.h"
#include "spectrum/spectrum.h"

namespace pektra {

inline constexpr int kMaxPeaks = 1000;  // peak_list, interval_table
// marking_data: room for the old search's 300 peaks, each in an interval of its own; marking
// data read from a file or typed in the editor keep at most kMaxMarkingInput values.
inline constexpr int kMaxMarkingData = 1000;
inline constexpr int kMaxMarkingInput = 200;
inline constexpr int kMaxMarkList = 300;         // mark_list
inline constexpr int kMaxNames = 200;            // name_list
inline constexpr int kResultCapacity = 1000;     // result rows
inline constexpr int kMaxCalibrationItems = 60;  // enc_points, efc_points
inline constexpr int kMaxFitPeaks = 50;          // peaks fitted in one interval
inline constexpr int kResultValues = 8;          // values of one result row

// A marked interval: bounds and the indices of its first and last peak in peak_list.
struct IntervalRecord {
  int left = 0, right = 0, first_peak = 0, last_peak = 0;
  bool operator==(const IntervalRecord&) const = default;
};

// One peak's result: channel, channel error, area, area error, width, width error, significance
// criterion C = (T - B) / sqrt(|T| + |B| + 1) and background B under the peak.
using ResultRow = std::array<double, kResultValues>;

// A calibration item: (channel, energy, error) for energy, (energy, coefficient, error) for
// efficiency.
using CalibrationItem = std::array<double, 3>;

struct AnalysisState {
  AnalysisState();

  // Gives every variable its default, in the order the start-up sequence uses. The work folder and
  // the display settings are not touched (they are set before, at start).
  void SetDefaults();

  // Files and folders.
  std::string work_dir;
  std::string ini_path;
  std::string spectrum_dir;
  std::string enc_file, efc_file;
  std::string mark_file;
  std::string name_list_file;
  int name_count = 0;
  std::vector<std::string> name_list;  // up to 200 names

  // Spectrum, interval and widths.
  TSpectrum spectrum;
  int interval_begin = 1, interval_end = 4096;
  int interval_length = 4096;
  int ini_b1 = 0, ini_b2 = 0;
  double width_slope = 0.0, width_offset = 0.0;  // w = width_slope * ch + width_offset
  bool skip_header = false, reverse_bytes = false;
  bool start_at_a1 = true;
  int compression_factor = 2;

  // Blunder correction and statistics.
  double covar = 0.01;
  double small_stat = 20.0;
  double order = 10.0;
  double chibc = 1.25;

  // Marking.
  int mark_mode = 0;  // 0 automatic, 1 marking data, 2 energies, 3 lines, 4 manual
  double sens = 1.0;
  double resol = -1.0;
  int ndf = 0;
  int max_interval = 128;
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

  // Fitting.
  int niter = 7;
  double step = 0.99;
  double damper = 0.01;
  double delta_pos = 5.0;
  int width_by_channel = 0;
  int current_interval = 1;
  int fit_first = 0, fit_last = 0, fit_peaks = 0;
  double fit_width = 0.0;
  double pos_factor = 1.0, amp_factor = 1.0;
  int fit_bg_degree = 0;  // background degree of the last interval fit
  double fit_max_count = 0.0, fit_min_count = 0.0;
  std::vector<double> fit_components;  // background, total, then each peak's term

  // Results.
  OneBasedArray<ResultRow> result_rows{kResultCapacity, ResultRow{}};
  int result_count = 0;
  int result_offset = 0;
  bool results_unsaved = false;
  double norm_coefficient = 1.0;
  bool norm_by_coefficient =
      true;                 // false: normalised to the peak nearest channel norm_coefficient
  bool lim_format = false;  // the " LIM format for res-file" option of the last save

  // Calibrations.
  OneBasedArray<CalibrationItem> enc_points{kMaxCalibrationItems, CalibrationItem{}};
  int enc_count = 0, enc_mode = 0;
  bool enc_present = false;
  double enc_first_channel = 1.0, enc_last_channel = 4096.0;
  double enc_intercept = 0.0, enc_slope = 1.0;  // energy = intercept + slope * ScaledChannel
  // Energy items being read from the screen or a file, before they are sorted and stored.
  OneBasedArray<CalibrationItem> enc_entry_points{kMaxCalibrationItems, CalibrationItem{}};
  OneBasedArray<CalibrationItem> efc_points{kMaxCalibrationItems, CalibrationItem{}};
  int efc_count = 0, efc_mode = 0;
  bool efc_present = false;

  // User interface and flow.
  DisplaySettings display;  // screen_scale, font_size, rus_help, settings_title
  int scale_mode = 1;       // 1 Normal, 2 SQRT, 3 LN, 4 Trimmed
  double trim_coefficient = 0.5;
  int graph_mode = 0;  // 0 nothing, 1 spectrum or cadre, 2 fit display, 3 interval, 13 click
  int cadre_mode = 0;
  int dialog_ok = 1;
  std::array<std::string, 2> status_text;
  bool debug_mode = false;

  // The analysis objects besides the spectrum: the peak model (Gauss at start), the peak search
  // and the least-squares fitter (for up to 2 * max_fit_peaks + 6 parameters).
  TPeakModel peak_model;
  TPeakSearch peak_search;
  TParameter fitter{2 * kMaxFitPeaks + 6, 1};
  bool width_exact = true;  // the widths found by the last search agree with the width line

  // Work arrays of the numeric routines and the random generator's states.
  NumericWork work;
  RandomState random;

  // The debug log "a.res"; kept in memory until start-up opens the file.
  // Shared, so that a copy of the state (a snapshot in a test) writes to the same log.
  std::shared_ptr<DebugLog> debug_log = std::make_shared<DebugLog>();
};

}  // namespace pektra
