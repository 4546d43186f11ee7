// The least-squares fitter: certified reference problems, the statistics of its errors, and the
// handling of fixing, limits, dependence and bad input.
#include "numeric/least_squares.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <random>
#include <span>
#include <sstream>
#include <string_view>

#include "support/test_files.h"

namespace pektra {
namespace {

// A straight line y = p1 + p2 x through given points with unit weights.
struct LineData {
  std::vector<double> x, y;
  TParameter::PointProcedure Procedure(TParameter& fit) const {
    return [this, &fit](int, int i) {
      const double xi = x[static_cast<std::size_t>(i - 1)];
      fit.param(1).increment = 1.0;
      fit.param(2).increment = xi;
      return PointValue{y[static_cast<std::size_t>(i - 1)],
                        fit.param(1).value + fit.param(2).value * xi, 1.0};
    };
  }
};

TEST(InvertSymmetric, MatchesAKnownInverseAndDetectsSingularMatrices) {
  // [[4,2,0],[2,3,1],[0,1,2]] has determinant 12 and this inverse (cofactors / 12).
  std::vector<double> m{4, 2, 0, 2, 3, 1, 0, 1, 2};
  ASSERT_TRUE(TParameter::InvertSymmetric(m, 3));
  const std::vector<double> expected{5, -4, 2, -4, 8, -4, 2, -4, 8};
  for (std::size_t k = 0; k < 9; ++k) EXPECT_NEAR(m[k], expected[k] / 12, 1e-14) << k;

  // A 6 x 6 Hilbert matrix (condition ~1.5e7): A * inverse(A) = I.
  const int n = 6;
  std::vector<double> hilbert(n * n), inverse(n * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) hilbert[j * n + i] = 1.0 / (i + j + 1);
  inverse = hilbert;
  ASSERT_TRUE(TParameter::InvertSymmetric(inverse, n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double sum = 0;
      for (int k = 0; k < n; ++k) sum += hilbert[k * n + i] * inverse[j * n + k];
      EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-8);
    }
  }

  std::vector<double> singular{1, 2, 2, 4};
  EXPECT_FALSE(TParameter::InvertSymmetric(singular, 2));
  std::vector<double> not_a_number{NAN, 0, 0, 1};
  EXPECT_FALSE(TParameter::InvertSymmetric(not_a_number, 2));
}

// The bits of every element, so that +0 and -0 differ.
std::vector<std::uint64_t> Bits(const std::vector<double>& m) {
  std::vector<std::uint64_t> bits;
  for (const double v : m) bits.push_back(std::bit_cast<std::uint64_t>(v));
  return bits;
}

// A symmetric n x n matrix with random elements and rows `alone` replaced by a diagonal element
// (1 + damping, as the fitter replaces the rows of fixed parameters) and +0 elsewhere;
// `diagonal_boost` makes it positive definite.
std::vector<double> MatrixWithFixedRows(int n, const std::vector<int>& alone, double diagonal_boost,
                                        unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> element(-1.0, 1.0);
  std::vector<double> m(static_cast<std::size_t>(n * n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j <= i; ++j) m[j * n + i] = m[i * n + j] = element(random);
    m[i * n + i] += diagonal_boost;
  }
  for (const int r : alone) {
    for (int k = 0; k < n; ++k) m[r * n + k] = m[k * n + r] = 0.0;
    m[r * n + r] = 1.0 + 1e-3 * r;
  }
  return m;
}

TEST(InvertSymmetric, RowsSetAsideGiveTheWholeInversionBitForBit) {
  const int n = 9;
  const std::vector<int> alone{0, 1, 5, 8};
  std::vector<char> set_aside(n, 0);
  for (const int r : alone) set_aside[static_cast<std::size_t>(r)] = 1;
  // Positive definite (every pivot positive), indefinite (a negative pivot: the zeros beside the
  // rows set aside turn to -0 in the whole sweep) and a kept part with a zero diagonal after a
  // few steps.
  for (const double boost : {6.0, 0.0, 2.0}) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
      const std::vector<double> m = MatrixWithFixedRows(n, alone, boost, seed);
      std::vector<double> whole = m, apart = m;
      const bool whole_ok = TParameter::InvertSymmetric(whole, n);
      ASSERT_EQ(TParameter::InvertSymmetric(apart, n, set_aside), whole_ok) << boost << " " << seed;
      if (whole_ok) {
        EXPECT_EQ(Bits(apart), Bits(whole)) << boost << " " << seed;
      }
    }
  }
  // A row marked but not alone (a nonzero or a -0 beside its diagonal, or a tiny diagonal) is
  // swept with the rest.
  for (const double beside : {0.25, -0.0}) {
    std::vector<double> m = MatrixWithFixedRows(n, alone, 6.0, 7);
    m[1 * n + 3] = m[3 * n + 1] = beside;
    std::vector<double> whole = m, apart = m;
    ASSERT_TRUE(TParameter::InvertSymmetric(whole, n));
    ASSERT_TRUE(TParameter::InvertSymmetric(apart, n, set_aside));
    EXPECT_EQ(Bits(apart), Bits(whole)) << beside;
  }
  std::vector<double> tiny = MatrixWithFixedRows(n, alone, 6.0, 8);
  tiny[5 * n + 5] = 1e-17;
  std::vector<double> apart = tiny;
  EXPECT_FALSE(TParameter::InvertSymmetric(tiny, n));
  EXPECT_FALSE(TParameter::InvertSymmetric(apart, n, set_aside));
  // A singular kept part.
  std::vector<double> singular = MatrixWithFixedRows(n, alone, 6.0, 9);
  for (int k = 0; k < n; ++k) singular[3 * n + k] = singular[k * n + 3] = singular[2 * n + k];
  EXPECT_FALSE(TParameter::InvertSymmetric(singular, n, set_aside));
}

