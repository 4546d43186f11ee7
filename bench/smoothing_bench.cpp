// Automatic smoothing of one peak-search window: SmoothSplineAuto over 128 channels (42 trial
// splines and the final one), and the 15 trials of the lower envelope of SmoothAuto.
#include <cmath>
#include <random>

#include <benchmark/benchmark.h>

#include "core/arithmetic.h"
#include "numeric/smoothing.h"

namespace {

constexpr int kWindow = 128;

// A Gaussian peak (FWHM 6) on a sloping background with Poisson-like noise from a fixed seed.
void FillWindow(pektra::NumericWork& work) {
  std::mt19937 generator(2024);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (int i = 1; i <= kWindow; ++i) {
    const double d = (i - 60.4) / 6.0;
    const double y = 200.0 - 0.5 * i + 3000.0 * std::exp(-4.0 * std::log(2.0) * d * d);
    work.work_data[i] = pektra::RoundHalfEven(y + std::sqrt(y) * noise(generator));
  }
}

void BM_SmoothSplineAuto(benchmark::State& state) {
  pektra::NumericWork work;
  FillWindow(work);
  for (auto _ : state) {
    benchmark::DoNotOptimize(pektra::SmoothSplineAuto(work, kWindow, 0.5, 1.0));
    benchmark::DoNotOptimize(work.work_result[kWindow / 2]);
  }
}
BENCHMARK(BM_SmoothSplineAuto);

void BM_SmoothAuto(benchmark::State& state) {
  pektra::NumericWork work;
  FillWindow(work);
  for (auto _ : state) {
    pektra::SmoothAuto(work, kWindow, 7);
    benchmark::DoNotOptimize(work.work_result[kWindow / 2]);
  }
}
BENCHMARK(BM_SmoothAuto);

}  // namespace

BENCHMARK_MAIN();
