// The "Get Started" walkthrough of the help, done click by click through the command table: input
// a spectrum, graph it, make the interval, mark it automatically, fit the intervals one by one and
// save the summary table.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/help_texts.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A 2048-channel spectrum with four well-separated peaks of FWHM 4 on a falling background, as a
// free-field text file.
std::string WriteSpectrum(const testing::TempDir& dir) {
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.background.amplitude = 400;
  recipe.background.decay = 800;
  recipe.background.constant = 50;
  for (const double c : {420.0, 610.0, 980.0, 1500.0}) recipe.peaks.push_back({c, 20000, 4});
  std::ostringstream text;
  for (const double count : GenerateCounts(recipe)) text << count << '\n';
  const std::string file = dir.File("walk.txt");
  testing::WriteFile(file, text.str());
  return file;
}

// The picture pixel x of a channel's point on the large graph (screen scale 1). An interval bound
// picked there is the channel after it, as the axis labels under the graph read.
int PixelOfChannel(const AnalysisState& state, int channel) { return PlotX(state, channel); }

TEST(GetStarted, TheWalkthroughOfTheHelpTextWorksFromInputToSavedSummary) {
  // The walkthrough the help text gives, in its order.
  const std::vector<std::string>& help = HelpLines(HelpTopic::kGettingStarted, false);
  std::string joined;
  for (const std::string& line : help) joined += line + "\n";
  ASSERT_NE(joined.find("MAKE_THE_INTERVAL"), std::string::npos);
  ASSERT_NE(joined.find("INTERVAL_FIT"), std::string::npos);

  testing::TempDir dir;
  const std::string spectrum_file = WriteSpectrum(dir);
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);

  // FILE, INPUT_THE_SPECTRUM: the file, then its type (free field) in the dialog.
  ui.AnswerFile(spectrum_file).AnswerDialog([](DialogContent& d) {
    d.choice_lists[0].selected = 2;
  });
  table.RunCaption("Input the Spectrum");
  ASSERT_EQ(state.spectrum.a2, 2048) << (ui.notes().empty() ? "" : ui.notes().back());

  // GRAPH, GRAPH_THE_SPECTRUM.
  table.RunCaption("Graph the Spectrum");
  ASSERT_EQ(state.view.graph_mode, GraphMode::kSpectrum);

  // MARK, MAKE_THE_INTERVAL: two clicks on the graph, at channels 300 and 1100.
  ui.Click(PixelOfChannel(state, 300), 200).Click(PixelOfChannel(state, 1100), 200);
  table.RunCaption("Make the Interval");
  EXPECT_EQ(state.spectrum.b1, 301);
  EXPECT_EQ(state.spectrum.b2, 1101);
  EXPECT_EQ(state.view.interval_begin, state.spectrum.b1);
  EXPECT_EQ(state.view.interval_end, state.spectrum.b2);

  // OPERATION, AUTOMATIC_SPECTRUM_MARKING: the widths are confirmed with OK.
  ui.AnswerDialog();
  table.RunCaption("Automatic Spectrum Marking");
  ASSERT_GE(state.marking.peak_count, 3) << state.view.status_text[0];
  ASSERT_GE(state.marking.interval_count, 3);

  // OPERATION, INTERVAL_FIT, then Next until the last interval.
  table.RunCaption("Interval  Fit");
  ASSERT_FALSE(ui.fit_displays().empty());
  while (ui.fit_displays().back().next) table.NextInterval();
  EXPECT_EQ(state.fit.current_interval, state.marking.interval_count);
  EXPECT_EQ(ui.fit_displays().back().finished, "  Fitting finished. Save the results. ");
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(state.results.result_count, state.marking.peak_count);
  // The three peaks inside the interval, each within its errors of the truth.
  ASSERT_EQ(state.results.result_count, 3);
  const double truth[] = {420, 610, 980};
  for (int i = 1; i <= 3; ++i) {
    const ResultRow& row = state.results.result_rows[i];
    EXPECT_NEAR(row[0], truth[i - 1], 0.1) << i;
    EXPECT_NEAR(row[2], 20000, 3 * row[3]) << i;
  }

  // FILE, SAVE_THE_FIT_RESULTS: the summary table is written.
  const std::string summary = dir.File("walk.res");
  ui.AnswerDialog().AnswerFile(summary);
  table.RunCaption("&Save the Fit Results");
  const std::string written = testing::ReadFile(summary);
  EXPECT_FALSE(written.empty()) << (ui.notes().empty() ? "" : ui.notes().back());
  EXPECT_FALSE(state.results.results_unsaved);
  // ... and they are in the table.
  EXPECT_NE(written.find("Number of peaks  =   3"), std::string::npos) << written;

  // The fit display switched "Mark" off; drawing the spectrum again switches it back on.
  EXPECT_FALSE(state.view.mark_menu_enabled);
  table.RunCaption("Graph the Spectrum");
  EXPECT_TRUE(table.menus()[3].enabled);
  EXPECT_EQ(table.menus()[3].caption, "Mark");
  EXPECT_TRUE(ui.AllAnswersUsed());
}

}  // namespace
}  // namespace pektra
