// The peak model and the automatic energy calibration of pektra-batch: --model-range and
// --auto-calibrate.
#pragma once

#include <string>

#include "calib/auto_calibration.h"

namespace pektra {

struct AnalysisState;
class UserInterface;

struct AutoCalibrationRequest {
  bool wanted = false;
  CalibrationSource source = CalibrationSource::kRa226;
  double emin = 100.0, emax = 1770.0;  // the presets of the window's dialog
};

// Parses "Ra226" or "Eu152" (any case); false for anything else.
bool ParseCalibrationSource(const std::string& text, CalibrationSource& source);

// The automatic energy calibration of the marked spectrum, as "Auto_Energy_Calibration" with the
// source and range given and nobody to ask: a largest discrepancy above 0.5 keV is refused. The
// outcome is said through ShowNote; false when the spectrum keeps no calibration from it.
bool AutoCalibrateMarked(AnalysisState& state, const AutoCalibrationRequest& request,
                         UserInterface& ui);

}  // namespace pektra