// ---- NIST StRD problems Gauss1, Gauss2, Gauss3 ----

struct NistProblem {
  std::vector<double> start1, start2, certified, certified_sd;
  double residual_sd = 0;
  std::vector<double> x, y;
};

NistProblem ReadNist(const std::string& file_name) {
  NistProblem problem;
  std::ifstream in(file_name);
  std::string line;
  bool data = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (data) {
      double y, x;
      std::istringstream numbers(line);
      if (numbers >> y >> x) {
        problem.y.push_back(y);
        problem.x.push_back(x);
      }
    } else if (first.size() == 2 && first[0] == 'b' && std::isdigit(first[1])) {
      std::string equals;
      double s1, s2, c, sd;
      words >> equals >> s1 >> s2 >> c >> sd;
      problem.start1.push_back(s1);
      problem.start2.push_back(s2);
      problem.certified.push_back(c);
      problem.certified_sd.push_back(sd);
    } else if (line.find("Residual Standard Deviation:") != std::string::npos) {
      problem.residual_sd = std::stod(line.substr(line.find(':') + 1));
    } else if (first == "Data:" && line.find(" y ") != std::string::npos) {
      data = true;
    }
  }
  return problem;
}

// y = b1 exp(-b2 x) + b3 exp(-(x-b4)^2/b5^2) + b6 exp(-(x-b7)^2/b8^2), analytic derivatives.
TParameter::PointProcedure NistModel(const NistProblem& p, TParameter& fit) {
  const double weight = 1.0 / (p.residual_sd * p.residual_sd);
  return [&p, &fit, weight](int, int i) {
    const double x = p.x[static_cast<std::size_t>(i - 1)];
    auto b = [&fit](int j) { return fit.param(j).value; };
    const double e = std::exp(-b(2) * x);
    fit.param(1).increment = e;
    fit.param(2).increment = -b(1) * x * e;
    double f = b(1) * e;
    for (int g = 0; g < 2; ++g) {
      const int h = 3 + 3 * g;  // height, centre, width of peak g
      const double u = x - b(h + 1), w = b(h + 2);
      const double gauss = std::exp(-u * u / (w * w));
      f += b(h) * gauss;
      fit.param(h).increment = gauss;
      fit.param(h + 1).increment = b(h) * gauss * 2 * u / (w * w);
      fit.param(h + 2).increment = b(h) * gauss * 2 * u * u / (w * w * w);
    }
    return PointValue{p.y[static_cast<std::size_t>(i - 1)], f, weight};
  };
}

