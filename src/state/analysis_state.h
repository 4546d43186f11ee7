// The analysis state: every variable that the menu commands share, with its default, in one value
// created at start and passed by reference to the commands; tests build a fresh one each. The
// variables are grouped by the subsystem that owns them; a subsystem's functions get the groups
// they need, never the whole state.
#pragma once

#include <memory>

#include "calib/calibration_state.h"
#include "core/analysis_records.h"
#include "core/debug_log.h"
#include "core/display_settings.h"
#include "core/result_rows.h"
#include "core/view_state.h"
#include "core/work_files.h"
#include "fit/fit_state.h"
#include "marking/marking_state.h"
#include "marking/peak_search.h"
#include "model/peak_model.h"
#include "numeric/least_squares.h"
#include "numeric/work_arrays.h"
#include "spectrum/spectrum.h"
#include "spectrum/spectrum_settings.h"
#include "spectrum/spectrum_undo.h"

namespace pektra {

struct AnalysisState {
  AnalysisState();

  // Gives every variable its default, in the order the start-up sequence uses. The work folder and
  // the display settings are not touched (they are set before, at start).
  void SetDefaults();

  WorkFiles files;  // work folder, file names, the spectrum name list

  TSpectrum spectrum;
  SpectrumInput input;  // input options and the init file's bounds
  WidthLine width;
  ProcessingSettings processing;  // blunder correction, statistics, compression
  // The spectrum before each of the last commands that changed it, for Undo. Not a setting:
  // SetDefaults leaves it alone.
  SpectrumUndo undo;

  MarkingState marking;
  FitState fit;
  ResultTable results;
  EnergyCalibration enc;
  EfficiencyCalibration efc;

  DisplaySettings display;  // screen_scale, font_size, rus_help, settings_title
  ViewState view;           // the window shown, graph mode, dialog answer, status text

  // The analysis objects besides the spectrum: the peak model (Gauss at start), the peak search
  // and the least-squares fitter (for up to 2 * max_fit_peaks + 6 parameters).
  TPeakModel peak_model;
  TPeakSearch peak_search;
  TParameter fitter{2 * kMaxFitPeaks + 6, 1};

  // Work arrays of the numeric routines and the random generator's states.
  NumericWork work;
  RandomState random;

  // The debug log "a.res"; kept in memory until start-up opens the file.
  // Shared, so that a copy of the state (a snapshot in a test) writes to the same log.
  std::shared_ptr<DebugLog> debug_log = std::make_shared<DebugLog>();
};

}  // namespace pektra
