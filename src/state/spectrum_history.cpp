#include "state/spectrum_history.h"

#include "state/analysis_state.h"

namespace pektra {

void RememberSpectrum(AnalysisState& state, const std::string& what) {
  state.undo.Push(what, state.spectrum);
}

std::string UndoCaption(const AnalysisState& state) {
  return state.undo.empty() ? std::string("Undo") : "Undo " + state.undo.NextCommand();
}

bool UndoSpectrumChange(AnalysisState& state) {
  const std::string what = state.undo.NextCommand();
  if (!state.undo.Undo(state.spectrum)) return false;
  state.marking.peak_count = 0;
  state.marking.interval_count = 0;
  ViewState& view = state.view;
  view.graph_mode = GraphMode::kNothing;
  view.interval_begin = state.spectrum.b1;
  view.interval_end = state.spectrum.b2;
  view.interval_length = state.spectrum.b2 - state.spectrum.b1 + 1;
  view.status_text = {"Undone: " + what, ""};
  return true;
}

}  // namespace pektra