double SignificantDigits(double value, double reference) {
  if (value == reference) return 16;
  return -std::log10(std::fabs(value - reference) / std::fabs(reference));
}

TEST(TParameterNist, GaussProblemsReproduceCertifiedValuesFromBothStarts) {
  for (const char* name : {"Gauss1", "Gauss2", "Gauss3"}) {
    const std::string file = testing::SharedTestData(std::string("nist/") + name + ".dat");
    if (file.empty()) GTEST_SKIP() << "the NIST reference problems are not present";
    const NistProblem problem = ReadNist(file);
    ASSERT_EQ(problem.certified.size(), 8u) << name;
    ASSERT_EQ(problem.x.size(), 250u) << name;
    for (const auto* start : {&problem.start1, &problem.start2}) {
      TParameter fit(8, 250);
      for (int j = 1; j <= 8; ++j) fit.param(j).value = (*start)[static_cast<std::size_t>(j - 1)];
      fit.settings.eps_min = 1e-10;
      fit.settings.chi2_max = 2.0;
      fit.settings.max_iterations = 200;
      fit.settings.damp = 0.01;  // the damping the interval fit uses
      fit.Fit(NistModel(problem, fit));
      EXPECT_TRUE(fit.matrix_inverted()) << name;
      EXPECT_TRUE(fit.converged()) << name;
      EXPECT_EQ(fit.stop_reason(), FitStop::kConverged) << name;
      EXPECT_EQ(fit.ndf(), 242) << name;
      for (int j = 1; j <= 8; ++j) {
        const std::size_t k = static_cast<std::size_t>(j - 1);
        EXPECT_GE(SignificantDigits(fit.param(j).value, problem.certified[k]), 6.0)
            << name << " b" << j << " = " << fit.param(j).value;
        EXPECT_GE(SignificantDigits(fit.param(j).error, problem.certified_sd[k]), 3.0)
            << name << " sd(b" << j << ") = " << fit.param(j).error;
      }
    }
  }
}

// ---- Error statistics on synthetic peaks ----

// A Gaussian of given position, FWHM and area on a linear background, 60 channels, Poisson noise.
TEST(TParameterStatistics, PullsOfPositionWidthAndAreaAreStandardNormal) {
  constexpr double kPosition = 30.3, kFwhm = 5.0, kArea = 1.0e5, kBackground = 2000.0,
                   kSlope = -10.0;
  constexpr double kSigmaPerFwhm = 1.0 / 2.3548200450309493;
  auto model = [](double x, double position, double fwhm, double area, double a, double b) {
    const double sigma = fwhm * kSigmaPerFwhm;
    return area / (sigma * std::sqrt(2 * M_PI)) *
               std::exp(-0.5 * (x - position) * (x - position) / (sigma * sigma)) +
           a + b * (x - 30.0);
  };
  std::vector<double> pulls[3];
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 generator(seed);
    std::vector<double> y(60);
    for (int i = 0; i < 60; ++i) {
      std::poisson_distribution<long> poisson(
          model(i + 1, kPosition, kFwhm, kArea, kBackground, kSlope));
      y[static_cast<std::size_t>(i)] = static_cast<double>(poisson(generator));
    }
    TParameter fit(5, 60);
    const double start[] = {kPosition + 0.8, kFwhm * 1.15, kArea * 0.85, y[0], 0.0};
    for (int j = 1; j <= 5; ++j) fit.param(j).value = start[j - 1];
    fit.settings.max_iterations = 30;
    fit.settings.eps_min = 1e-6;
    fit.settings.chi2_max = 5.0;
    fit.Fit([&](int, int i) {
      auto p = [&fit](int j) { return fit.param(j).value; };
      const double x = i, sigma = p(2) * kSigmaPerFwhm, u = (x - p(1)) / sigma;
      const double g = std::exp(-0.5 * u * u) / (sigma * std::sqrt(2 * M_PI));
      fit.param(1).increment = p(3) * g * u / sigma;
      fit.param(2).increment = p(3) * g * (u * u - 1) / sigma * kSigmaPerFwhm;
      fit.param(3).increment = g;
      fit.param(4).increment = 1.0;
      fit.param(5).increment = x - 30.0;
      const double yi = y[static_cast<std::size_t>(i - 1)];
      return PointValue{yi, p(3) * g + p(4) + p(5) * (x - 30.0), 1.0 / std::max(yi, 1.0)};
    });
    ASSERT_TRUE(fit.matrix_inverted()) << seed;
    const double truth[] = {kPosition, kFwhm, kArea};
    for (int j = 1; j <= 3; ++j) {
      pulls[j - 1].push_back((fit.param(j).value - truth[j - 1]) / fit.param(j).error);
    }
  }
  const char* names[] = {"position", "width", "area"};
  for (int k = 0; k < 3; ++k) {
    double mean = 0, square = 0;
    for (const double pull : pulls[k]) mean += pull;
    mean /= pulls[k].size();
    for (const double pull : pulls[k]) square += (pull - mean) * (pull - mean);
    const double sd = std::sqrt(square / (pulls[k].size() - 1));
    EXPECT_NEAR(mean, 0.0, 0.1) << names[k];
    EXPECT_GT(sd, 0.85) << names[k];
    EXPECT_LT(sd, 1.15) << names[k];
  }
}

