// The rows the spectrum fit leaves and what the summary table makes of them: the rows of
// successive markings, rows of peaks that were not fitted, and the flags of rows whose errors,
// width or position cannot be taken at face value.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "report/result_table.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Peaks of FWHM 4 and area 5000 on a flat background of 100 counts, noise-free.
void LoadPeaks(AnalysisState& state, const std::vector<double>& channels) {
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.background.constant = 100;
  recipe.poisson = false;
  for (const double c : channels) recipe.peaks.push_back({c, 5000, 4});
  LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
  state.spectrum.w1 = state.spectrum.w2 = 4;
}

// One interval per peak, 20 channels either side.
void MarkEach(AnalysisState& state, const std::vector<double>& channels) {
  state.marking.peak_count = testing::Fill(state.marking.peak_list, channels);
  state.marking.interval_count = 0;
  for (int k = 1; k <= state.marking.peak_count; ++k) {
    const int c = static_cast<int>(channels[static_cast<std::size_t>(k - 1)]);
    state.marking.interval_table[++state.marking.interval_count] = {c - 20, c + 20, k, k};
  }
}

std::string Summary(AnalysisState& state) {
  std::ostringstream out;
  WriteSummaryTable(out, ReportOf(state), 1.0, "2026-12-06 08:15:30");
  return out.str();
}

// The first line of every peak in a summary table (after the column line, three lines a peak).
std::vector<std::string> PeakLines(const std::string& summary) {
  std::istringstream in(summary.substr(summary.find("   Channel  Energy")));
  std::vector<std::string> lines;
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  for (int k = 0; std::getline(in, line); ++k) {
    if (k % 3 == 0) lines.push_back(line);
  }
  return lines;
}

// Automatic marking of b1..b2 with the old search, as the window does it.
void MarkRange(AnalysisState& state, int b1, int b2) {
  state.spectrum.b1 = b1;
  state.spectrum.b2 = b2;
  ScriptedUi ui;
  ui.AnswerDialog();
  MarkSpectrum(MarkingOf(state), ui);
}

TEST(FitSpectrum, RowsOfANewMarkingFollowThoseOfEarlierMarkings) {
  AnalysisState state;
  LoadPeaks(state, {300, 700});
  MarkRange(state, 200, 400);
  ASSERT_EQ(state.marking.peak_count, 1);
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  MarkRange(state, 600, 800);
  FitSpectrum(FitOf(state), ui);
  ASSERT_EQ(state.results.result_count, 2);
  EXPECT_NEAR(state.results.result_rows[1][0], 300, 0.1);
  EXPECT_NEAR(state.results.result_rows[2][0], 700, 0.1);

  // Marking by lines (old search): the row of a listed line without a peak stays.
  AnalysisState lines;
  LoadPeaks(lines, {300});
  lines.marking.mark_mode = MarkMode::kLines;
  lines.marking.mark_list_count = testing::Fill(lines.marking.mark_list, {300, 500});
  lines.spectrum.b1 = 200;
  lines.spectrum.b2 = 600;
  ScriptedUi by_lines;
  by_lines.AnswerDialog().AnswerDialog();  // the search settings, the list of not found peaks
  MarkSpectrum(MarkingOf(lines), by_lines);
  ASSERT_EQ(lines.results.result_count, 1);
  FitSpectrum(FitOf(lines), by_lines);
  ASSERT_EQ(lines.results.result_count, 2);
  EXPECT_GT(lines.results.result_rows[1][0], 450);  // where the probe put the line at 500
  EXPECT_NEAR(lines.results.result_rows[2][0], 300, 0.1);

  // Rows beyond the table's 1000: stored up to row 1000, the full table reported once.
  state.results.result_count = state.results.result_offset = 999;
  MarkEach(state, {300, 700, 1100});
  ScriptedUi full;
  FitSpectrum(FitOf(state), full);
  EXPECT_EQ(full.notes(), std::vector<std::string>{"Error, too many peaks in the table"});
  EXPECT_EQ(state.results.result_count, 1000);
  EXPECT_NEAR(state.results.result_rows[1000][0], 300, 0.1);
}

