// The peak model chosen without the window: the real model that the init file or the batch tool
// asks for is formed from every spectrum read.
#pragma once

namespace pektra {

struct AnalysisState;
class UserInterface;

// When the init file (or --model-range) asks for the real model of model_first..model_last, it is
// formed from the spectrum in memory with the automatic smoothing accepted as it is (background
// channels: model_edge, or EdgeCount when it is negative). A failure is shown with ShowNote and
// the previous model stays. True when nothing was asked or the model was formed.
bool FormRequestedRealModel(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
