// The least-squares fit of one interval: 60 channels, three overlapping peaks on a cubic
// background, 12 parameters (3 positions, 3 areas, a common width, a fixed shape parameter and
// four background coefficients), started the way the interval fit starts: positions from the
// marking (off by up to a channel), areas from the counts above the background, the nominal width.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "numeric/least_squares.h"

namespace {

using pektra::PointValue;
using pektra::TParameter;

constexpr int kChannels = 60;
constexpr double kSigmaPerFwhm = 1.0 / 2.3548200450309493;

// Parameters: 1..3 positions, 4..6 areas, 7 FWHM, 8 shape (fixed), 9..12 background coefficients
// of the powers of t = (x - 30) / 30.
double Model(const std::vector<double>& p, double x, std::vector<double>* derivatives) {
  const double sigma = p[6] * kSigmaPerFwhm;
  double f = 0.0;
  if (derivatives) derivatives->assign(12, 0.0);
  for (int k = 0; k < 3; ++k) {
    const double u = (x - p[k]) / sigma;
    const double g = std::exp(-0.5 * u * u) / (sigma * std::sqrt(2 * M_PI));
    f += p[3 + k] * g;
    if (derivatives) {
      (*derivatives)[k] = p[3 + k] * g * u / sigma;
      (*derivatives)[3 + k] = g;
      (*derivatives)[6] += p[3 + k] * g * (u * u - 1) / sigma * kSigmaPerFwhm;
    }
  }
  const double t = (x - 30.0) / 30.0;
  double power = 1.0;
  for (int k = 0; k < 4; ++k) {
    f += p[8 + k] * power;
    if (derivatives) (*derivatives)[8 + k] = power;
    power *= t;
  }
  return f;
}

void BM_FitInterval12Parameters(benchmark::State& state) {
  const std::vector<double> truth{22.0, 30.5, 38.0, 8000, 15000, 6000, 4.5, 0.0, 400, -60, 20, 5};
  std::mt19937 generator(42);
  std::vector<double> counts(kChannels);
  for (int i = 0; i < kChannels; ++i) {
    std::poisson_distribution<long> poisson(Model(truth, i + 1, nullptr));
    counts[static_cast<std::size_t>(i)] = static_cast<double>(poisson(generator));
  }
  const std::vector<double> start{22.8, 29.6, 38.7,      7000, 13000, 7000,
                                  4.2,  0.0,  counts[0], 0,    0,     0};
  TParameter fit(12, kChannels);
  std::vector<double> p(12), derivatives;
  int iterations = 0;
  for (auto _ : state) {
    fit.InitParameters();
    for (int j = 1; j <= 12; ++j) fit.param(j).value = start[static_cast<std::size_t>(j - 1)];
    fit.param(8).lower = fit.param(8).upper = 0.0;
    fit.settings.max_iterations = 7;
    fit.settings.damp = 0.01;
    fit.settings.step = 0.99;
    fit.settings.eps_min = 0.1;
    fit.Fit([&](int, int i) {
      for (int j = 1; j <= 12; ++j) p[static_cast<std::size_t>(j - 1)] = fit.param(j).value;
      const double f = Model(p, i, &derivatives);
      for (int j = 1; j <= 12; ++j) {
        fit.param(j).increment = derivatives[static_cast<std::size_t>(j - 1)];
      }
      const double y = counts[static_cast<std::size_t>(i - 1)];
      return PointValue{y, f, 1.0 / std::max(y, 1.0)};
    });
    iterations = fit.iterations();
    benchmark::DoNotOptimize(fit.param(4).value);
  }
  state.counters["iterations"] = iterations;
  state.counters["chi2_df"] = fit.chi2_df();
}
BENCHMARK(BM_FitInterval12Parameters)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