// ---- Parameter records, modes and bad input ----

LineData Line(int n, double intercept, double slope) {
  LineData data;
  for (int i = 1; i <= n; ++i) {
    data.x.push_back(i);
    data.y.push_back(intercept + slope * i + ((i % 3) - 1) * 0.1);  // small deterministic scatter
  }
  return data;
}

TEST(TParameter, FixedParameterStaysAndLimitIsHitAndReported) {
  const LineData data = Line(20, 5.0, 2.0);
  TParameter fit(2, 20);
  fit.param(1).value = 3.0;
  fit.param(1).lower = fit.param(1).upper = 3.0;  // fixed
  fit.param(2).value = 1.0;
  fit.settings.max_iterations = 20;
  fit.Fit(data.Procedure(fit));
  EXPECT_EQ(fit.param(1).value, 3.0);
  EXPECT_EQ(fit.param(1).error, 0.0);
  EXPECT_GT(fit.param(2).value, 2.0);  // the slope makes up for the low intercept
  EXPECT_GT(fit.param(2).error, 0.0);
  EXPECT_FALSE(fit.hit_boundary());
  EXPECT_EQ(fit.ndf(), 19);

  TParameter limited(2, 20);
  limited.param(2).value = 1.0;
  limited.param(2).upper = 1.5;
  limited.settings.max_iterations = 20;
  limited.Fit(data.Procedure(limited));
  EXPECT_EQ(limited.param(2).value, 1.5);
  EXPECT_TRUE(limited.hit_boundary());
}

TEST(TParameter, DependentParameterFollowsItsMasterAndLaterMasterIsRejected) {
  // y = p1 + p2 x with p2 tied to p1: p2 = 0.5 p1 + 0.
  LineData data;
  for (int i = 1; i <= 10; ++i) {
    data.x.push_back(i);
    data.y.push_back(4.0 + 2.0 * i);
  }
  for (int packed : {0, 1}) {
    TParameter fit(2, 10);
    fit.param(1).value = 1.0;
    fit.param(2).dep = 1;
    fit.param(2).coef = 0.5;
    fit.settings.packed = packed;
    fit.settings.max_iterations = 30;
    fit.settings.eps_min = 1e-8;
    fit.Fit(data.Procedure(fit));
    // Least squares of y = p1 (1 + x / 2): p1 = sum(y (1 + x/2)) / sum((1 + x/2)^2).
    double num = 0, den = 0;
    for (int i = 1; i <= 10; ++i) {
      num += (4.0 + 2.0 * i) * (1 + i / 2.0);
      den += (1 + i / 2.0) * (1 + i / 2.0);
    }
    EXPECT_NEAR(fit.param(1).value, num / den, 1e-6) << packed;
    EXPECT_DOUBLE_EQ(fit.param(2).value, 0.5 * fit.param(1).value) << packed;
    EXPECT_DOUBLE_EQ(fit.param(2).error, 0.5 * fit.param(1).error) << packed;
    EXPECT_EQ(fit.ndf(), 9) << packed;
  }

  TParameter wrong(2, 10);
  wrong.param(1).dep = 2;  // depends on a later parameter
  wrong.param(1).value = 7.0;
  const FitSummary refused = wrong.Fit(data.Procedure(wrong));
  EXPECT_EQ(refused.notes, std::vector<std::string>{"Wrong parameter array"});
  EXPECT_EQ(refused.stop, FitStop::kWrongParameters);
  EXPECT_EQ(wrong.param(1).value, 7.0);
  EXPECT_FALSE(wrong.continue_flag());
  EXPECT_EQ(wrong.stop_reason(), FitStop::kWrongParameters);

  // A dependent parameter that is also fixed keeps its fixed value and loses the dependence; the
  // fit still runs.
  TParameter both(2, 10);
  both.param(2).dep = 1;
  both.param(2).lower = both.param(2).upper = both.param(2).value = 2.0;
  const FitSummary repaired = both.Fit(data.Procedure(both));
  EXPECT_EQ(repaired.notes,
            std::vector<std::string>{"Warning! Fixing and dependence contradiction removed"});
  EXPECT_EQ(repaired.stop, both.stop_reason());
  EXPECT_NE(repaired.stop, FitStop::kWrongParameters);
  EXPECT_EQ(both.param(2).dep, 2);
  EXPECT_EQ(both.param(2).value, 2.0);
}

