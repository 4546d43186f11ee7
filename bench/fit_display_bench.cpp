// The interactive fit display: the fit picture of a 128-channel interval after its fit, and an
// interval fit started from the menu up to the shown display (5 peaks in one interval).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/silent_user_interface.h"
#include "fit/interval_fit.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "ui/commands.h"
#include "ui/fit_display.h"

namespace {

using pektra::AnalysisState;

// Five peaks of FWHM 4 in channels 1000..1127 on a background of 200 counts, with noise, marked
// as one interval.
void LoadFivePeaks(AnalysisState& state) {
  pektra::SyntheticSpec recipe;
  recipe.channels = 4096;
  recipe.background.constant = 200;
  const std::vector<double> peaks{1020, 1045, 1062, 1085, 1105};
  for (const double c : peaks) recipe.peaks.push_back({c, 8000, 4});
  pektra::LoadIntoSpectrum(pektra::GenerateCounts(recipe), state.spectrum);
  state.spectrum.w1 = state.spectrum.w2 = 4;
  state.spectrum.b1 = 1;
  state.spectrum.b2 = 4096;
  int k = 0;
  for (const double c : peaks) state.marking.peak_list[++k] = c;
  state.marking.peak_count = k;
  state.marking.interval_count = 1;
  state.marking.interval_table[1] = {1000, 1127, 1, k};
}

void BM_FitPicture128Channels(benchmark::State& bench) {
  AnalysisState state;
  LoadFivePeaks(state);
  pektra::SilentUserInterface ui;
  if (!pektra::FitDisplay(state, ui, false)) bench.SkipWithError("the interval was not fitted");
  for (auto _ : bench) {
    pektra::Picture picture = pektra::FitPicture(state, false);
    benchmark::DoNotOptimize(picture.ops.data());
  }
}
BENCHMARK(BM_FitPicture128Channels)->Unit(benchmark::kMicrosecond);

void BM_IntervalFitFromTheMenu(benchmark::State& bench) {
  AnalysisState state;
  LoadFivePeaks(state);
  pektra::SilentUserInterface ui;
  pektra::CommandTable table(state, ui);
  for (auto _ : bench) {
    state.results.results_unsaved = false;
    table.RunCaption("Interval  Fit");
    benchmark::DoNotOptimize(state.results.result_rows[1][0]);
  }
  if (state.results.result_count != 5 || state.view.graph_mode != pektra::GraphMode::kFitDisplay) {
    bench.SkipWithError("the display was not shown with five rows");
  }
}
BENCHMARK(BM_IntervalFitFromTheMenu)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
