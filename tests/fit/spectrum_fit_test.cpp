// The spectrum fit: which intervals are fitted and where their rows go, the "Spectrum  Fit"
// command's flow, and the accuracy of areas and positions on synthetic spectra.
#include "fit/spectrum_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "marking/peak_search.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Marks the peaks at `channels` the way the marking does after a search: the width line through
// w1 at b1 and w2 at b2, then the division into intervals.
void Mark(AnalysisState& state, const std::vector<double>& channels) {
  TSpectrum& sp = state.spectrum;
  state.marking.peak_count = testing::Fill(state.marking.peak_list, channels);
  state.width.width_slope = (sp.w2 - sp.w1) / (sp.b2 - sp.b1 + 1);
  state.width.width_offset = sp.w1 - sp.b1 * state.width.width_slope;
  state.peak_search.work_slope = state.width.width_slope;
  state.peak_search.work_offset = state.width.width_offset;
  state.peak_search.compression = 1.0;
  DivideIntoIntervals(MarkingOf(state), sp.b1, sp.b2);
}

// Peaks of FWHM 4 on a flat background of 100 counts at `channels`.
void LoadPeaks(AnalysisState& state, const std::vector<double>& channels, int length = 2048) {
  SyntheticSpec recipe;
  recipe.channels = length;
  recipe.background.constant = 100;
  for (double c : channels) recipe.peaks.push_back({c, 5000, 4});
  LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
  state.spectrum.w1 = state.spectrum.w2 = 4;
  state.marking.peak_count = testing::Fill(state.marking.peak_list, channels);
}

TEST(FitSpectrum, ReportsATooLongIntervalOnceAndFitsTheOthers) {
  AnalysisState state;
  LoadPeaks(state, {120, 400, 720});
  state.marking.max_interval = 128;
  state.marking.interval_count = 3;
  state.marking.interval_table[1] = {100, 140, 1, 1};
  state.marking.interval_table[2] = {301, 500, 2, 2};
  state.marking.interval_table[3] = {700, 740, 3, 3};
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, too long interval 301 500"});
  EXPECT_NEAR(state.results.result_rows[1][0], 120, 0.5);
  EXPECT_EQ(state.results.result_rows[2][0], 0.0);
  EXPECT_NEAR(state.results.result_rows[3][0], 720, 0.5);
  EXPECT_EQ(state.results.result_count, 3);
  EXPECT_EQ(state.fit.current_interval, 3);
}

TEST(FitSpectrum, ReportsAnIntervalWithoutPeaks) {
  AnalysisState state;
  LoadPeaks(state, {120});
  state.marking.interval_count = 2;
  state.marking.interval_table[1] = {50, 80, 2, 1};
  state.marking.interval_table[2] = {100, 140, 1, 1};
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, no peaks in 50 80"});
  EXPECT_NEAR(state.results.result_rows[1][0], 120, 0.5);
}

TEST(FitSpectrum, FitsAtMostFiftyPeaksOfAnInterval) {
  AnalysisState state;
  std::vector<double> channels;
  for (int k = 0; k < 60; ++k) channels.push_back(110 + 8 * k);
  LoadPeaks(state, channels);
  state.marking.max_interval = 600;
  state.marking.interval_count = 1;
  state.marking.interval_table[1] = {100, 590, 1, 60};
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  for (int k = 1; k <= 50; ++k) EXPECT_GT(state.results.result_rows[k][2], 0.0) << k;
  for (int k = 51; k <= 60; ++k) EXPECT_EQ(state.results.result_rows[k][2], 0.0) << k;
  EXPECT_EQ(state.results.result_count, 60);  // the interval's last peak index, as the table counts
  EXPECT_NEAR(state.results.result_rows[25][0], channels[24], 0.5);
}

