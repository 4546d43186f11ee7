#include "ui/fit_display.h"

#include "core/user_interface.h"
#include "state/analysis_state.h"

namespace pektra {

void IntervalFitCommand(AnalysisState& /*state*/, UserInterface& /*ui*/, bool /*from_first*/) {}
bool FitDisplay(AnalysisState& /*state*/, UserInterface& /*ui*/, bool /*refit*/) { return false; }
void NextInterval(AnalysisState& /*state*/, UserInterface& /*ui*/) {}
void PreviousInterval(AnalysisState& /*state*/, UserInterface& /*ui*/) {}
Picture FitPicture(AnalysisState& /*state*/, bool /*single_peaks*/) { return {}; }
void GraphSinglePeaks(AnalysisState& /*state*/, UserInterface& /*ui*/) {}
void FitToBmpAndFile(AnalysisState& /*state*/, UserInterface& /*ui*/) {}
void FitPictureClick(AnalysisState& /*state*/, UserInterface& /*ui*/, int /*x*/, int /*y*/) {}
void FitMenu(AnalysisState& /*state*/, UserInterface& /*ui*/) {}

}  // namespace pektra
