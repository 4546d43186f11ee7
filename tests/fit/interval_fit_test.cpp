// The interval fit: the model's derivatives, the parameter limits it sets up, the background
// degree, and the per-peak results.
#include "fit/interval_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Indices of the layout for n peaks.
int Amp(int n, int k) { return 4 + k + 0 * n; }
int Pos(int n, int k) { return 4 + n + k; }
int W0(int n) { return 5 + 2 * n; }
int W1(int n) { return 6 + 2 * n; }

SyntheticSpec Spec(std::vector<SyntheticPeak> peaks, int channels = 1024, std::uint32_t seed = 7) {
  SyntheticSpec recipe;
  recipe.channels = channels;
  recipe.peaks = std::move(peaks);
  recipe.background = {300.0, 800.0, 40.0};
  recipe.seed = seed;
  return recipe;
}

// A state with the spectrum of `recipe`, the interval first..last and its peaks marked at `marks`.
void Prepare(AnalysisState& state, const SyntheticSpec& recipe, int first, int last,
             const std::vector<double>& marks) {
  LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
  state.spectrum.w1 = 4.0;
  state.spectrum.w2 = 4.0;
  state.fit.fit_first = first;
  state.fit.fit_last = last;
  state.fit.fit_peaks = static_cast<int>(marks.size());
  state.fit.fit_width = 4.0;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    state.marking.peak_list[static_cast<int>(i) + 1] = marks[i];
  }
  state.marking.peak_count = static_cast<int>(marks.size());
}

// The analytic derivatives of the point procedure agree with central differences of its model
// value for every parameter at every point. A difference taken across one of the shape table's
// node midpoints (where the piecewise quadratic jumps slightly) shows as disagreeing one-sided
// differences and is left out; nearly all must be compared.
TEST(ModelPoint, AnalyticDerivativesMatchFiniteDifferences) {
  AnalysisState state;
  Prepare(state, Spec({{115, 3000, 4}, {129, 5000, 4.5}, {140, 2000, 4}}), 100, 160,
          {115, 129, 140});
  state.spectrum.b1 = 1;
  state.spectrum.b2 = 1024;
  state.fit.fit_max_count = 1000;  // no channel pairing
  const int n = 3;
  TParameter& fitter = state.fitter;
  fitter.set_parameter_count(2 * n + 6);
  const std::vector<double> values{50, 5, -3, 2, 300, 500, 200, 115.3, 128.7, 140.1, 4.2, 0.8};
  for (int j = 1; j <= 2 * n + 6; ++j)
    fitter.param(j).value = values[static_cast<std::size_t>(j - 1)];

  int compared = 0, total = 0;
  double worst = 0.0;
  for (int k = 1; k <= 61; ++k) {
    ModelPoint(FitOf(state), 1, k);
    std::vector<double> analytic;
    for (int j = 1; j <= 2 * n + 6; ++j) analytic.push_back(fitter.param(j).increment);
    for (int j = 1; j <= 2 * n + 6; ++j) {
      ++total;
      ParameterRecord& p = fitter.param(j);
      const double v = p.value, h = 1e-6 * std::max(1.0, std::fabs(v));
      const double f0 = ModelPoint(FitOf(state), 1, k).f;
      p.value = v + h;
      const double fp = ModelPoint(FitOf(state), 1, k).f;
      p.value = v - h;
      const double fm = ModelPoint(FitOf(state), 1, k).f;
      p.value = v;
      const double forward = (fp - f0) / h, backward = (f0 - fm) / h;
      const double scale = std::max(1.0, std::fabs(forward) + std::fabs(backward));
      if (std::fabs(forward - backward) > 1e-3 * scale) continue;
      ++compared;
      const double difference =
          std::fabs((fp - fm) / (2 * h) - analytic[static_cast<std::size_t>(j - 1)]) / scale;
      worst = std::max(worst, difference);
      EXPECT_LT(difference, 1e-4) << "point " << k << " parameter " << j;
    }
  }
  EXPECT_GT(compared, total * 95 / 100);
  EXPECT_LT(worst, 1e-4);
}

