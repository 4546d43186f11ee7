#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "numeric/smoothing.h"

namespace pektra {
namespace {

// A Gaussian peak (FWHM 8) of height 1000 at channel 64.3 on a sloping background, with
// Poisson-like noise from a fixed seed.
void FillNoisyPeak(NumericWork& work, int n) {
  std::mt19937 generator(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (int i = 1; i <= n; ++i) {
    const double d = (i - 64.3) / 8.0;
    const double y = 50.0 + 0.2 * i + 1000.0 * std::exp(-4.0 * std::log(2.0) * d * d);
    work.work_data[i] = y + std::sqrt(y) * noise(generator);
  }
}

double MaxAboveData(const NumericWork& work, int n) {
  double above = -1e300;
  for (int i = 1; i <= n; ++i) above = std::fmax(above, work.work_result[i] - work.work_data[i]);
  return above;
}

TEST(SavGolEstimate, IsExactForAQuadraticInsideAndUsesThreePointsNearTheEnds) {
  NumericWork work;
  for (int i = 1; i <= 10; ++i) work.work_data[i] = 0.5 * i * i - 3.0 * i + 2.0;
  const SavGolValues inner = SavGolEstimate(work, 10, 5);
  EXPECT_NEAR(inner.smoothed, work.work_data[5], 1e-12);
  EXPECT_NEAR(inner.first, 5.0 - 3.0, 1e-12);
  EXPECT_NEAR(inner.second, 1.0, 1e-12);
  const SavGolValues near_end = SavGolEstimate(work, 10, 9);
  EXPECT_DOUBLE_EQ(near_end.smoothed, (work.work_data[8] + work.work_data[10]) / 2.0);
  EXPECT_DOUBLE_EQ(near_end.second, 1.0);
  const SavGolValues end = SavGolEstimate(work, 10, 10);
  EXPECT_EQ(end.smoothed, work.work_data[10]);
  EXPECT_EQ(end.first, 0.0);
}

TEST(SmoothSpline, LeavesAStraightLineAndFollowsTheDataCloserForLargerParameters) {
  NumericWork work;
  for (int i = 1; i <= 40; ++i) work.work_data[i] = 100.0 + 3.0 * i;
  for (double p : {0.01, 1.0, 1e4}) {
    SmoothSpline(work, 40, false, p);
    for (int i = 1; i <= 40; ++i) ASSERT_NEAR(work.work_result[i], work.work_data[i], 1e-9);
    EXPECT_LT(work.fit_sum, 1e-20);
  }
  FillNoisyPeak(work, 128);
  SmoothSpline(work, 128, false, 0.1);
  const double rough_fit = work.fit_sum, rough_roughness = work.roughness_sum;
  SmoothSpline(work, 128, false, 100.0);
  EXPECT_LT(work.fit_sum, rough_fit);
  EXPECT_GT(work.roughness_sum, rough_roughness);

  work.work_data[3] = 42.0;
  SmoothSpline(work, 5, false, 1.0);  // too short: a copy
  EXPECT_EQ(work.work_result[3], 42.0);
}

TEST(SmoothIterative, ClipsToTheDataOnlyForNonNegativeControls) {
  NumericWork work;
  FillNoisyPeak(work, 128);
  const double peak_top = work.work_data[64];
  for (double c : {0.0, 0.05, 1.0}) {
    SmoothIterative(work, 128, 7, 0.5, 0.5, c);
    EXPECT_LE(MaxAboveData(work, 128), 0.0) << "c = " << c;
    EXPECT_LT(work.work_result[64], 0.2 * peak_top) << "c = " << c;  // under the peak
    EXPECT_EQ(work.work_data[64], peak_top);                         // input untouched
  }
  SmoothIterative(work, 128, 7, 0.5, 0.5, -1.0);
  EXPECT_GT(MaxAboveData(work, 128), 10.0);

  work.work_data[2] = -4.0;
  SmoothIterative(work, 4, 7, 0.5, 0.5, 0.1);  // too short: a copy
  EXPECT_EQ(work.work_result[2], -4.0);
}

TEST(SmoothAuto, KeepsTheSmoothestTrialAndStaysUnderTheData) {
  NumericWork work;
  FillNoisyPeak(work, 128);
  double best = 1e18, best_c = 0.0;
  for (double c = 0.05; c > 0.1 / 65536.0; c /= 2.0) {
    SmoothIterative(work, 128, 7, 0.5, 0.5, c);
    if (work.roughness_sum < best) best = work.roughness_sum, best_c = c;
  }
  SmoothAuto(work, 128, 7);
  EXPECT_EQ(work.smoothing_value, best_c);
  EXPECT_EQ(work.roughness_sum, best);
  EXPECT_LE(MaxAboveData(work, 128), 0.0);

  // The curve and the fit sum are those of the winning run, to the last bit.
  const OneBasedArray<double> curve = work.work_result;
  const double fit = work.fit_sum;
  SmoothIterative(work, 128, 7, 0.5, 0.5, best_c);
  EXPECT_EQ(work.work_result, curve);
  EXPECT_EQ(work.fit_sum, fit);
}

TEST(SmoothSplineAuto, MeetsTheTargetRatioAndRestoresTheData) {
  NumericWork work;
  FillNoisyPeak(work, 128);
  const OneBasedArray<double> data = work.work_data;
  ASSERT_TRUE(SmoothSplineAuto(work, 128, 0.5, 1.0));
  EXPECT_EQ(work.work_data, data);
  EXPECT_GE(work.fit_sum, 0.5 / 4.0);
  EXPECT_LE(work.fit_sum, 0.5);
  EXPECT_GT(work.smoothing_value, 0.0);
  EXPECT_NEAR(work.work_result[64], 1000.0 + 50.0 + 0.2 * 64, 40.0);

  ASSERT_TRUE(SmoothSplineAuto(work, 128, 0.5, 0.0));  // blend 0: the data themselves
  for (int i = 1; i <= 128; ++i) ASSERT_NEAR(work.work_result[i], data[i], 1e-9 * data[i]);

  work.work_result[1] = -7.0;
  work.work_data[1] = 5000.0;  // maximum at the first channel
  EXPECT_FALSE(SmoothSplineAuto(work, 128, 0.5, 1.0));
  OneBasedArray<double> flat(kWorkArraySize, 3.0);
  work.work_data = flat;
  EXPECT_FALSE(SmoothSplineAuto(work, 128, 0.5, 1.0));
  EXPECT_EQ(work.work_result[1], -7.0);
}

// The kept curve is the chosen spline's, to the last bit, and the choice is the smoothest trial
// within the fit bounds.
TEST(SmoothSplineAuto, KeepsTheChosenSplineExactly) {
  NumericWork work;
  FillNoisyPeak(work, 128);
  const OneBasedArray<double> data = work.work_data;
  double top = 0.0;
  for (int i = 1; i <= 128; ++i) top = std::fmax(top, data[i]);
  ASSERT_TRUE(SmoothSplineAuto(work, 128, 0.5, 1.0));
  const double p = work.smoothing_value;
  const double fit = work.fit_sum, roughness = work.roughness_sum;
  const OneBasedArray<double> kept = work.work_result;

  for (int i = 1; i <= 128; ++i) work.work_data[i] = data[i] * (1000.0 / top);
  double best = 1e18;
  for (double q = 500.0; q > 1000.0 / 4e6; q /= 2.0) {
    SmoothSpline(work, 128, false, q);
    if (work.fit_sum >= 0.5 / 4.0 && work.fit_sum <= 0.875 * 0.5)
      best = std::fmin(best, work.roughness_sum);
  }
  SmoothSpline(work, 128, false, p);
  EXPECT_LE(work.roughness_sum, best);
  EXPECT_EQ(work.fit_sum, fit);
  EXPECT_EQ(work.roughness_sum, roughness);
  for (int i = 1; i <= 128; ++i)
    ASSERT_EQ(kept[i], (0.0 * work.work_data[i] + 1.0 * work.work_result[i]) * top / 1000.0) << i;
}

}  // namespace
}  // namespace pektra
