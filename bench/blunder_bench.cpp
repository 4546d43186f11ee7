// The commands that change the counts, on their hot paths: the blunder correction over a whole
// spectrum of 16384 channels, and the smoothing spline of the smoothing window over an interval of
// 1024 channels.
#include <cmath>
#include <random>

#include <benchmark/benchmark.h>

#include "numeric/smoothing.h"
#include "spectrum/blunders.h"
#include "spectrum/spectrum.h"

namespace {

using namespace pektra;

// Peaks of FWHM 4 every 300 channels on a falling background, Gaussian noise of Poisson size, one
// spike or drop every 100 channels; errors by the variance formula.
TSpectrum Measured() {
  std::mt19937 generator(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  TSpectrum sp;
  sp.a1 = 1;
  sp.a2 = kMaxChannels;
  for (int i = 1; i <= kMaxChannels; ++i) {
    const double d = std::fmod(i, 300.0) - 150.0;
    const double y = 200 + 3000 * std::exp(-i / 4000.0) + 5000 * std::exp(-d * d / 2.9);
    sp.counts[i] = std::max(0.0, std::nearbyint(y + std::sqrt(y) * noise(generator)));
    if (i % 100 == 37) sp.counts[i] = i % 200 == 37 ? 5 * sp.counts[i] : 0;
  }
  sp.ApplyVarianceFormula(0.01);
  return sp;
}

void BM_CorrectBlunders16384(benchmark::State& state) {
  const TSpectrum measured = Measured();
  TSpectrum sp = measured;
  const ProcessingSettings settings;
  for (auto _ : state) {
    state.PauseTiming();
    sp.counts = measured.counts;
    state.ResumeTiming();
    benchmark::DoNotOptimize(CorrectBlunders(sp, 1, kMaxChannels, settings));
  }
}
BENCHMARK(BM_CorrectBlunders16384)->Unit(benchmark::kMicrosecond);

// The same without restoring the counts: every pass after the first finds the spectrum already
// corrected (no pause in the timing).
void BM_CorrectBlunders16384Corrected(benchmark::State& state) {
  TSpectrum sp = Measured();
  const ProcessingSettings settings;
  for (auto _ : state) benchmark::DoNotOptimize(CorrectBlunders(sp, 1, kMaxChannels, settings));
}
BENCHMARK(BM_CorrectBlunders16384Corrected)->Unit(benchmark::kMicrosecond);

void BM_SmoothSpline1024(benchmark::State& state) {
  const TSpectrum sp = Measured();
  NumericWork work;
  for (int i = 1; i <= 1024; ++i) work.work_data[i] = sp.counts[4000 + i];
  for (auto _ : state) {
    SmoothSpline(work, 1024, false, 1.0);
    benchmark::DoNotOptimize(work.work_result[512]);
  }
}
BENCHMARK(BM_SmoothSpline1024)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
