// The parts of the analysis state that the search and the marking commands read and change.
#pragma once

#include "calib/calibration.h"
#include "core/debug_log.h"
#include "core/display_settings.h"
#include "core/result_rows.h"
#include "core/view_state.h"
#include "core/work_files.h"
#include "marking/marking_state.h"
#include "marking/peak_search.h"
#include "model/peak_model.h"
#include "numeric/work_arrays.h"
#include "spectrum/spectrum.h"
#include "spectrum/spectrum_settings.h"

namespace pektra {

struct MarkingContext {
  TSpectrum& spectrum;
  WidthLine& width;
  const TPeakModel& peak_model;
  TPeakSearch& peak_search;
  MarkingState& marking;
  EnergyCalibration& enc;  // marking by energies
  EfficiencyCalibration& efc;
  ResultTable& results;  // a marking starts a new block of result rows
  ViewState& view;
  WorkFiles& files;
  NumericWork& work;
  DebugLog* debug_log;  // trace lines in debug mode; may be null
  const DisplaySettings& display;

  Calibrations calibrations() const { return {enc, efc, work}; }
};

}  // namespace pektra
