// The new peak search and the division into fit intervals.
#include "marking/peak_search.h"

#include <gtest/gtest.h>

#include <cmath>

#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

// A state whose width line gives `width` channels everywhere, with peaks at `channels`.
void MarkPeaks(AnalysisState& state, const std::vector<double>& channels, double width) {
  state.peak_search.work_slope = 0.0;
  state.peak_search.work_offset = width;
  state.peak_search.compression = 1.0;
  state.marking.peak_count = static_cast<int>(channels.size());
  for (int j = 1; j <= state.marking.peak_count; ++j) state.marking.peak_list[j] = channels[j - 1];
}

std::vector<IntervalRecord> Intervals(const AnalysisState& state) {
  std::vector<IntervalRecord> list;
  for (int k = 1; k <= state.marking.interval_count; ++k)
    list.push_back(state.marking.interval_table[k]);
  return list;
}

TEST(DivideIntoIntervals, LonePeakGetsTwiceKWidthTimesWidthPlusAdIntervAroundIt) {
  AnalysisState state;
  MarkPeaks(state, {1000}, 4.0);
  DivideIntoIntervals(MarkingOf(state), 2, 4095);
  EXPECT_EQ(Intervals(state), (std::vector<IntervalRecord>{{989, 1011, 1, 1}}));

  state.marking.peak_count = 0;
  DivideIntoIntervals(MarkingOf(state), 2, 4095);
  EXPECT_EQ(state.marking.interval_count, 0);
}

TEST(DivideIntoIntervals, ClosePeaksShareAnIntervalAndOuterBoundsStayInside) {
  AnalysisState state;
  // 1000, 1012 and 1024 overlap in a chain; 1100 is alone; 3 and 4093 reach past the bounds.
  MarkPeaks(state, {1100, 1012, 1000, 1024, 4093, 3}, 4.0);
  DivideIntoIntervals(MarkingOf(state), 2, 4095);
  const std::vector<IntervalRecord> intervals = Intervals(state);
  ASSERT_EQ(intervals.size(), 4u);
  EXPECT_EQ(state.marking.peak_list[1], 3.0);  // the peaks are sorted
  // On an empty spectrum every inner bound settles one channel down (the first of three equal
  // values); the outer bounds are not moved.
  EXPECT_EQ(intervals[0], (IntervalRecord{2, 13, 1, 1}));
  EXPECT_EQ(intervals[1], (IntervalRecord{988, 1034, 2, 4}));  // three peaks in one interval
  EXPECT_EQ(intervals[2], (IntervalRecord{1088, 1110, 5, 5}));
  EXPECT_EQ(intervals[3], (IntervalRecord{4081, 4095, 6, 6}));
}

TEST(DivideIntoIntervals, PeaksWithinHalfAChannelAreOnePeakWithOneInterval) {
  AnalysisState state;
  MarkPeaks(state, {1000, 2000.4, 1000, 2000, 1500, 1500.6}, 4.0);
  DivideIntoIntervals(MarkingOf(state), 2, 4095);
  ASSERT_EQ(state.marking.peak_count, 4);
  EXPECT_EQ(state.marking.peak_list[1], 1000.0);
  EXPECT_EQ(state.marking.peak_list[2], 1500.0);  // 0.6 apart: two peaks, sharing an interval
  EXPECT_EQ(state.marking.peak_list[3], 1500.6);
  EXPECT_DOUBLE_EQ(state.marking.peak_list[4], 2000.2);
  // On an empty spectrum inner bounds settle one channel down.
  EXPECT_EQ(Intervals(state), (std::vector<IntervalRecord>{
                                  {989, 1010, 1, 1}, {1488, 1511, 2, 3}, {1988, 2011, 4, 4}}));
}

TEST(DivideIntoIntervals, InnerBoundsSettleIntoTheValleyOfTheSpectrum) {
  AnalysisState state;
  for (int c = 1; c <= 4096; ++c) state.spectrum.counts[c] = 100;
  state.spectrum.counts[1030] = 10;  // the valley next to the right bound 1031 of peak 1020
  MarkPeaks(state, {1020, 1060}, 4.0);
  DivideIntoIntervals(MarkingOf(state), 2, 4095);
  ASSERT_EQ(state.marking.interval_count, 2);
  EXPECT_EQ(state.marking.interval_table[1].right, 1030);
  EXPECT_EQ(state.marking.interval_table[2].left, 1048);  // flat there: the first of the three
}

