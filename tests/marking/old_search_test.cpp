// The old peak search and the old division, on seeded synthetic spectra with known peaks.
#include "marking/old_search.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "marking/marking_data.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

// Loads the counts and sets the interval and width line as the marking command does for the
// whole spectrum, the width growing from w1 to w2.
void Prepare(AnalysisState& state, const std::vector<double>& counts, double w1, double w2) {
  TSpectrum& sp = state.spectrum;
  LoadIntoSpectrum(counts, sp);
  sp.w1 = w1;
  sp.w2 = w2;
  state.view.interval_begin = sp.b1;
  state.view.interval_end = sp.b2;
  state.width.width_slope = (w2 - w1) / (sp.b2 - sp.b1 + 1);
  state.width.width_offset = w1 - sp.b1 * state.width.width_slope;
}

std::vector<double> PeaksOfArray(const AnalysisState& state) {
  std::vector<double> peaks = testing::MarkingArray(state);
  std::erase_if(peaks, [](double v) { return v <= 0.0; });
  return peaks;
}

double Nearest(const std::vector<double>& list, double x) {
  double best = std::numeric_limits<double>::infinity();
  for (double v : list) best = std::min(best, std::fabs(v - x));
  return best;
}

// The background counts under a peak over ±1.5 FWHM.
double BackgroundUnder(const SyntheticSpec& recipe, const SyntheticPeak& peak) {
  double sum = 0.0;
  for (double c = peak.channel - 1.5 * peak.fwhm; c <= peak.channel + 1.5 * peak.fwhm; c += 1.0) {
    sum += BackgroundAt(recipe.background, c);
  }
  return sum;
}

// A marking that the fit can use: the division leaves intervals in ascending order inside the
// interval under analysis, each holding its own peaks, and the array converts.
void ExpectSoundMarking(AnalysisState& state, testing::ScriptedUi& ui) {
  const int peaks = static_cast<int>(PeaksOfArray(state).size());
  OldDivision(MarkingOf(state));
  ASSERT_TRUE(ConvertMarkingData(MarkingOf(state), ui));
  EXPECT_EQ(state.marking.peak_count, peaks);
  int previous_right = state.view.interval_begin - 1;
  for (int k = 1; k <= state.marking.interval_count; ++k) {
    const IntervalRecord& r = state.marking.interval_table[k];
    EXPECT_GE(r.left, previous_right) << "interval " << k;
    EXPECT_LE(r.right - r.left + 1, state.marking.max_interval) << "interval " << k;
    ASSERT_LE(r.first_peak, r.last_peak) << "interval " << k;
    for (int j = r.first_peak; j <= r.last_peak; ++j) {
      EXPECT_GT(state.marking.peak_list[j], r.left + 1.0);
      EXPECT_LT(state.marking.peak_list[j], r.right - 1.0);
    }
    previous_right = r.right;
  }
  EXPECT_LE(previous_right, state.view.interval_end);
}

struct Scores {
  int significant = 0, missed = 0, found = 0, false_hits = 0;
};

// Random spectra whose isolated peaks all have areas of 1 to 1.5 times 10 sqrt(background under
// the peak): every one of them must be found within a channel, and found peaks far from every
// true peak are false hits.
Scores SearchNearTheLimit(double background_first, double background_last, double fwhm_first,
                          double fwhm_last, unsigned seeds) {
  Scores scores;
  for (unsigned seed = 1; seed <= seeds; ++seed) {
    RandomSpectrumOptions options;
    options.seed = seed;
    options.isolated_peaks = 30;
    options.background_first = background_first;
    options.background_last = background_last;
    options.fwhm_first = fwhm_first;
    options.fwhm_last = fwhm_last;
    RandomSpectrumResult truth = RandomSpectrum(options);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> factor(1.0, 1.5);
    for (SyntheticPeak& peak : truth.spec.peaks) {
      peak.area = factor(random) * 10.0 * std::sqrt(BackgroundUnder(truth.spec, peak));
    }
    AnalysisState state;
    testing::ScriptedUi ui;
    Prepare(state, GenerateCounts(truth.spec), RandomSpectrumFwhm(options, 1),
            RandomSpectrumFwhm(options, options.channels));
    const int written = FindPeaksOld(MarkingOf(state), ui);
    const std::vector<double> found = PeaksOfArray(state);
    EXPECT_EQ(written, static_cast<int>(found.size()));
    EXPECT_TRUE(ui.notes().empty());
    for (const SyntheticPeak& peak : truth.spec.peaks) {
      ++scores.significant;
      if (Nearest(found, peak.channel) > 1.0) {
        ++scores.missed;
        ADD_FAILURE() << "seed " << seed << ": missed the peak at " << peak.channel << " (area "
                      << peak.area << ")";
      }
    }
    std::vector<double> truth_channels;
    for (const SyntheticPeak& peak : truth.spec.peaks) truth_channels.push_back(peak.channel);
    for (double p : found) {
      if (Nearest(truth_channels, p) > 3.0) ++scores.false_hits;
    }
    scores.found += static_cast<int>(found.size());
    ExpectSoundMarking(state, ui);
  }
  return scores;
}

