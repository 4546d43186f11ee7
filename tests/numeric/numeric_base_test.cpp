#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <vector>

#include "numeric/array_tools.h"
#include "numeric/interpolation.h"
#include "numeric/peak_probe.h"
#include "numeric/random.h"

namespace pektra {
namespace {

OneBasedArray<double> ArrayOf(std::initializer_list<double> values, int capacity = 20) {
  OneBasedArray<double> a(capacity, 0.0);
  int i = 0;
  for (double v : values) a[++i] = v;
  return a;
}

std::vector<double> Elements(const OneBasedArray<double>& a, int count) {
  const auto r = a.range(1, count);
  return {r.begin(), r.end()};
}

// Natural cubic through four points, evaluated on the middle segment, by the textbook route:
// the 2×2 system for the inner second derivatives and the polynomial form on [x1, x2].
double NaturalCubic(const double x[4], const double y[4], double t) {
  const double h0 = x[1] - x[0], h1 = x[2] - x[1], h2 = x[3] - x[2];
  const double r1 = 6.0 * ((y[2] - y[1]) / h1 - (y[1] - y[0]) / h0);
  const double r2 = 6.0 * ((y[3] - y[2]) / h2 - (y[2] - y[1]) / h1);
  const double a11 = 2.0 * (h0 + h1), a22 = 2.0 * (h1 + h2), a12 = h1;
  const double det = a11 * a22 - a12 * a12;
  const double m1 = (r1 * a22 - a12 * r2) / det;
  const double m2 = (a11 * r2 - a12 * r1) / det;
  const double slope = (y[2] - y[1]) / h1 - h1 * (2.0 * m1 + m2) / 6.0;
  const double d = t - x[1];
  return y[1] + slope * d + m1 / 2.0 * d * d + (m2 - m1) / (6.0 * h1) * d * d * d;
}

TEST(InterpolateTable, ExtendsEndLinesAndUsesCubicOnlyWhereInnerOrdinatesTurn) {
  const double x[6] = {1, 2, 4, 5, 7, 8};
  const double y[6] = {0, 1, 3, 2, 0.5, 0.25};
  std::vector<double> table(y, y + 6);
  table.insert(table.end(), x, x + 6);
  const auto at = [&](double t) { return InterpolateTable(table, 6, t); };

  EXPECT_DOUBLE_EQ(at(0.0), -1.0);    // line through points 1 and 2
  EXPECT_DOUBLE_EQ(at(10.0), -0.25);  // line through points 5 and 6
  EXPECT_DOUBLE_EQ(at(8.0), 0.25);    // the last abscissa itself
  EXPECT_DOUBLE_EQ(at(1.5), 0.5);     // first segment: linear
  EXPECT_DOUBLE_EQ(at(7.5), 0.375);   // last segment: linear
  EXPECT_DOUBLE_EQ(at(5.5), 1.625);   // 3, 2, 0.5, 0.25 fall steadily: linear
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(at(x[i]), y[i], 1e-12);

  // 0, 1, 3, 2 and 1, 3, 2, 0.5 rise and fall: the natural cubic through those four points.
  EXPECT_NEAR(at(3.3), NaturalCubic(x, y, 3.3), 1e-12);
  EXPECT_NEAR(at(4.6), NaturalCubic(x + 1, y + 1, 4.6), 1e-12);
  EXPECT_GT(std::fabs(at(3.3) - 2.3), 0.1);  // visibly not the straight line
}

TEST(InterpolateTable, DegenerateTablesGiveFiniteValues) {
  const std::vector<double> single = {7.0, 3.0};
  EXPECT_EQ(InterpolateTable(single, 1, 100.0), 7.0);
  EXPECT_EQ(InterpolateTable(single, 0, 1.0), 0.0);
  EXPECT_EQ(InterpolateTable(single, 5, 1.0), 7.0);  // n cut to what the table holds
  const std::vector<double> equal_ends = {5, 6, 7, 1, 1, 2};
  EXPECT_EQ(InterpolateTable(equal_ends, 3, 0.0), 5.0);
  EXPECT_DOUBLE_EQ(InterpolateTable(equal_ends, 3, 1.5), 6.5);
}

TEST(ArrayTools, SortFilterMedianAndExtremesFollowTheirModes) {
  auto a = ArrayOf({3, 1, 2, 1});
  int count = 4;
  SortArray(a, count, 1);
  EXPECT_EQ(Elements(a, count), (std::vector<double>{1, 1, 2, 3}));
  SortArray(a, count, -1);
  EXPECT_EQ(Elements(a, count), (std::vector<double>{3, 2, 1, 1}));

  auto repeats = ArrayOf({1, 1, 2, 3, 3, 3, 5});
  count = 7;
  SortArray(repeats, count, 0);
  EXPECT_EQ(Elements(repeats, count), (std::vector<double>{1, 2, 3, 5}));

  const auto mixed = ArrayOf({3, 0, -2, 0, 4});
  const std::vector<std::vector<double>> kept = {{3, 0, 0, 4}, {3, -2, 4}, {0, -2, 0}};
  for (int mode = -1; mode <= 1; ++mode) {
    auto b = mixed;
    count = 5;
    FilterBySign(b, count, mode);
    EXPECT_EQ(Elements(b, count), kept[static_cast<std::size_t>(mode + 1)]) << "mode " << mode;
  }

  NumericWork work;
  EXPECT_EQ(Median(work, ArrayOf({7, 1, 5, 3}), 4), 4.0);
  EXPECT_EQ(Elements(work.work_result, 4), (std::vector<double>{1, 3, 5, 7}));
  EXPECT_EQ(Median(work, ArrayOf({9, 2, 4}), 3), 4.0);

  const auto values = ArrayOf({2, 5, 1, 5, 1});
  const MinMax m = FindMinMax(values, 1, 5);
  EXPECT_EQ(m.min_index, 3);
  EXPECT_EQ(m.max_index, 2);
  EXPECT_EQ(FindMinMax(values, 0, 5).max_value, 2.0);
  const MinMax backwards = FindMinMax(values, 4, 2);
  EXPECT_EQ(backwards.min_index, 4);
  EXPECT_EQ(backwards.max_value, 5.0);
}

TEST(ArrayTools, RebinKeepsTheSumAndRefusesTooLongAxes) {
  NumericWork work;
  for (int i = 1; i <= 100; ++i) work.work_data[i] = 10.0 + (i % 7);
  double total = 0.0;
  for (int i = 1; i <= 100; ++i) total += work.work_data[i];
  int count = 0;
  ASSERT_TRUE(Rebin(work, 100, 2.0, count).ok);
  EXPECT_EQ(count, 52);
  double rebinned = 0.0;
  for (int b = 1; b <= count; ++b) rebinned += work.work_result[b];
  EXPECT_NEAR(rebinned, total, 1e-9);

  for (int i = 1; i <= 100; ++i) work.work_data[i] = 10.0;
  ASSERT_TRUE(Rebin(work, 100, 2.5, count).ok);
  EXPECT_EQ(count, 42);  // nint(40) + 2
  for (int b = 2; b <= 40; ++b) EXPECT_NEAR(work.work_result[b], 25.0, 0.02) << "bin " << b;

  work.work_result[1] = 123.0;
  const Outcome refused = Rebin(work, 8193, 2.0, count);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "Too long array");
  EXPECT_FALSE(Rebin(work, 8192, 0.0, count).ok);
  EXPECT_FALSE(Rebin(work, 8192, 0.4, count).ok);  // 20482 bins would not fit
  EXPECT_EQ(work.work_result[1], 123.0);
  EXPECT_EQ(count, 42);
}

TEST(ArrayTools, LineFitTwoRangesRecoversAStraightLine) {
  OneBasedArray<double> a(100, 0.0);
  for (int k = 1; k <= 100; ++k) a[k] = 3.0 + 0.5 * k + (k > 5 && k < 20 ? 1000.0 : 0.0);
  const LineFit fit = LineFitTwoRanges(a, 1, 5, 20, 24);
  EXPECT_DOUBLE_EQ(fit.mean_x, 12.5);
  EXPECT_DOUBLE_EQ(fit.mean_y, 3.0 + 0.5 * 12.5);
  EXPECT_NEAR(fit.slope, 0.5, 1e-12);
  EXPECT_EQ(LineFitTwoRanges(a, 5, 5, 5, 5).slope, 0.0);
}

TEST(UniformRandom, FollowsBothCongruencesFromTheStartStates) {
  std::int64_t s1 = 12345, s2 = 67890;
  RandomState state;
  for (int draw = 1; draw <= 3; ++draw) {
    s1 = s1 * 40014 % 2147483563;
    s2 = s2 * 40692 % 2147483399;
    std::int64_t z = s1 - s2;
    if (z < 1) z += 2147483562;
    const double value = UniformRandom(state);
    EXPECT_EQ(value, static_cast<double>(z) * 4.656613e-10) << "draw " << draw;
    EXPECT_GT(value, 0.0);
    EXPECT_LT(value, 1.0);
  }
  EXPECT_EQ(state.s1, s1);
  EXPECT_EQ(state.s2, s2);
}

// Counts of a Gaussian peak of the given FWHM and height over a flat background.
OneBasedArray<double> GaussianPeak(int n, double centre, double fwhm, double height, double bg) {
  OneBasedArray<double> a(n, 0.0);
  for (int i = 1; i <= n; ++i) {
    const double d = (i - centre) / fwhm;
    a[i] = bg + height * std::exp(-4.0 * std::log(2.0) * d * d);
  }
  return a;
}

TEST(HalfWidth, MeasuresAGaussianAndRejectsUnmeasurablePeaks) {
  for (double centre : {50.0, 50.3, 49.8}) {
    const auto peak = GaussianPeak(120, centre, 5.0, 1000.0, 0.0);
    EXPECT_NEAR(HalfWidth(peak, 49, 120), 5.0, 0.1) << "centre " << centre;  // steps up to 50
  }

  OneBasedArray<double> spike(20, 0.0);
  spike[10] = 100.0;
  EXPECT_DOUBLE_EQ(HalfWidth(spike, 10, 20), 1.0);
  // A left walk that ends on element 1 leaves the half point at the inner point there.
  const auto shoulder = ArrayOf({0, 600, 1000, 600, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(HalfWidth(shoulder, 3, 8), 2.0 + 1.0 / 6.0);
  spike[10] = 0.0001;  // too small a step to place the half-maximum points: width 0
  EXPECT_EQ(HalfWidth(spike, 10, 20), -1.0);

  const auto edge = GaussianPeak(20, 2.0, 5.0, 1000.0, 0.0);  // no left edge above element 1
  EXPECT_EQ(HalfWidth(edge, 2, 20), -1.0);
  const auto late = GaussianPeak(20, 18.0, 5.0, 1000.0, 0.0);  // right walk stops at count−2
  EXPECT_EQ(HalfWidth(late, 18, 20), -1.0);
  EXPECT_EQ(HalfWidth(late, 21, 20), -1.0);
}

TEST(ProbePeak, FindsAPeakOnABackgroundAndNothingOnFlatData) {
  NumericWork work;
  const auto counts = GaussianPeak(200, 80.2, 4.0, 1000.0, 20.0);
  const PeakProbe probe = ProbePeak(work, counts, 200, 77.0);
  ASSERT_TRUE(probe.found);
  EXPECT_NEAR(probe.position, 80.2, 0.2);
  EXPECT_NEAR(probe.width, 4.0, 0.4);
  const double area = 1000.0 * 4.0 * std::sqrt(std::numbers::pi / (4.0 * std::log(2.0)));
  EXPECT_NEAR(probe.net_sum, area, 0.01 * area);
  EXPECT_NEAR(probe.background, 20.0, 0.01);
  EXPECT_NEAR(work.work_table[80], counts[80] - 20.0, 0.01);

  OneBasedArray<double> flat(200, 9.0);
  for (int i = 1; i <= 200; i += 3) flat[i] = 7.0;
  EXPECT_FALSE(ProbePeak(work, flat, 200, 100.0).found);
  EXPECT_FALSE(ProbePeak(work, counts, 200, 0.5).found);
  EXPECT_FALSE(ProbePeak(work, counts, 200, 201.0).found);
}

}  // namespace
}  // namespace pektra
