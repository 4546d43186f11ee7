#include "spectrum/synthetic_spectrum.h"

#include <cmath>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace pektra {
namespace {

SyntheticSpec SpecWithBackgroundAndPeaks() {
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.background = {.amplitude = 1500.0,
                       .decay = 700.0,
                       .constant = 20.0,
                       .step = 80.0,
                       .step_channel = 1200.0,
                       .step_width = 15.0};
  recipe.peaks = {{300.25, 5000.0, 3.0}, {1000.7, 123456.0, 4.5}, {1800.5, 40.0, 6.0}};
  recipe.poisson = false;
  return recipe;
}

TEST(SyntheticSpectrumTest, ExpectedCounts_HoldBackgroundPlusEveryPeakAreaAndCentroids) {
  SyntheticSpec recipe = SpecWithBackgroundAndPeaks();
  const std::vector<double> with_peaks = ExpectedCounts(recipe);
  ASSERT_EQ(with_peaks.size(), 2048u);

  // The background, written out independently, at channel centres.
  double background_sum = 0.0;
  for (int i = 1; i <= 2048; ++i) {
    const double b = 1500.0 * std::exp(-i / 700.0) + 20.0 + 40.0 * std::erfc((i - 1200.0) / 15.0);
    EXPECT_NEAR(BackgroundAt(recipe.background, i), b, 1e-9 * b);
    background_sum += b;
  }
  const double total = std::accumulate(with_peaks.begin(), with_peaks.end(), 0.0);
  const double expected_total = background_sum + 5000.0 + 123456.0 + 40.0;
  EXPECT_NEAR(total, expected_total, 1e-6 * expected_total);

  // Each peak alone: its channel contents sum to its area and centre on its channel.
  for (const SyntheticPeak& peak : SpecWithBackgroundAndPeaks().peaks) {
    recipe.peaks = {peak};
    recipe.background = {};
    const std::vector<double> alone = ExpectedCounts(recipe);
    double area = 0.0, moment = 0.0;
    for (int i = 1; i <= 2048; ++i) {
      area += alone[i - 1];
      moment += i * alone[i - 1];
    }
    EXPECT_NEAR(area, peak.area, 1e-9 * peak.area);
    EXPECT_NEAR(moment / area, peak.channel, 1e-6);
  }
}

TEST(SyntheticSpectrumTest, GenerateCounts_IsFixedBySeed) {
  SyntheticSpec recipe = SpecWithBackgroundAndPeaks();
  recipe.poisson = true;
  recipe.seed = 7;
  const std::vector<double> first = GenerateCounts(recipe);
  EXPECT_EQ(GenerateCounts(recipe), first);
  recipe.seed = 8;
  EXPECT_NE(GenerateCounts(recipe), first);
  for (const double value : first) EXPECT_EQ(value, std::floor(value));
}

// Both sampler branches (inversion below a mean of 10, rejection above) over 40000 draws each: the
// sample mean and variance agree with the Poisson mean within 5 standard errors.
TEST(SyntheticSpectrumTest, GenerateCounts_HasPoissonMeanAndVarianceInEveryRegime) {
  constexpr int kDraws = 40000;
  for (const double mean : {0.3, 4.0, 9.99, 10.0, 37.0, 2500.0, 3e6}) {
    SyntheticSpec recipe;
    recipe.channels = kDraws;
    recipe.background.constant = mean;
    recipe.seed = 12345;
    const std::vector<double> counts = GenerateCounts(recipe);
    double sum = 0.0, sum2 = 0.0;
    for (const double c : counts) {
      ASSERT_GE(c, 0.0);
      sum += c;
    }
    const double sample_mean = sum / kDraws;
    for (const double c : counts) sum2 += (c - sample_mean) * (c - sample_mean);
    const double sample_variance = sum2 / (kDraws - 1);
    EXPECT_NEAR(sample_mean, mean, 5.0 * std::sqrt(mean / kDraws)) << "mean " << mean;
    // Var(s^2) = (mu4 - sigma^4) / N = (mean + 2 mean^2) / N for the Poisson law.
    EXPECT_NEAR(sample_variance, mean, 5.0 * std::sqrt((mean + 2 * mean * mean) / kDraws))
        << "mean " << mean;
  }
}

}  // namespace
}  // namespace pektra