TEST(DivideIntoIntervals, LongIntervalsAreSplitAtTheirWidestGapUntilShortEnough) {
  AnalysisState state;
  state.marking.max_interval = 64;
  // A chain of peaks 10 channels apart with one wider gap of 18 after 1050.
  std::vector<double> peaks;
  for (int c = 1000; c <= 1050; c += 10) peaks.push_back(c);
  for (int c = 1068; c <= 1138; c += 10) peaks.push_back(c);
  MarkPeaks(state, peaks, 4.0);
  DivideIntoIntervals(MarkingOf(state), 2, 4095);
  const std::vector<IntervalRecord> intervals = Intervals(state);
  ASSERT_GE(intervals.size(), 2u);
  // The first split is after peak 6 (1050), at 1050 + round(19 / 2) = 1060.
  EXPECT_EQ(intervals[0].left, 989);
  int expected_first = 1;
  for (std::size_t k = 0; k < intervals.size(); ++k) {
    const IntervalRecord& r = intervals[k];
    EXPECT_EQ(r.first_peak, expected_first);
    expected_first = r.last_peak + 1;
    if (r.last_peak > r.first_peak) {
      EXPECT_LE(r.right - r.left + 1, 64) << k;
    }
    if (k > 0) {
      EXPECT_EQ(r.left, intervals[k - 1].right);
    }
    for (int j = r.first_peak; j <= r.last_peak; ++j) {
      EXPECT_GE(state.marking.peak_list[j], r.left);
      EXPECT_LE(state.marking.peak_list[j], r.right);
    }
  }
  EXPECT_EQ(expected_first, 15);
  bool split_at_wide_gap = false;
  for (const IntervalRecord& r : intervals) split_at_wide_gap |= r.right == 1060;
  EXPECT_TRUE(split_at_wide_gap);
}

TEST(PeakSearchSteps, WindowTestAcceptsEqualityAndLowCountPairsMergeAtWeightedMean) {
  EXPECT_TRUE(WindowHoldsSomething(3.0, 0.0, 1.0));  // 3 * sqrt(1) * 1 <= |3 - 0|
  EXPECT_FALSE(WindowHoldsSomething(2.999, 0.0, 1.0));
  EXPECT_TRUE(WindowHoldsSomething(300 + 3 * std::sqrt(301.0), 100.0, 1.0));

  OneBasedArray<double> work(20, 0.0);
  work[10] = 50;
  work[11] = 100;
  work[15] = 200;
  work[16] = 100;  // above 150 on one side: kept apart
  std::vector<double> positions{10, 11, 15, 16};
  MergeCloseLowCountPairs(positions, work, 20, 2.0);
  ASSERT_EQ(positions.size(), 3u);
  EXPECT_DOUBLE_EQ(positions[0], (10 * 50 + 11 * 100) / 150.0);
  EXPECT_EQ(positions[1], 15);
}

// A synthetic spectrum in the state, the interval and widths set as a user would.
void LoadSynthetic(AnalysisState& state, const SyntheticSpec& recipe, double w1, double w2) {
  LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
  state.spectrum.b1 = 2;
  state.spectrum.b2 = recipe.channels - 1;
  state.spectrum.w1 = w1;
  state.spectrum.w2 = w2;
  state.spectrum.delta_w = 1.0;
}

std::vector<double> Found(const AnalysisState& state) {
  std::vector<double> list;
  for (int j = 1; j <= state.marking.peak_count; ++j) list.push_back(state.marking.peak_list[j]);
  return list;
}

TEST(FindPeaks, WidePeaksAreSearchedCompressedAndReportedInSpectrumChannels) {
  AnalysisState state;
  SyntheticSpec recipe;
  recipe.channels = 4096;
  recipe.background = {500, 1500, 50};
  for (const double c : {600.0, 1500.0, 2400.0, 3300.0}) recipe.peaks.push_back({c, 40000, 16});
  LoadSynthetic(state, recipe, 16, 16);
  testing::ScriptedUi ui;
  FindPeaks(MarkingOf(state), ui, 2, 1.0, 16, 16, 4095);
  EXPECT_EQ(state.peak_search.compression, 2.0);
  // Converted back to spectrum channels without the bias of the bin offset: within a channel.
  const std::vector<double> found = Found(state);
  for (const SyntheticPeak& peak : recipe.peaks) {
    double nearest = 1e9;
    for (const double c : found) {
      if (std::fabs(c - peak.channel) < std::fabs(nearest)) nearest = c - peak.channel;
    }
    EXPECT_LE(std::fabs(nearest), 1.0) << "peak at " << peak.channel;
  }
}

TEST(FindPeaks, StopsAt150PeaksWithItsMessage) {
  AnalysisState state;
  SyntheticSpec recipe;
  recipe.channels = 8192;
  recipe.background = {0, 1000, 20};
  for (int k = 0; k < 200; ++k) recipe.peaks.push_back({30.0 + 40 * k, 5000, 3});
  LoadSynthetic(state, recipe, 3, 3);
  testing::ScriptedUi ui;
  FindPeaks(MarkingOf(state), ui, 2, 1.0, 3, 3, 8191);
  EXPECT_EQ(state.marking.peak_count, 150);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"150 peaks already found, search stopped"});
  EXPECT_NEAR(state.marking.peak_list[150], 30 + 40 * 149, 2.0);
}

TEST(FindPeaks, ResolutionEntersOnlyByItsAbsoluteValue) {
  RandomSpectrumOptions options;
  options.seed = 7;
  options.doublets = 6;
  const RandomSpectrumResult random = RandomSpectrum(options);
  std::vector<double> found[2];
  for (int k = 0; k < 2; ++k) {
    AnalysisState state;
    LoadSynthetic(state, random.spec, 3.0, 6.0);
    state.marking.resol = k == 0 ? -1.0 : 1.0;
    testing::ScriptedUi ui;
    FindPeaks(MarkingOf(state), ui, 2, 1.0, 6.0, 3.0, random.spec.channels - 1);
    found[k] = Found(state);
  }
  EXPECT_GT(found[0].size(), 10u);
  EXPECT_EQ(found[0], found[1]);
}

}  // namespace
}  // namespace pektra