// Below small_stat counts the fitted value of a channel is the sum of it and the next one; the
// last channel of the spectrum has no next one and stays alone.
TEST(ModelPoint, PairsChannelsBelowSmallStatisticsAndStopsAtTheLastChannel) {
  AnalysisState state;
  for (int c = 1; c <= kMaxChannels; ++c) {
    state.spectrum.counts[c] = c % 7;
    state.spectrum.errors[c] = 1.0;
  }
  state.fit.fit_first = kMaxChannels - 9;
  state.fit.fit_last = kMaxChannels;
  state.fit.fit_peaks = 1;
  state.fitter.set_parameter_count(8);
  state.fitter.param(W0(1)).value = 4.0;
  state.fit.fit_max_count = 6;
  const PointValue first = ModelPoint(FitOf(state), 1, 1);
  EXPECT_EQ(first.y, (kMaxChannels - 9) % 7 + (kMaxChannels - 8) % 7);
  EXPECT_DOUBLE_EQ(first.w, 0.5);
  const PointValue last = ModelPoint(FitOf(state), 1, 10);
  EXPECT_EQ(last.y, kMaxChannels % 7);
  EXPECT_DOUBLE_EQ(last.w, 1.0);

  // And a whole fit there reads nothing beyond the spectrum's arrays.
  state.marking.peak_list[1] = kMaxChannels - 4;
  state.fit.fit_width = 4.0;
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  EXPECT_TRUE(std::isfinite(state.fitter.param(Amp(1, 1)).value));
}

TEST(FitInterval, ZeroPositionFreedomKeepsEveryPeakAtItsMarkedChannel) {
  AnalysisState state;
  Prepare(state, Spec({{300, 8000, 4}, {312, 6000, 4}}), 285, 330, {300.7, 311.4});
  state.fit.delta_pos = 0;
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  for (int k = 1; k <= 2; ++k) {
    const ParameterRecord& p = state.fitter.param(Pos(2, k));
    EXPECT_EQ(p.value, state.marking.peak_list[k]);
    EXPECT_EQ(p.lower, p.upper);
    EXPECT_EQ(PeakResult(FitOf(state), k)[1], 0.0);  // a fixed position has no error
  }
  EXPECT_GT(PeakResult(FitOf(state), 1)[2], 4000);  // the areas are still fitted
}

TEST(FitInterval, PeakMarkedOutsideTheIntervalKeepsItsPositionButFitsItsAmplitude) {
  AnalysisState state;
  Prepare(state, Spec({{137, 9000, 6}, {160, 7000, 4}}), 140, 185, {136.0, 159.5});
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  const ParameterRecord& outside = state.fitter.param(Pos(2, 1));
  EXPECT_EQ(outside.value, 136.0);
  EXPECT_EQ(outside.error, 0.0);
  EXPECT_GT(state.fitter.param(Amp(2, 1)).error, 0.0);  // free
  const ParameterRecord& inside = state.fitter.param(Pos(2, 2));
  EXPECT_LT(inside.lower, inside.upper);
  EXPECT_NEAR(inside.value, 160.0, 0.3);
}

// Background degree: at most the number of peaks, 2 for a flat interval, one more for ends of
// opposite sign, 3 for a refit; the coefficients above it are fixed at 0.
TEST(FitInterval, ChoosesTheBackgroundDegreeAndFixesHigherCoefficients) {
  ScriptedUi ui;
  {
    AnalysisState state;  // dback -3
    Prepare(state, Spec({{400, 20000, 4}}), 385, 415, {400});
    FitInterval(FitOf(state), ui, 1, false);
    EXPECT_EQ(state.fit.fit_bg_degree, 1);
    EXPECT_EQ(state.fitter.param(3).lower, 0.0);
    EXPECT_EQ(state.fitter.param(3).upper, 0.0);
    EXPECT_EQ(state.fitter.param(4).value, 0.0);
    FitInterval(FitOf(state), ui, 1, true);
    EXPECT_EQ(state.fit.fit_bg_degree, 3);
    EXPECT_LT(state.fitter.param(4).lower, state.fitter.param(4).upper);
  }
  {
    AnalysisState state;
    Prepare(state, Spec({{400, 20000, 4}, {410, 9000, 4}}), 385, 425, {400, 410});
    FitInterval(FitOf(state), ui, 1, false);
    EXPECT_EQ(state.fit.fit_bg_degree, 2);
  }
  {
    AnalysisState state;  // flat: max - min <= sqrt(min) lifts dback 1 to 2
    Prepare(state, Spec({}), 385, 425, {395, 405, 415});
    for (int c = 385; c <= 425; ++c) state.spectrum.counts[c] = 100 + c % 3;
    state.spectrum.dback = 1;
    FitInterval(FitOf(state), ui, 1, false);
    EXPECT_EQ(state.fit.fit_bg_degree, 2);
  }
  {
    AnalysisState state;  // ends of opposite sign (a background-free spectrum)
    Prepare(state, Spec({{400, 20000, 4}}), 385, 415, {400});
    state.spectrum.counts[385] = -50;
    state.spectrum.counts[415] = 10;
    FitInterval(FitOf(state), ui, 1, false);
    EXPECT_EQ(state.fit.fit_bg_degree, 2);
  }
}