TEST(FindPeaksOld, FindsEverySignificantIsolatedPeakWithinAChannelAndInventsFew) {
  for (const auto& [b1, b2, w1, w2] :
       {std::array<double, 4>{2000, 50, 3, 6}, std::array<double, 4>{20000, 2000, 3, 3},
        std::array<double, 4>{300, 10, 6, 6}}) {
    const Scores s = SearchNearTheLimit(b1, b2, w1, w2, 2);
    SCOPED_TRACE("background " + std::to_string(b1) + " .. " + std::to_string(b2));
    EXPECT_EQ(s.missed, 0) << "of " << s.significant;
    EXPECT_LE(s.false_hits, 0.03 * s.found) << "of " << s.found;
  }
}

TEST(FindPeaksOld, FlatSpectrumGivesNothing) {
  for (bool noise : {false, true}) {
    SyntheticSpec recipe;
    recipe.background.constant = 1000.0;
    recipe.poisson = noise;
    recipe.seed = 5;
    AnalysisState state;
    testing::ScriptedUi ui;
    Prepare(state, GenerateCounts(recipe), 4.0, 6.0);
    EXPECT_EQ(FindPeaksOld(MarkingOf(state), ui), 0) << "noise " << noise;
    EXPECT_EQ(state.marking.marking_length, 0);
    EXPECT_TRUE(ui.notes().empty());
  }
}

TEST(FindPeaksOld, SeparatesNeighbouringPeaksAndSplitsAWideSinglePeakOnlyWhenAllowed) {
  SyntheticSpec recipe;
  recipe.background.constant = 200.0;
  recipe.peaks = {{1000.0, 20000.0, 4.0}, {1008.0, 20000.0, 4.0},  // two widths apart
                  {1500.0, 30000.0, 4.0}, {1506.0, 10000.0, 4.0},  // 1.5 widths, a third as large
                  {2000.0, 20000.0, 4.0}, {2003.0, 20000.0, 4.0},  // 0.75 widths apart
                  {3000.0, 40000.0, 4.0}};                         // a single peak
  const std::vector<double> counts = GenerateCounts(recipe);
  for (double resol : {-1.0, 1.0}) {
    AnalysisState state;
    testing::ScriptedUi ui;
    Prepare(state, counts, 4.0, 4.0);
    state.spectrum.delta_w = 1.0;
    state.marking.resol = resol;
    FindPeaksOld(MarkingOf(state), ui);
    const std::vector<double> found = PeaksOfArray(state);
    SCOPED_TRACE("resol " + std::to_string(resol));
    for (double c : {1000.0, 1008.0, 1500.0, 1506.0}) EXPECT_LE(Nearest(found, c), 1.0) << c;
    EXPECT_LE(Nearest(found, 3000.0), 0.5);
    int near_doublet = 0;
    for (double p : found) near_doublet += std::fabs(p - 2001.5) < 4.0;
    EXPECT_EQ(near_doublet, resol < 0 ? 1 : 2);
    if (resol > 0) {
      EXPECT_LE(Nearest(found, 2000.0), 1.0);
      EXPECT_LE(Nearest(found, 2003.0), 1.0);
    }
    EXPECT_EQ(found.size(), resol < 0 ? 6u : 7u);
  }
}

TEST(FindPeaksOld, StopsWhenTheListOrTheArrayIsFullWithItsMessage) {
  SyntheticSpec recipe;
  recipe.channels = kMaxChannels;
  recipe.background.constant = 100.0;
  for (double c = 60.0; c < kMaxChannels - 60; c += 40.0) recipe.peaks.push_back({c, 5000.0, 4.0});
  AnalysisState state;
  testing::ScriptedUi ui;
  Prepare(state, GenerateCounts(recipe), 4.0, 4.0);
  const int written = FindPeaksOld(MarkingOf(state), ui);
  const std::vector<double> found = PeaksOfArray(state);
  EXPECT_EQ(written, static_cast<int>(found.size()));
  EXPECT_LE(written, kMaxOldSearchPeaks);
  EXPECT_LE(state.marking.marking_length, state.marking.marking_data.capacity());
  // Either the list is full or the array could not take another interval.
  EXPECT_TRUE(written == kMaxOldSearchPeaks ||
              state.marking.marking_length + 3 > state.marking.marking_data.capacity());
  EXPECT_EQ(ui.notes(), std::vector<std::string>{std::to_string(written) +
                                                 " peaks already found, search stopped"});
  for (std::size_t j = 0; j < found.size(); ++j)
    EXPECT_LE(Nearest({found[j]}, 60.0 + 40.0 * j), 1.0);
  ExpectSoundMarking(state, ui);
}