TEST(TParameter, PackedAndFullMatrixModesGiveTheSameAnswer) {
  const LineData data = Line(15, -3.0, 0.7);
  double values[2][3], errors[2][3];
  for (int packed : {0, 1}) {
    TParameter fit(3, 15);  // p3 is fixed and takes no part
    fit.param(3).lower = fit.param(3).upper = fit.param(3).value = 9.0;
    fit.settings.packed = packed;
    fit.settings.max_iterations = 30;
    fit.settings.eps_min = 1e-9;
    fit.Fit(data.Procedure(fit));
    EXPECT_EQ(fit.ndf(), 13);
    for (int j = 1; j <= 3; ++j) {
      values[packed][j - 1] = fit.param(j).value;
      errors[packed][j - 1] = fit.param(j).error;
    }
  }
  for (int j = 0; j < 3; ++j) {
    EXPECT_NEAR(values[0][j], values[1][j], 1e-9);
    EXPECT_NEAR(errors[0][j], errors[1][j], 1e-9);
  }
}

TEST(TParameter, NoIterationGivesErrorsAtStartValuesAndFewPointsGiveNdfOne) {
  const LineData data = Line(4, 1.0, 1.0);
  TParameter fit(2, 4);
  fit.param(1).value = 10.0;
  fit.param(2).value = -1.0;
  fit.settings.max_iterations = 0;
  fit.Fit(data.Procedure(fit));
  EXPECT_EQ(fit.param(1).value, 10.0);
  EXPECT_EQ(fit.param(2).value, -1.0);
  // Unit weights: the errors of a straight line through x = 1..4 do not depend on the values.
  EXPECT_NEAR(fit.param(2).error, std::sqrt(1.0 / 5.0), 1e-4);
  EXPECT_NEAR(fit.param(1).error, std::sqrt(30.0 / 20.0), 1e-4);

  TParameter crowded(3, 2);  // three free parameters, two points
  crowded.Fit([&crowded](int, int i) {
    for (int j = 1; j <= 3; ++j) crowded.param(j).increment = std::pow(i, j - 1);
    return PointValue{1.0 * i, crowded.param(1).value, 1.0};
  });
  EXPECT_EQ(crowded.ndf(), 1);
}

TEST(TParameter, RobustWeightingKeepsAnOutlierFromPullingTheFit) {
  LineData data = Line(30, 10.0, 0.0);
  data.y[14] = 60.0;  // one channel 50 errors off
  double level[2];
  for (int robust : {0, 1}) {
    TParameter fit(1, 30);
    fit.settings.robust_c = robust ? 4.0 : 1e6;
    fit.settings.robust_k = robust ? 0.25 : 1e6;
    fit.settings.max_iterations = 30;
    fit.settings.eps_min = 1e-8;
    fit.Fit([&](int, int i) {
      fit.param(1).increment = 1.0;
      return PointValue{data.y[static_cast<std::size_t>(i - 1)], fit.param(1).value, 1.0};
    });
    level[robust] = fit.param(1).value;
  }
  EXPECT_NEAR(level[0], 10.0 + 50.0 / 30, 0.05);  // the plain mean is pulled up
  EXPECT_NEAR(level[1], 10.0, 0.1);
}

