#include "app/batch_model_calibration.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/number_format.h"
#include "core/user_interface.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace pektra {

bool ParseCalibrationSource(const std::string& text, CalibrationSource& source) {
  std::string lower;
  for (const char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "ra226") {
    source = CalibrationSource::kRa226;
  } else if (lower == "eu152") {
    source = CalibrationSource::kEu152;
  } else {
    return false;
  }
  return true;
}

bool AutoCalibrateMarked(AnalysisState& state, const AutoCalibrationRequest& request,
                         UserInterface& ui) {
  const MarkingState& marking = state.marking;
  if (marking.peak_count < 5) {
    ui.ShowNote("Too little peaks for auto-calibration");
    return false;
  }
  std::vector<double> peaks;
  for (int k = 1; k <= std::min(marking.peak_count, marking.peak_list.capacity()); ++k) {
    peaks.push_back(marking.peak_list[k]);
  }
  std::sort(peaks.begin(), peaks.end());
  EnergyCalibration enc = state.enc;  // kept as it was unless the calibration succeeds
  const Calibrations cal{enc, state.efc, state.work};
  bool fell_back = false;
  const AutoCalibrationRun run = CalibrateWithFallback(cal, peaks, request.source, request.emin,
                                                       request.emax, nullptr, &fell_back);
  if (run.status == AutoCalibrationRun::Status::kWrongEnergies) {
    ui.ShowNote(run.message);
    return false;
  }
  if (run.status != AutoCalibrationRun::Status::kDone) {
    if (run.status == AutoCalibrationRun::Status::kNoPattern) ui.ShowNote(run.message);
    ui.ShowNote("Calibration failed");
    return false;
  }
  const std::string summary = std::to_string(enc.enc_count) +
                              " lines, Max discrepancy(KeV)= " + FormatShortest(run.discrepancy);
  if (run.discrepancy > 0.5) {
    ui.ShowNote("Warning, discrepancy more than 0.5KeV (" + summary + "); Calibration failed");
    return false;
  }
  state.enc = enc;
  ui.ShowNote(std::string("Auto energy calibration: ") + summary +
              (fell_back ? " (lines found among other patterns)" : ""));
  return true;
}

}  // namespace pektra
