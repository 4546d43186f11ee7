#include "spectrum/spectrum_input.h"

#include <algorithm>

#include "core/analysis_state.h"
#include "core/user_interface.h"
#include "spectrum/spectrum_readers.h"

namespace pektra {

bool ReadSpectrum(AnalysisState& state, UserInterface& ui) {
  state.dialog_ok = 1;
  if (state.results_unsaved) {
    if (!ui.AskYesNo("Former results not saved. Proceed?")) {
      state.dialog_ok = 0;
      return false;
    }
    state.results_unsaved = false;
  }
  TSpectrum& sp = state.spectrum;
  const ReadOptions options{state.skip_header, state.reverse_bytes, state.start_at_a1};
  const Outcome outcome = ReadSpectrumFile(sp, sp.file_type, sp.a1, options);
  if (!outcome.message.empty()) ui.ShowNote(outcome.message);
  if (sp.b1 < sp.a1 || sp.b1 > sp.a2) sp.b1 = std::min(sp.a1 + 1, sp.a2);
  if (sp.b2 < sp.a1 || sp.b2 > sp.a2) sp.b2 = std::max(sp.a2 - 1, sp.a1);
  state.interval_begin = sp.b1;
  state.interval_end = sp.b2;
  sp.UpdateRange();
  state.graph_mode = 0;
  state.result_count = 0;
  state.result_offset = 0;
  return outcome.ok;
}

bool FinishSpectrumInput(AnalysisState& state, UserInterface& ui, bool read_ok) {
  TSpectrum& sp = state.spectrum;
  if (!read_ok || sp.max_counts == 0) {
    state.status_text = {"++++ Error, wrong reading", ""};
    state.dialog_ok = 0;
    return false;
  }
  if (sp.max_counts < 1) {
    ui.ShowNote("Poor data scale, max < 1");
    sp.max_counts = 1.0;
  }
  state.status_text = {" Spectrum read in. ", ""};
  if (sp.b2 < sp.b1) std::swap(sp.b1, sp.b2);
  state.interval_begin = sp.b1;
  state.interval_end = sp.b2;
  state.interval_length = sp.b2 - sp.b1 + 1;
  sp.ApplyVarianceFormula(state.covar);
  return true;
}

}  // namespace pektra