// A marking array written by hand, with the width line at 4 channels everywhere.
AnalysisState StateWithArray(const std::vector<double>& values) {
  AnalysisState state;
  state.width.width_slope = 0.0;
  state.width.width_offset = 4.0;
  state.view.interval_begin = 990;
  state.view.interval_end = 1110;
  testing::SetMarkingArray(state, values);
  return state;
}

TEST(OldDivision, JoinsTouchingNeighboursAndKeepsDistantOnesApartWithinTheInterval) {
  // 1000 and 1010 are closer than 6.5 widths: they touch and are joined. 1100 is far: separate
  // bounds 3.25 widths (13 channels) from its peak. The joined interval has two peaks, so its
  // outer room is 13 - 2 + 1 = 12 channels, cut at the interval under analysis (990, 1110).
  AnalysisState state = StateWithArray({-995, 1000, -1005, -1006, 1010, -1040, -1090, 1100, -1105});
  OldDivision(MarkingOf(state));
  EXPECT_EQ(testing::MarkingArray(state),
            (std::vector<double>{-990, 1000, 1010, -1022, -1087, 1100, -1110}));
}

TEST(OldDivision, TouchingBoundFollowsThePeakShapeAndLongPairsStayApart) {
  // Width 8: peaks 50 channels apart touch (50 <= 6.5 * 8) but joined they would exceed
  // max_interval = 64, so they keep their shared bound at the last peak + g b / (a + b).
  for (const auto& [offset, bound] :
       {std::pair{-1.0, 1023.0}, std::pair{0.1, 1025.0}, std::pair{1.0, 1027.0}}) {
    AnalysisState state = StateWithArray({-990, 1000, -1010, -1040, 1050, -1060});
    state.width.width_offset = 8.0;
    state.view.interval_begin = 900;
    state.view.interval_end = 1200;
    state.marking.max_interval = 64;
    state.peak_model.centroid_offset = offset;
    OldDivision(MarkingOf(state));
    const std::vector<double> values = testing::MarkingArray(state);
    ASSERT_EQ(values.size(), 6u) << "centroid offset " << offset;
    EXPECT_EQ(values[2], -bound) << "centroid offset " << offset;
    EXPECT_EQ(values[3], -bound);
  }
}

TEST(OldSearchAndDivision, OutsideInputNeverBreaksTheArray) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  SyntheticSpec recipe;
  recipe.background.constant = 50.0;
  recipe.peaks = {{500.0, 3000.0, 4.0}, {1500.0, 3000.0, 4.0}};
  const std::vector<double> counts = GenerateCounts(recipe);
  struct Case {
    double slope, offset;
    int begin, end, max_interval;
    double bad_count;
  };
  const std::vector<Case> cases = {
      {nan, nan, 1, 4096, 128, 0.0},    {0.0, -5.0, 1, 4096, 128, 0.0},
      {0.0, 1e9, 1, 4096, 128, 0.0},    {0.0, 4.0, -100, 99999, 0, 0.0},
      {0.0, 4.0, 1, 4096, 100000, nan}, {0.0, 4.0, 3000, 10, 128, inf},
      {0.0, 0.01, 1, 4096, 64, -1e300}, {1e-3, 0.0, 4000, 4096, 128, 1e300},
  };
  for (const Case& c : cases) {
    AnalysisState state;
    testing::ScriptedUi ui;
    Prepare(state, counts, 4.0, 4.0);
    state.width.width_slope = c.slope;
    state.width.width_offset = c.offset;
    state.view.interval_begin = c.begin;
    state.view.interval_end = c.end;
    state.marking.max_interval = c.max_interval;
    for (int ch = 700; ch < 720; ++ch) state.spectrum.counts[ch] = c.bad_count;
    const int written = FindPeaksOld(MarkingOf(state), ui);
    EXPECT_EQ(written, static_cast<int>(PeaksOfArray(state).size()));
    OldDivision(MarkingOf(state));
    if (state.marking.marking_length > 0) {
      EXPECT_TRUE(ConvertMarkingData(MarkingOf(state), ui)) << c.offset << " " << c.begin;
    }
  }
}

}  // namespace
}  // namespace pektra