// The region of the criterion stops at the spectrum's end: counts beyond a2 (here enormous) must
// not enter it.
TEST(PeakResult, RegionEndsAtTheSpectrumEnd) {
  AnalysisState state;
  SyntheticSpec recipe = Spec({{497, 6000, 4}}, 500);
  Prepare(state, recipe, 480, 500, {497});
  for (int c = 501; c <= 520; ++c) state.spectrum.counts[c] = 1e6;
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  const ResultRow row = PeakResult(FitOf(state), 1);
  EXPECT_GT(row[6], 3.0);
  EXPECT_LT(row[6], 200.0);  // with the channels beyond a2 it would be about 1700
}

TEST(PeakResult, WithoutWidthSlopeEveryPeakHasTheCommonWidth) {
  AnalysisState state;
  Prepare(state, Spec({{600, 8000, 5}, {612, 5000, 5}, {625, 7000, 5}}), 585, 640, {600, 612, 625});
  state.spectrum.b1 = 1;
  state.spectrum.b2 = 700;  // s is far from 0 over the interval
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  const ParameterRecord& w0 = state.fitter.param(W0(3));
  EXPECT_EQ(state.fitter.param(W1(3)).value, 0.0);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(PeakResult(FitOf(state), k)[4], w0.value);
    EXPECT_EQ(PeakResult(FitOf(state), k)[5], w0.error);
  }
  EXPECT_NEAR(w0.value, 5.0, 0.5);
}

// Areas of a single strong peak with their errors, and the fitted curve's parts.
TEST(FitInterval, RecoversASinglePeakAndSplitsTheCurveIntoItsParts) {
  AnalysisState state;
  Prepare(state, Spec({{250.3, 40000, 4.4}}), 235, 265, {250});
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  const ResultRow row = PeakResult(FitOf(state), 1);
  EXPECT_NEAR(row[0], 250.3, 0.05);
  EXPECT_NEAR(row[2], 40000, 4 * row[3]);
  EXPECT_GT(row[3], 100);
  EXPECT_LT(row[3], 600);
  EXPECT_NEAR(row[4], 4.4, 0.2);
  EXPECT_GT(row[6], 50);
  const double at_peak = FittedValue(FitOf(state), 250.3 - 235 + 1);
  ASSERT_EQ(state.fit.fit_components.size(), 3u);
  EXPECT_DOUBLE_EQ(state.fit.fit_components[1], at_peak);
  EXPECT_NEAR(state.fit.fit_components[0] + state.fit.fit_components[2], at_peak, 1e-9 * at_peak);
  EXPECT_TRUE(ui.notes().empty());
}

// The fitter's notes reach the user after each fit, the retry's too, and the debug log keeps its
// copy of each where it arose. With no channel error every point has weight 0, so the first fit
// stops and so does the retry.
TEST(FitInterval, ShowsTheNotesOfTheFirstFitAndOfTheRetry) {
  AnalysisState state;
  Prepare(state, Spec({{300, 8000, 4}}), 285, 315, {300});
  for (int c = 285; c <= 316; ++c) state.spectrum.errors[c] = 0.0;
  state.view.debug_mode = true;
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  const std::string stopped = "All errors=0.Fit stopped";
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{stopped, stopped}));
  const std::string log = state.debug_log->MemoryText();
  const std::size_t first = log.find(stopped);
  const std::size_t retry = log.find("quality flags set, one more fit");
  ASSERT_NE(retry, std::string::npos);
  EXPECT_LT(first, retry);
  EXPECT_NE(log.find(stopped, retry), std::string::npos);
}

TEST(ShowParameterArray, ListsEveryParameterByNameWithEps) {
  AnalysisState state;
  Prepare(state, Spec({{300, 8000, 4}, {312, 6000, 4}}), 285, 330, {300, 312});
  ScriptedUi ui;
  FitInterval(FitOf(state), ui, 1, false);
  ui.AnswerDialog();
  ShowParameterArray(FitOf(state), ui);
  const DialogContent& shown = ui.dialogs().at(0);
  EXPECT_EQ(shown.title, "Parameter array");
  ASSERT_EQ(shown.table.rows, 10);
  const std::vector<std::string> names{"Background0", "Background1", "Background2", "Background3",
                                       "Amplitude1",  "Amplitude2",  "Position1",   "Position2",
                                       "Width1",      "Width2"};
  for (int r = 0; r < 10; ++r)
    EXPECT_EQ(shown.table.cells[static_cast<std::size_t>(r)][0],
              names[static_cast<std::size_t>(r)]);
  EXPECT_EQ(shown.table.cells[7][1], "8");
  EXPECT_EQ(shown.labels[0].text.rfind("Eps=", 0), 0u);
}

}  // namespace
}  // namespace pektra
