// Blunder correction: which channels are replaced, by what, and the command around it.
#include "spectrum/blunders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Channels 1..n at `level` with the given changes, errors from the variance formula (covar 0.01).
TSpectrum Flat(int n, double level, const std::vector<std::pair<int, double>>& changes) {
  TSpectrum sp;
  sp.file_type = kBinary32;
  sp.a1 = sp.b1 = 1;
  sp.a2 = sp.b2 = n;
  for (int i = 1; i <= n; ++i) sp.counts[i] = level;
  for (const auto& [channel, count] : changes) sp.counts[channel] = count;
  sp.ApplyVarianceFormula(0.01);
  sp.UpdateRange();
  return sp;
}

int Correct(TSpectrum& sp, std::vector<BlunderCorrection>* corrections = nullptr) {
  return CorrectBlunders(sp, sp.a1, sp.a2, ProcessingSettings{}, corrections);
}

TEST(CorrectBlundersTest, SpikesAndDropsInAFlatRegionAgainstTheirThresholds) {
  // 1000 in a flat 100: the short path (r = 0, y > S) gives the neighbours' mean.
  TSpectrum spike = Flat(40, 100, {{20, 1000}});
  std::vector<BlunderCorrection> corrections;
  EXPECT_EQ(Correct(spike, &corrections), 1);
  EXPECT_EQ(spike.counts[20], 100.0);
  EXPECT_EQ(corrections, (std::vector<BlunderCorrection>{{20, 1000, 100}}));
  // 150: the local test, q = 2500 / 135.3 = 18.5 > 10.
  TSpectrum mild = Flat(40, 100, {{20, 150}});
  EXPECT_EQ(Correct(mild), 1);
  EXPECT_DOUBLE_EQ(mild.counts[20], 100.0);
  // 120: q = 400 / 108.2 = 3.7, kept; so is everything else.
  TSpectrum small = Flat(40, 100, {{20, 120}});
  const TSpectrum before = small;
  EXPECT_EQ(Correct(small), 0);
  EXPECT_TRUE(small == before);
  // The errors, the range and the channels' weights are those of before the correction.
  EXPECT_EQ(spike.errors[20], Flat(40, 100, {{20, 1000}}).errors[20]);
  EXPECT_EQ(spike.max_counts, 1000.0);
}

TEST(CorrectBlundersTest, AZeroChannelIsReplacedOnlyWhenItHasWeight) {
  TSpectrum with_error = Flat(20, 50, {{10, 0}});  // error sqrt(0.1)
  EXPECT_EQ(Correct(with_error), 1);
  EXPECT_EQ(with_error.counts[10], 50.0);
  TSpectrum free_field = Flat(20, 50, {{10, 0}});
  for (int i = 1; i <= 20; ++i) free_field.errors[i] = std::sqrt(free_field.counts[i]);
  EXPECT_EQ(Correct(free_field), 0);  // error 0, weight 0
  EXPECT_EQ(free_field.counts[10], 0.0);
}

TEST(CorrectBlundersTest, ACorrectedChannelServesAsItsNextNeighbour) {
  // 0 then 20 between 100s: the 0 becomes (100 + 20)/2 = 60; the 20 is then judged between 60
  // and 100 (S = 160, y < S/4) and becomes 80, not the 100 its original neighbours would give.
  TSpectrum sp = Flat(20, 100, {{10, 0}, {11, 20}});
  EXPECT_EQ(Correct(sp), 2);
  EXPECT_EQ(sp.counts[10], 60.0);
  EXPECT_EQ(sp.counts[11], 80.0);
}

TEST(CorrectBlundersTest, EndChannelsSmallRangesAndSmallStatisticsAreLeftAlone) {
  // A spike next to the start is corrected by its neighbours' mean.
  TSpectrum start = Flat(20, 100, {{2, 1000}});
  EXPECT_EQ(Correct(start), 1);
  EXPECT_EQ(start.counts[2], 100.0);
  // Overflow counts in the end channels stay, and do not spread to the channels next to them,
  // whose neighbours disagree (5000 and 100); the spike at 3 is judged as usual.
  TSpectrum ends = Flat(20, 100, {{1, 5000}, {20, 5000}, {3, 1000}});
  EXPECT_EQ(Correct(ends), 1);
  EXPECT_EQ(ends.counts[1], 5000.0);
  EXPECT_EQ(ends.counts[20], 5000.0);
  EXPECT_EQ(ends.counts[2], 100.0);
  EXPECT_EQ(ends.counts[3], 100.0);
  EXPECT_EQ(ends.counts[19], 100.0);
  // A range of two channels corrects nothing.
  TSpectrum two = Flat(20, 100, {{5, 1000}});
  EXPECT_EQ(CorrectBlunders(two, 4, 6, ProcessingSettings{}, nullptr), 1);
  EXPECT_EQ(CorrectBlunders(two, 4, 5, ProcessingSettings{}, nullptr), 0);
  // Neighbours summing to less than small_stat: too few counts to judge.
  TSpectrum sparse = Flat(20, 9, {{10, 100}});
  EXPECT_EQ(Correct(sparse), 0);
}