TEST(TParameter, QualityFlagsAndMessagesOnFitsThatCannotWork) {
  // A model that does not depend on its parameter: the matrix is singular (no note, only the
  // stop reason).
  TParameter flat(1, 10);
  flat.settings.damp = 0;
  const FitSummary singular = flat.Fit([&flat](int, int) {
    flat.param(1).increment = 0.0;
    return PointValue{1.0, 0.0, 1.0};
  });
  EXPECT_TRUE(singular.notes.empty());
  EXPECT_EQ(singular.stop, FitStop::kSingularMatrix);
  TParameter::Quality q = flat.CheckQuality();
  EXPECT_TRUE(q.not_inverted);
  EXPECT_TRUE(q.not_converged);
  EXPECT_EQ(flat.stop_reason(), FitStop::kSingularMatrix);
  EXPECT_EQ(flat.param(1).error, 0.0);

  // Data that a constant cannot describe: large chi2, one-sided residuals.
  TParameter poor(1, 10);
  poor.param(1).upper = 0.0;
  poor.Fit([&poor](int, int i) {
    poor.param(1).increment = 1.0;
    return PointValue{100.0 + i, poor.param(1).value, 1.0};
  });
  q = poor.CheckQuality();
  EXPECT_TRUE(q.large_chi2);
  EXPECT_TRUE(q.one_sided);
  EXPECT_FALSE(q.not_inverted);

  // No free parameter, all weights zero, no points.
  TParameter fixed(1, 5);
  fixed.param(1).lower = fixed.param(1).upper = fixed.param(1).value = 2.0;
  fixed.settings.packed = 1;
  fixed.Fit([](int, int) { return PointValue{1, 1, 1}; });
  EXPECT_EQ(fixed.error_text(), "Error, no free parameters");
  EXPECT_EQ(fixed.param(1).value, 2.0);
  EXPECT_TRUE(fixed.summary().notes.empty());  // the refusal is no note
  EXPECT_EQ(fixed.stop_reason(), FitStop::kNoFreeParameters);
  TParameter weightless(1, 5);
  const FitSummary no_weight = weightless.Fit([](int, int) { return PointValue{1, 1, 0}; });
  EXPECT_EQ(no_weight.notes, std::vector<std::string>{"All errors=0.Fit stopped"});
  EXPECT_EQ(no_weight.stop, FitStop::kAllWeightsZero);
  TParameter pointless(1, 0);
  const FitSummary no_point = pointless.Fit([](int, int) { return PointValue{1, 1, 1}; });
  EXPECT_EQ(no_point.notes, std::vector<std::string>{"No points (or no parameters)"});
  EXPECT_EQ(no_point.stop, FitStop::kNoPoints);

  // A fit starts with no notes of its own: the next, good fit of the same fitter has none.
  pointless.set_point_count(10);
  pointless.Fit([&pointless](int, int i) {
    pointless.param(1).increment = 1.0;
    return PointValue{1.0 + (i % 2) * 0.1, pointless.param(1).value, 1.0};
  });
  EXPECT_TRUE(pointless.summary().notes.empty());
  EXPECT_NE(pointless.stop_reason(), FitStop::kNoPoints);
}

TEST(TParameter, NonFiniteModelEndsTheFitAtTheLastGoodValuesWithoutNaNErrors) {
  // The model is undefined for p1 > 3; the data pull p1 towards 5.
  TParameter fit(1, 10);
  fit.param(1).value = 1.0;
  fit.settings.max_iterations = 20;
  fit.Fit([&fit](int, int) {
    const double p = fit.param(1).value;
    fit.param(1).increment = 1.0;
    return PointValue{5.0, p > 3 ? std::nan("") : p, 1.0};
  });
  EXPECT_FALSE(fit.matrix_inverted());
  EXPECT_EQ(fit.stop_reason(), FitStop::kNonFiniteModel);
  EXPECT_LE(fit.param(1).value, 3.0);
  EXPECT_EQ(fit.param(1).error, 0.0);
  EXPECT_TRUE(fit.CheckQuality().not_inverted);
}