TEST(SpectrumFitCommand, CancelKeepsUnsavedResults) {
  AnalysisState state;
  LoadPeaks(state, {120});
  state.marking.interval_count = 1;
  state.marking.interval_table[1] = {100, 140, 1, 1};
  state.results.results_unsaved = true;
  ScriptedUi ui;
  ui.AnswerCancel();
  SpectrumFitCommand(FitOf(state), ui);
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kOkCancel),
            std::vector<std::string>{"Previous fit results not saved"});
  EXPECT_EQ(state.results.result_count, 0);
}

TEST(SpectrumFitCommand, FitsAndAsksToSave) {
  AnalysisState state;
  LoadPeaks(state, {120});
  state.marking.interval_count = 1;
  state.marking.interval_table[1] = {100, 140, 1, 1};
  ScriptedUi ui;
  SpectrumFitCommand(FitOf(state), ui);
  EXPECT_EQ(state.view.status_text[0], "The spectrum has been fitted.");
  EXPECT_EQ(state.view.status_text[1], "Save the results");
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(state.results.result_count, 1);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(SpectrumFitCommand, PeaksWithoutIntervalsFitNothing) {
  AnalysisState state;
  LoadPeaks(state, {120});
  state.marking.interval_count = 0;
  ScriptedUi ui;
  SpectrumFitCommand(FitOf(state), ui);
  EXPECT_EQ(state.results.result_count, 0);
  EXPECT_TRUE(ui.notes().empty());
}

// Isolated Gaussian peaks (areas 2000..50000, FWHM 3..6) on a falling background with Poisson
// noise, marked within 0.3 channel of the truth: the areas scatter about the truth as their
// errors say, and the positions lie within a tenth of a FWHM.
TEST(FitSpectrum, AreasAndPositionsOfSyntheticPeaksAgreeWithTheTruth) {
  std::vector<double> pulls;
  double worst_position = 0.0;
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    std::mt19937 random(seed * 101);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    SyntheticSpec recipe;
    recipe.channels = 4096;
    recipe.seed = seed;
    recipe.background = {2000.0, 1200.0, 80.0};
    for (int i = 0; i < 20; ++i) {
      const double channel = 150 + 190 * i + 40 * unit(random);
      const double area = 2000 * std::pow(25.0, unit(random));
      recipe.peaks.push_back({channel, area, 3 + 3 * channel / 4096});
    }
    AnalysisState state;
    LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
    state.spectrum.w1 = 3;
    state.spectrum.w2 = 6;
    state.fit.width_by_channel = 1;
    std::vector<double> marks;
    for (const SyntheticPeak& p : recipe.peaks)
      marks.push_back(p.channel + 0.6 * unit(random) - 0.3);
    Mark(state, marks);
    ASSERT_EQ(state.marking.interval_count, 20);
    ScriptedUi ui;
    FitSpectrum(FitOf(state), ui);
    ASSERT_EQ(state.results.result_count, 20);
    for (int k = 1; k <= 20; ++k) {
      const SyntheticPeak& truth = recipe.peaks[static_cast<std::size_t>(k - 1)];
      const ResultRow& row = state.results.result_rows[k];
      ASSERT_GT(row[3], 0.0);
      pulls.push_back((row[2] - truth.area) / row[3]);
      worst_position = std::max(worst_position, std::fabs(row[0] - truth.channel) / truth.fwhm);
    }
  }
  double mean = 0.0, sd = 0.0;
  for (double p : pulls) mean += p;
  mean /= static_cast<double>(pulls.size());
  for (double p : pulls) sd += (p - mean) * (p - mean);
  sd = std::sqrt(sd / static_cast<double>(pulls.size() - 1));
  std::printf("area pulls: mean %.3f sd %.3f (%zu peaks); worst position %.4f FWHM\n", mean, sd,
              pulls.size(), worst_position);
  EXPECT_NEAR(mean, 0.0, 0.3);
  EXPECT_GT(sd, 0.7);
  EXPECT_LT(sd, 1.4);
  EXPECT_LT(worst_position, 0.1);
}

}  // namespace
}  // namespace pektra
