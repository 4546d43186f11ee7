// The parts of the analysis state that the result table's display and the summary file read and
// change.
#pragma once

#include "calib/calibration.h"
#include "core/debug_log.h"
#include "core/display_settings.h"
#include "core/result_rows.h"
#include "core/view_state.h"
#include "core/work_files.h"
#include "marking/marking_state.h"
#include "model/peak_model.h"
#include "spectrum/spectrum.h"

namespace pektra {

struct ReportContext {
  const TSpectrum& spectrum;
  const TPeakModel& peak_model;
  const MarkingState& marking;  // the search settings written into the summary
  ResultTable& results;
  EnergyCalibration& enc;
  EfficiencyCalibration& efc;
  NumericWork& work;
  ViewState& view;
  WorkFiles& files;     // the spectrum name list
  DebugLog* debug_log;  // where the dialog's Save button writes; may be null
  const DisplaySettings& display;

  Calibrations calibrations() const { return {enc, efc, work}; }
};

}  // namespace pektra