TEST(TParameter, SettingsAreRestoredAfterAFitAndSoftenMakesTheNextOneCareful) {
  const LineData data = Line(10, 1.0, 1.0);
  TParameter fit(2, 10);
  fit.settings.chi2_max = -1;  // becomes sqrt(2 / ndf) + 1 during the fit only
  fit.settings.point_step = 0;
  fit.Fit(data.Procedure(fit));
  EXPECT_EQ(fit.settings.chi2_max, -1);
  EXPECT_EQ(fit.settings.point_step, 0);

  fit.settings.max_iterations = 3;
  fit.settings.damp = 0.02;
  fit.settings.step = 0.8;
  fit.settings.point_step = 4;
  fit.Soften();
  EXPECT_EQ(fit.settings.max_iterations, 5);
  EXPECT_DOUBLE_EQ(fit.settings.damp, 0.1);
  EXPECT_DOUBLE_EQ(fit.settings.step, 0.4);
  EXPECT_EQ(fit.settings.point_step, 1);
}

TEST(TParameter, IterationsStopAtTheCeilingWhateverTheSettingSays) {
  // A constant through 1, 2, 3 never meets a bound of Eps below zero: only the limit ends it.
  TParameter fit(1, 3);
  fit.settings.eps_min = -1;
  const auto constant = [&fit](int, int i) {
    fit.param(1).increment = 1;
    return PointValue{1.0 * i, fit.param(1).value, 1.0};
  };
  fit.settings.max_iterations = 5000;
  EXPECT_EQ(fit.Fit(constant).stop, FitStop::kIterationLimit);
  EXPECT_EQ(fit.iterations(), TParameter::kIterationCeiling);
  EXPECT_EQ(fit.settings.max_iterations, 5000);
  fit.settings.max_iterations = 12;
  fit.Fit(constant);
  EXPECT_EQ(fit.iterations(), 12);

  fit.settings.max_iterations = std::numeric_limits<int>::max();
  fit.Soften();  // must not overflow
  EXPECT_EQ(fit.settings.max_iterations, std::numeric_limits<int>::max());
}

TEST(TParameter, NumericalDerivativesAgreeWithAnalyticOnes) {
  const LineData data = Line(12, 2.0, 0.5);
  double analytic_value = 0, numerical_value = 0;
  for (int derivatives : {0, 1}) {
    TParameter fit(2, 12);
    fit.param(1).value = 1.0;
    fit.param(2).value = 1.0;
    fit.settings.derivatives = derivatives;
    fit.settings.max_iterations = 30;
    fit.settings.eps_min = 1e-9;
    fit.Fit(data.Procedure(fit));
    (derivatives ? numerical_value : analytic_value) = fit.param(2).value;
    EXPECT_TRUE(fit.converged());
  }
  EXPECT_NEAR(numerical_value, analytic_value, 1e-6);
}