TEST(WriteSummaryTable, LeavesOutRowsOfSkippedIntervalsAndOfEarlierResults) {
  for (const bool earlier_results : {false, true}) {
    AnalysisState state;
    if (earlier_results) {  // rows of an earlier spectrum, before the new one emptied the table
      state.results.result_count =
          testing::Fill(state.results.result_rows, {ResultRow{777.77, 1, 12345, 1, 3, 0.1, 9, 9},
                                                    ResultRow{777.77, 1, 12345, 1, 3, 0.1, 9, 9}});
      state.results.result_count = 0;
    }
    LoadPeaks(state, {120, 400, 720});
    MarkEach(state, {120, 400, 720});
    state.marking.interval_table[1] = {1, 200, 1, 1};  // too long: skipped
    ScriptedUi ui;
    FitSpectrum(FitOf(state), ui);
    EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, too long interval 1 200"});
    const std::string summary = Summary(state);
    EXPECT_NE(summary.find("Number of peaks  =   2"), std::string::npos) << summary;
    const std::vector<std::string> peaks = PeakLines(summary);
    ASSERT_EQ(peaks.size(), 2u) << summary;
    EXPECT_EQ(peaks[0].rfind("   400.00", 0), 0u) << summary;
    EXPECT_EQ(peaks[1].rfind("   720.00", 0), 0u) << summary;
    ScriptedUi save;
    save.CancelDialog();
    SaveSummaryTable(ReportOf(state), save);
    EXPECT_EQ(save.dialogs().at(0).labels[0].text, "Saving 2  peaks analyzed");
  }
}

TEST(WriteSummaryTable, FlagsRowsWithoutErrorsOrWithTheWidthOrPositionOnALimit) {
  AnalysisState state;
  LoadPeaks(state, {300, 700, 1100, 1500});
  MarkEach(state, {300, 700, 1100, 1500});
  for (int c = 280; c <= 321; ++c) state.spectrum.errors[c] = 0;  // no weights: no fit
  // Positions may move one channel (on a retry, one from where the first fit left them): a peak
  // marked 6 channels off ends on its limit.
  state.fit.delta_pos = 1;
  state.marking.peak_list[3] = 1094;
  ScriptedUi ui;
  FitSpectrum(FitOf(state), ui);
  const std::string summary = Summary(state);
  const std::vector<std::string> peaks = PeakLines(summary);
  ASSERT_EQ(peaks.size(), 4u) << summary;
  auto ending = [](const std::string& line) { return line.substr(72); };  // after the columns
  EXPECT_EQ(ending(peaks[0]), "  E") << summary;
  EXPECT_EQ(ending(peaks[1]), "") << summary;  // unflagged: the line as it always was
  EXPECT_EQ(ending(peaks[2]), "  P") << summary;

  // The width cannot reach the peaks' 4 channels: w1 + delta_w = 3.
  state.spectrum.w1 = state.spectrum.w2 = 2.5;
  state.spectrum.delta_w = 0.5;
  state.results.result_count = 0;
  FitSpectrum(FitOf(state), ui);
  EXPECT_EQ(ending(PeakLines(Summary(state))[3]), "  W");

  // A singular matrix (the amplitude of a peak far outside the interval has no effect on it, and
  // nothing damps the matrix) leaves no errors either.
  MarkEach(state, {700});
  state.marking.peak_list[2] = 1500;
  state.marking.peak_count = 2;
  state.marking.interval_table[1].last_peak = 2;
  state.fit.damper = 0;
  state.results.result_count = 0;
  FitSpectrum(FitOf(state), ui);
  const std::vector<std::string> singular = PeakLines(Summary(state));
  ASSERT_EQ(singular.size(), 2u);
  EXPECT_EQ(ending(singular[0]).substr(0, 3), "  E");
  EXPECT_EQ(ending(singular[1]).substr(0, 3), "  E");
}

}  // namespace
}  // namespace pektra
