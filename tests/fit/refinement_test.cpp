// Refinement of the marking by the fit: invented peaks go, missed ones and hidden doublets are
// found, and the marking and the rows are rebuilt from what the fits support.
#include "fit/refinement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fit/spectrum_fit.h"
#include "marking/peak_search.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A 1024-channel spectrum of Gaussian peaks of FWHM 4 on a flat background of 200 counts.
void Load(AnalysisState& state, const std::vector<SyntheticPeak>& peaks, std::uint32_t seed) {
  SyntheticSpec recipe;
  recipe.channels = 1024;
  recipe.background.constant = 200;
  recipe.peaks = peaks;
  recipe.seed = seed;
  LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
  TSpectrum& sp = state.spectrum;
  sp.b1 = 2;
  sp.b2 = 1023;
  sp.w1 = sp.w2 = 4;
  sp.delta_w = 3.5;
  sp.ApplyVarianceFormula(state.processing.covar);
  state.marking.refinement.refine = true;
}

// The marking of a search that found `channels`, divided into intervals.
void Mark(AnalysisState& state, const std::vector<double>& channels) {
  TSpectrum& sp = state.spectrum;
  state.marking.peak_count = testing::Fill(state.marking.peak_list, channels);
  state.width.width_slope = 0;
  state.width.width_offset = sp.w1;
  state.peak_search.work_slope = 0;
  state.peak_search.work_offset = sp.w1;
  state.peak_search.compression = 1.0;
  DivideIntoIntervals(MarkingOf(state), sp.b1, sp.b2);
}

std::vector<double> FittedChannels(const AnalysisState& state) {
  std::vector<double> channels;
  for (int j = 1; j <= state.results.result_count; ++j) {
    channels.push_back(state.results.result_rows[j][0]);
  }
  return channels;
}

// The scanner keeps the channels' weights between scan steps; errors that changed in between
// (another variance formula, a corrected channel) must count as they are now.
TEST(ExcessScanner, WeightsKeptBetweenStepsFollowChangedErrors) {
  AnalysisState state;
  Load(state, {{500.0, 6000.0, 4.0}}, 11);
  const FitContext ctx = FitOf(state);
  std::vector<double> excess(1030, 0.0);
  for (int c = 1; c <= 1024; ++c)
    excess[static_cast<std::size_t>(c)] = state.spectrum.counts[c] - 200;
  auto scan = [&](ExcessScanner& scanner, bool with_line) {
    std::vector<double> values;
    for (double centre = 490.0; centre <= 510.0; centre += 0.5) {
      values.push_back(scanner.Significance(excess, 0, static_cast<int>(centre) - 12,
                                            static_cast<int>(centre) + 12, centre, 4.0, with_line));
    }
    return values;
  };
  for (const bool with_line : {false, true}) {
    ExcessScanner kept(ctx);
    const std::vector<double> before = scan(kept, with_line);
    for (int c = 495; c <= 505; ++c) state.spectrum.errors[c] *= 1.5;
    const std::vector<double> after = scan(kept, with_line);
    ExcessScanner fresh(ctx);
    EXPECT_EQ(after, scan(fresh, with_line)) << with_line;
    EXPECT_NE(after, before) << with_line;
    for (int c = 495; c <= 505; ++c) state.spectrum.errors[c] /= 1.5;
  }
}

TEST(RefineSpectrum, RemovesInventedPeaksAndFindsTheMissedOne) {
  // Given two real peaks, one marked beside an invented one on plain background, the other
  // not marked at all
  AnalysisState state;
  Load(state, {{300.3, 20000, 4}, {700.6, 3000, 4}}, 7);
  Mark(state, {300, 330});
  ScriptedUi ui;
  // When the spectrum is fitted with refinement
  FitSpectrum(FitOf(state), ui);
  // Then the invented peak is gone, the missed one found, and the marking holds just the two
  const std::vector<double> fitted = FittedChannels(state);
  ASSERT_EQ(fitted.size(), 2u);
  EXPECT_NEAR(fitted[0], 300.3, 0.2);
  EXPECT_NEAR(fitted[1], 700.6, 0.5);
  EXPECT_EQ(state.marking.peak_count, 2);
  EXPECT_EQ(state.marking.interval_count, 2);
  EXPECT_NEAR(state.results.result_rows[2][2], 3000, 4 * state.results.result_rows[2][3]);
  const std::vector<std::string>& notes = state.fit.refinement_notes;
  ASSERT_FALSE(notes.empty());
  EXPECT_NE(notes.front().find("removed, area"), std::string::npos) << notes.front();
  EXPECT_NE(state.debug_log->MemoryText().find("removed, area"), std::string::npos);
  EXPECT_TRUE(ui.notes().empty());
}

TEST(RefineSpectrum, ResolvesTwoEqualPeaksOneWidthApart) {
  // Two peaks of 1e4 counts one FWHM apart, marked as one: split in most spectra, with both
  // areas right.
  int resolved = 0;
  for (std::uint32_t seed = 1; seed <= 10; ++seed) {
    AnalysisState state;
    Load(state, {{500, 10000, 4}, {504, 10000, 4}}, seed);
    Mark(state, {502});
    ScriptedUi ui;
    FitSpectrum(FitOf(state), ui);
    if (state.results.result_count != 2) continue;
    bool good = true;
    for (int j : {1, 2}) {
      const ResultRow& r = state.results.result_rows[j];
      good = good && std::fabs(r[2] - 10000) < 3 * r[3];
    }
    resolved += good;
  }
  EXPECT_GE(resolved, 8);
}

TEST(RefineSpectrum, AddsAPeakOnAStrongPeaksShoulder) {
  AnalysisState state;
  Load(state, {{400, 50000, 4}, {407, 2500, 4}}, 3);
  Mark(state, {400});
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  const std::vector<double> fitted = FittedChannels(state);
  ASSERT_EQ(fitted.size(), 2u);
  EXPECT_NEAR(fitted[1], 407, 0.7);
}

TEST(RefineSpectrum, OffLeavesTheMarkingAsItIs) {
  AnalysisState state;
  Load(state, {{300.3, 20000, 4}}, 7);
  state.marking.refinement.refine = false;
  Mark(state, {300, 330});
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  EXPECT_EQ(state.marking.peak_count, 2);
  EXPECT_EQ(FittedChannels(state).size(), 2u);
  EXPECT_TRUE(state.fit.refinement_notes.empty());
}

}  // namespace
}  // namespace pektra
