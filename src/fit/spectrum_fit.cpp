#include "fit/spectrum_fit.h"

#include <algorithm>
#include <string>

#include "core/analysis_state.h"
#include "core/user_interface.h"
#include "fit/interval_fit.h"
#include "report/result_table.h"

namespace pektra {

void FitSpectrum(AnalysisState& state, UserInterface& ui) {
  const int count = std::min(state.interval_count, kMaxPeaks);
  for (int i = 1; i <= count; ++i) {
    state.current_interval = i;
    const IntervalRecord interval = state.interval_table[i];
    state.fit_first = interval.left;
    state.fit_last = interval.right;
    state.fit_peaks = interval.last_peak - interval.first_peak + 1;
    const std::string bounds =
        std::to_string(state.fit_first) + " " + std::to_string(state.fit_last);
    if (state.fit_peaks <= 0) {
      ui.ShowNote("Error, no peaks in " + bounds);
      continue;
    }
    state.fit_peaks = std::min(state.fit_peaks, kMaxFitPeaks);
    if (state.fit_last - state.fit_first + 1 > state.max_interval) {
      ui.ShowNote("Error, too long interval " + bounds);
      continue;
    }
    // A marking that does not fit the arrays (hand-made or damaged) is passed over.
    if (interval.first_peak < 1 || interval.first_peak + state.fit_peaks - 1 > kMaxPeaks ||
        state.fit_first < 1 || state.fit_last > kMaxChannels || state.fit_last < state.fit_first) {
      continue;
    }

    const TSpectrum& sp = state.spectrum;
    const int span = sp.b2 - sp.b1 + 1;
    const double u = (state.width_by_channel == 0 || span == 0)
                         ? 0.0
                         : static_cast<double>(state.fit_first - sp.b1) / span;
    state.fit_width = (1 - u) * sp.w1 + u * sp.w2;

    FitInterval(state, ui, interval.first_peak, /*refit=*/false);
    for (int k = 1; k <= state.fit_peaks; ++k) {
      StoreResultRow(state, ui, interval.first_peak + k - 1, PeakResult(state, k));
    }
    state.result_count =
        std::min(std::max(state.result_count, interval.last_peak), kResultCapacity);
  }
}

void SpectrumFitCommand(AnalysisState& state, UserInterface& ui) {
  if (state.peak_count == 0) {
    state.status_text = {"No marking data", ""};
    return;
  }
  if (state.results_unsaved && !ui.AskOkCancel("Previous fit results not saved")) return;
  FitSpectrum(state, ui);
  state.results_unsaved = true;
  state.status_text = {"The spectrum has been fitted.", "Save the results"};
}

}  // namespace pektra