TEST(CorrectBlundersTest, GenuineNarrowPeaksAreNotTouched) {
  // A peak rising and falling by more than 2·sqrt(S) over two channels on each side.
  TSpectrum narrow = Flat(40, 100, {{19, 150}, {20, 280}, {21, 150}});
  const TSpectrum narrow_before = narrow;
  EXPECT_EQ(Correct(narrow), 0);
  EXPECT_TRUE(narrow == narrow_before);
  // Gaussian peaks of FWHM 3 and 5 channels, noiseless, large and small.
  for (const double fwhm : {3.0, 5.0}) {
    for (const double height : {300.0, 3000.0, 30000.0}) {
      TSpectrum peak = Flat(60, 100, {});
      for (int i = 1; i <= 60; ++i) {
        const double u = (i - 30.3) / (fwhm / 2);
        peak.counts[i] = 100 + height * std::exp(-std::log(2.0) * u * u);
      }
      peak.ApplyVarianceFormula(0.01);
      const TSpectrum before = peak;
      EXPECT_EQ(Correct(peak), 0) << "FWHM " << fwhm << ", height " << height;
      EXPECT_TRUE(peak == before);
    }
  }
}

TEST(CorrectBlundersTest, OnAGentleSlopeTheEstimateIsTheLinesValue) {
  // A ramp of s = 10 counts per channel around 1000 (error about 30) with one channel 150 too
  // high: the line over j − 2, j − 1, j + 1 gives c0 = 1000 − 4s/7 (χ² about 0.4 < 1.25).
  TSpectrum sp = Flat(60, 0, {});
  for (int i = 1; i <= 60; ++i) sp.counts[i] = 700 + 10.0 * i;
  sp.counts[30] += 150;
  sp.ApplyVarianceFormula(0.01);
  EXPECT_EQ(Correct(sp), 1);
  EXPECT_NEAR(sp.counts[30], 1000.0 - 40.0 / 7, 1e-9);
  // A steeper slope (30 per channel) is no flat neighbourhood: the channel stays.
  TSpectrum steep = Flat(60, 0, {});
  for (int i = 1; i <= 60; ++i) steep.counts[i] = 100 + 30.0 * i;
  steep.counts[30] += 200;
  steep.ApplyVarianceFormula(0.01);
  EXPECT_EQ(Correct(steep), 0);
}

TEST(CorrectForBlundersTest, TheDialogStoresItsValuesAndTheStatusNamesTheChannels) {
  AnalysisState state;
  state.spectrum = Flat(100, 100, {{20, 1000}, {50, 0}});
  state.processing.chibc = 2.5;
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& dialog) {
    dialog.grid.cells[0][0] = "1,5";
    dialog.grid.cells[1][0] = "12";
  });
  CorrectForBlunders(SpectrumProcessingOf(state), ui);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  const DialogContent& dialog = ui.dialogs()[0];
  EXPECT_EQ(dialog.title, "Correcting for blunders");
  EXPECT_EQ(dialog.labels[0].text, "Check chibc and order");
  EXPECT_EQ(dialog.grid.labels, (std::vector<std::string>{" Chibc= ", " Order= "}));
  EXPECT_EQ(dialog.grid.cells[0][0], "2.500000");
  EXPECT_EQ(dialog.grid.cells[1][0], "      10");
  EXPECT_EQ(dialog.help_lines.front(),
            "Если малая окрестность точки спектра гладкая (хи-квадрат прямой,");
  EXPECT_EQ(state.processing.chibc, 1.5);
  EXPECT_EQ(state.processing.order, 12.0);
  EXPECT_EQ(state.view.status_text[0], "2 blunders corrected");
  EXPECT_EQ(state.view.status_text[1], "Channel 20 (1000 -> 100), 50 (0 -> 100)");
  const std::string log = state.debug_log->MemoryText();
  EXPECT_NE(log.find("Correct for Blunders: 2 blunders corrected (chibc = 1.5, order = 12)"),
            std::string::npos);
  EXPECT_NE(log.find("  channel 20: 1000 -> 100\n"), std::string::npos);
  EXPECT_NE(log.find("  channel 50: 0 -> 100\n"), std::string::npos);
  EXPECT_EQ(state.undo.NextCommand(), "Correct for Blunders");
}

TEST(CorrectForBlundersTest, CancelOrWrongNumbersChangeNothing) {
  AnalysisState state;
  state.spectrum = Flat(100, 100, {{20, 1000}});
  const TSpectrum spectrum = state.spectrum;
  const ProcessingSettings processing = state.processing;
  const ViewState view = state.view;
  ScriptedUi ui;
  ui.CancelDialog();
  ui.AnswerDialog([](DialogContent& d) { d.grid.cells[1][0] = "1x"; });
  ui.AnswerDialog([](DialogContent& d) { d.grid.cells[1][0] = "-1"; });
  for (int k = 0; k < 3; ++k) CorrectForBlunders(SpectrumProcessingOf(state), ui);
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{"Error, wrong numbers", "Error, wrong numbers"}));
  EXPECT_TRUE(state.spectrum == spectrum);
  EXPECT_TRUE(state.processing == processing);
  EXPECT_TRUE(state.view == view);
  EXPECT_TRUE(state.undo.empty());
  // Nothing to correct: the count says so and nothing is kept for Undo.
  state.spectrum = Flat(100, 100, {});
  ui.AnswerDialog();
  CorrectForBlunders(SpectrumProcessingOf(state), ui);
  EXPECT_EQ(state.view.status_text[0], "0 blunders corrected");
  EXPECT_EQ(state.view.status_text[1], "");
  EXPECT_TRUE(state.undo.empty());
}

}  // namespace
}  // namespace pektra
