// The peak search over a whole 16384-channel spectrum (FWHM 3 to 8 channels, a falling background,
// isolated peaks and doublets) and the division into fit intervals after it, timed separately.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/silent_user_interface.h"
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

// A state holding the seeded spectrum, set up as the marking command leaves it.
std::unique_ptr<AnalysisState> SpectrumState(int isolated_peaks, int doublets) {
  RandomSpectrumOptions options;
  options.seed = 2024;
  options.channels = kMaxChannels;
  options.isolated_peaks = isolated_peaks;
  options.doublets = doublets;
  options.fwhm_first = 3.0;
  options.fwhm_last = 8.0;
  options.isolation = 4.0;
  options.background_first = 3000.0;
  options.background_last = 20.0;
  auto state = std::make_unique<AnalysisState>();
  TSpectrum& spectrum = state->spectrum;
  LoadIntoSpectrum(GenerateCounts(RandomSpectrum(options).spec), spectrum);
  spectrum.w1 = RandomSpectrumFwhm(options, spectrum.b1);
  spectrum.w2 = RandomSpectrumFwhm(options, spectrum.b2);
  spectrum.delta_w = 0.75;
  return state;
}

void Search(AnalysisState& state, UserInterface& ui) {
  const TSpectrum& s = state.spectrum;
  FindPeaks(MarkingOf(state), ui, s.b1, s.delta_w, s.w2, s.w1, s.b2);
}

void BM_FindPeaks16384Channels(benchmark::State& bench, int isolated_peaks, int doublets) {
  auto state = SpectrumState(isolated_peaks, doublets);
  SilentUi ui;
  for (auto _ : bench) {
    Search(*state, ui);
    benchmark::DoNotOptimize(state->marking.peak_count);
  }
  bench.counters["peaks_found"] = state->marking.peak_count;
  bench.counters["last_peak"] =
      state->marking.peak_count > 0 ? state->marking.peak_list[state->marking.peak_count] : 0;
}

void BM_DivideIntoIntervals(benchmark::State& bench, int isolated_peaks, int doublets) {
  auto state = SpectrumState(isolated_peaks, doublets);
  SilentUi ui;
  Search(*state, ui);
  for (auto _ : bench) {
    DivideIntoIntervals(MarkingOf(*state), state->spectrum.b1, state->spectrum.b2);
    benchmark::DoNotOptimize(state->marking.interval_count);
  }
  bench.counters["intervals"] = state->marking.interval_count;
}

// 300 peaks: the search stops at its limit of 150 peaks (last_peak tells where).
BENCHMARK_CAPTURE(BM_FindPeaks16384Channels, 300_peaks, 270, 15)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DivideIntoIntervals, 300_peaks, 270, 15)->Unit(benchmark::kMicrosecond);
// Few enough peaks for the search to walk all 16384 channels.
BENCHMARK_CAPTURE(BM_FindPeaks16384Channels, 70_peaks, 60, 5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DivideIntoIntervals, 70_peaks, 60, 5)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
