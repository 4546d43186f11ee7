#include "ui/picking.h"

#include "core/user_interface.h"
#include "state/analysis_state.h"

namespace pektra {

void PickInterval(AnalysisState& /*state*/, UserInterface& /*ui*/, PickPurpose /*purpose*/) {}
void MarkThePeaks(AnalysisState& /*state*/, UserInterface& /*ui*/) {}
void CheckForPeakAndAdd(AnalysisState& /*state*/, UserInterface& /*ui*/) {}

}  // namespace pektra
