// The parts of the analysis state that each subsystem's commands get: built from the whole state
// by the layers that own it (the command table, the batch tool, tests).
#pragma once

#include "calib/calibration.h"
#include "calib/calibration_commands.h"
#include "fit/fit_context.h"
#include "marking/marking_context.h"
#include "report/report_context.h"
#include "spectrum/processing_context.h"
#include "spectrum/spectrum_input.h"
#include "state/analysis_state.h"

namespace pektra {

SpectrumInputContext SpectrumInputOf(AnalysisState& state);
SpectrumProcessingContext SpectrumProcessingOf(AnalysisState& state);
Calibrations CalibrationsOf(AnalysisState& state);
CalibrationContext CalibrationOf(AnalysisState& state);
MarkingContext MarkingOf(AnalysisState& state);
FitContext FitOf(AnalysisState& state);
ReportContext ReportOf(AnalysisState& state);

}  // namespace pektra
