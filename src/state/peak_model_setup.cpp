#include "state/peak_model_setup.h"

#include "core/user_interface.h"
#include "model/real_model.h"
#include "state/analysis_state.h"

namespace pektra {

bool FormRequestedRealModel(AnalysisState& state, UserInterface& ui) {
  TPeakModel& model = state.peak_model;
  if (!model.real_from_range) return true;
  const int edge = model.model_edge;  // negative: proposed for each spectrum
  const Outcome outcome =
      FormRealModelFromRange(model, state.spectrum, state.work, state.processing.small_stat,
                             model.model_first, model.model_last, edge);
  if (edge < 0) model.model_edge = edge;
  if (!outcome.ok) ui.ShowNote(outcome.message);
  return outcome.ok;
}

}  // namespace pektra
