// The fit of a whole marked spectrum (8192 channels, about 150 peaks of FWHM 3 to 6 channels on a
// falling background) alone, and the whole automatic road: search, division into intervals, fit.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/silent_user_interface.h"
#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "marking/peak_search.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

// Cancels every dialog and answers OK.
class SilentUi : public SilentUserInterface {
 public:
  SilentUi() : SilentUserInterface({false, false, true}) {}
};

std::unique_ptr<AnalysisState> SpectrumState() {
  RandomSpectrumOptions options;
  options.seed = 77;
  options.channels = 8192;
  options.isolated_peaks = 120;
  options.doublets = 14;
  options.fwhm_first = 3.0;
  options.fwhm_last = 6.0;
  options.isolation = 5.0;
  options.background_first = 2000.0;
  options.background_last = 30.0;
  auto state = std::make_unique<AnalysisState>();
  TSpectrum& sp = state->spectrum;
  LoadIntoSpectrum(GenerateCounts(RandomSpectrum(options).spec), sp);
  sp.w1 = RandomSpectrumFwhm(options, sp.b1);
  sp.w2 = RandomSpectrumFwhm(options, sp.b2);
  sp.delta_w = 1.0;
  state->fit.width_by_channel = 1;
  // The width line as the marking command sets it before a search.
  state->width.width_slope = (sp.w2 - sp.w1) / (sp.b2 - sp.b1 + 1);
  state->width.width_offset = sp.w1 - sp.b1 * state->width.width_slope;
  return state;
}

void Mark(AnalysisState& state, UserInterface& ui) {
  const TSpectrum& s = state.spectrum;
  FindPeaks(MarkingOf(state), ui, s.b1, s.delta_w, s.w2, s.w1, s.b2);
  DivideIntoIntervals(MarkingOf(state), s.b1, s.b2);
}

// The fit as pektra-batch runs it; with curves (1), as the window runs it, which keeps the fitted
// curve of every interval for drawing.
void BM_FitSpectrum8192Channels(benchmark::State& bench) {
  auto state = SpectrumState();
  SilentUi ui;
  Mark(*state, ui);
  state->results.keep_fitted_curves = bench.range(0) != 0;
  for (auto _ : bench) {
    FitSpectrum(FitOf(*state), ui);
    benchmark::DoNotOptimize(state->results.result_rows[1]);
  }
  bench.counters["peaks"] = state->marking.peak_count;
  bench.counters["intervals"] = state->marking.interval_count;
}
BENCHMARK(BM_FitSpectrum8192Channels)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SearchDivideAndFit8192Channels(benchmark::State& bench) {
  auto state = SpectrumState();
  SilentUi ui;
  state->results.keep_fitted_curves = false;  // as pektra-batch runs it
  for (auto _ : bench) {
    Mark(*state, ui);
    FitSpectrum(FitOf(*state), ui);
    benchmark::DoNotOptimize(state->results.result_rows[1]);
  }
  bench.counters["peaks"] = state->marking.peak_count;
  bench.counters["intervals"] = state->marking.interval_count;
}
BENCHMARK(BM_SearchDivideAndFit8192Channels)->Unit(benchmark::kMillisecond);

// The automatic road with the refinement by the fit, after the old (0) or the new (1) search:
// marking as the command does it (search and division), the fit with acceptance, residual and gap
// search, and the rebuilt marking.
void BM_MarkFitAndRefine8192Channels(benchmark::State& bench) {
  auto state = SpectrumState();
  SilentUserInterface ui({true, true, true});
  state->marking.ndf = static_cast<int>(bench.range(0));
  state->marking.refinement.refine = true;
  for (auto _ : bench) {
    MarkSpectrum(MarkingOf(*state), ui);
    FitSpectrum(FitOf(*state), ui);
    benchmark::DoNotOptimize(state->results.result_rows[1]);
  }
  bench.counters["peaks"] = state->marking.peak_count;
  bench.counters["intervals"] = state->marking.interval_count;
}
BENCHMARK(BM_MarkFitAndRefine8192Channels)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