// A procedure may write its derivatives straight into the fitter's array instead of into the
// increments: every fit comes out the same bit for bit, also where the fitter calls the procedure
// again at moved values (numerical derivatives, their check, second derivatives) and with a
// dependent parameter folded into its master.
TEST(TParameter, DirectDerivativesGiveTheSameFitAsIncrements) {
  // y = p1 exp(-p2 x) + p3 + p4 x on 30 points with some scatter; p4 may follow p3.
  std::vector<double> x, y;
  for (int i = 0; i < 30; ++i) {
    x.push_back(0.2 * i);
    y.push_back(50 * std::exp(-0.7 * x.back()) + 4 + 0.3 * x.back() + ((i * 7) % 5 - 2) * 0.3);
  }
  auto model = [&](const TParameter& fit, int i, double* d) {
    const double xi = x[static_cast<std::size_t>(i - 1)];
    const double e = std::exp(-fit.param(2).value * xi);
    d[0] = e;
    d[1] = -fit.param(1).value * xi * e;
    d[2] = 1.0;
    d[3] = xi;
    return PointValue{y[static_cast<std::size_t>(i - 1)],
                      fit.param(1).value * e + fit.param(3).value + fit.param(4).value * xi,
                      1.0 / (1.0 + 0.1 * i)};
  };
  struct Case {
    int derivatives, packed;
    bool check, dependent;
  };
  for (const Case c : {Case{0, 0, false, false}, Case{0, 1, false, true}, Case{1, 0, false, false},
                       Case{0, 0, true, false}, Case{1, 1, true, true}}) {
    auto setup = [&](TParameter& fit) {
      fit.param(1).value = 30;
      fit.param(2).value = 0.5;
      fit.param(3).value = 1;
      fit.param(4).value = 0.1;
      if (c.dependent) {
        fit.param(4).dep = 3;
        fit.param(4).coef = 0.05;
      }
      fit.settings.derivatives = c.derivatives;
      fit.settings.packed = c.packed;
      fit.settings.check_deriv = c.check;
      fit.settings.max_iterations = 30;
    };
    TParameter by_increments(4, 30), direct(4, 30);
    setup(by_increments);
    setup(direct);
    const FitSummary first = by_increments.Fit([&](int, int i) {
      double d[4];
      const PointValue pv = model(by_increments, i, d);
      for (int j = 1; j <= 4; ++j) by_increments.param(j).increment = d[j - 1];
      return pv;
    });
    int calls = 0;
    const FitSummary second = direct.Fit([&](int, int i, std::span<double> d) {
      ++calls;
      EXPECT_EQ(d.size(), 4u);
      // Values no derivative has: left over, they would show in the results.
      for (double& v : d) v = 1e3;
      return model(direct, i, d.data());
    });
    const std::string name = "derivatives " + std::to_string(c.derivatives) + " packed " +
                             std::to_string(c.packed) + (c.check ? " checked" : "") +
                             (c.dependent ? " dependent" : "");
    EXPECT_GT(calls, 0) << name;
    EXPECT_EQ(first.stop, second.stop) << name;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(by_increments.chi2_df()),
              std::bit_cast<std::uint64_t>(direct.chi2_df()))
        << name;
    EXPECT_EQ(by_increments.iterations(), direct.iterations()) << name;
    for (int j = 1; j <= 4; ++j) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(by_increments.param(j).value),
                std::bit_cast<std::uint64_t>(direct.param(j).value))
          << name << " p" << j;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(by_increments.param(j).error),
                std::bit_cast<std::uint64_t>(direct.param(j).error))
          << name << " p" << j;
    }
    ASSERT_EQ(by_increments.matrix_size(), direct.matrix_size()) << name;
    for (int i = 1; i <= direct.matrix_size(); ++i) {
      for (int j = 1; j <= direct.matrix_size(); ++j) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(by_increments.inverse(i, j)),
                  std::bit_cast<std::uint64_t>(direct.inverse(i, j)))
            << name << " " << i << "," << j;
      }
    }
    EXPECT_GT(direct.param(1).error, 0.0) << name;
  }
}

// A derivative that is not a finite number, wherever it stands among the others, ends the fit as
// a model failure; the largest finite number, a subnormal one and -0 are derivatives like others.
TEST(TParameter, NonFiniteDerivativeAnywhereEndsTheFit) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kMax = std::numeric_limits<double>::max();
  constexpr double kTiny = std::numeric_limits<double>::denorm_min();
  for (const int n : {1, 2, 3, 5}) {
    for (int bad_j = 1; bad_j <= n; ++bad_j) {
      for (const double odd : {kInf, -kInf, kNaN, -kNaN, kMax, -kMax, kTiny, -0.0}) {
        TParameter fit(n, 8);
        for (int j = 1; j <= n; ++j) fit.param(j).value = 1.0;
        fit.Fit([&](int, int i, std::span<double> d) {
          for (int j = 1; j <= n; ++j) d[static_cast<std::size_t>(j - 1)] = i == j ? 1.0 : 0.5;
          if (i == 4) d[static_cast<std::size_t>(bad_j - 1)] = odd;
          return PointValue{2.0 + i, fit.param(1).value, 1.0};
        });
        EXPECT_EQ(fit.stop_reason() == FitStop::kNonFiniteModel, !std::isfinite(odd))
            << n << " parameters, derivative " << bad_j << " = " << odd;
      }
    }
  }
}

}  // namespace
}  // namespace pektra
