// The parts of the analysis state that the interval fit and the spectrum fit read and change.
#pragma once

#include "core/debug_log.h"
#include "core/result_rows.h"
#include "core/view_state.h"
#include "fit/fit_state.h"
#include "marking/marking_state.h"
#include "model/peak_model.h"
#include "numeric/least_squares.h"
#include "spectrum/spectrum.h"
#include "spectrum/spectrum_settings.h"

namespace pektra {

struct FitContext {
  TSpectrum& spectrum;
  const TPeakModel& peak_model;
  TParameter& fitter;
  FitState& fit;
  MarkingState& marking;  // the peaks and intervals to fit
  ResultTable& results;
  const ProcessingSettings& processing;
  ViewState& view;
  DebugLog* debug_log;  // trace lines in debug mode; may be null
};

}  // namespace pektra
