// The interactive fit display: the command, the panel, the grid and the result rows, stepping
// through the intervals, the fit picture and its export, the clicks and the "Change" menu.
#include "ui/fit_display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "core/number_format.h"
#include "fit/interval_fit.h"
#include "marking/marking.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/spectrum_history.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"
#include "ui/commands.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

using testing::ScriptedUi;
using Kind = ScriptedUi::Event::Kind;

// Peaks of FWHM 4 and area 5000 on a flat background of 100 counts, noise-free.
void LoadPeaks(AnalysisState& state, const std::vector<double>& channels) {
  SyntheticSpec recipe;
  recipe.channels = 1024;
  recipe.background.constant = 100;
  recipe.poisson = false;
  for (const double c : channels) recipe.peaks.push_back({c, 5000, 4});
  LoadIntoSpectrum(GenerateCounts(recipe), state.spectrum);
  state.spectrum.w1 = state.spectrum.w2 = 4;
  state.spectrum.b1 = 1;
  state.spectrum.b2 = 1024;
  state.spectrum.file_name = "C:\\data\\peaks.spe";
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

template <typename Op>
std::vector<Op> OpsOf(const Picture& picture) {
  std::vector<Op> found;
  for (const DrawOp& op : picture.ops) {
    if (const auto* item = std::get_if<Op>(&op)) found.push_back(*item);
  }
  return found;
}

std::vector<std::string> TextsOf(const Picture& picture) {
  std::vector<std::string> texts;
  for (const Text& t : OpsOf<Text>(picture)) texts.push_back(t.text);
  return texts;
}

const FitDisplayView& LastDisplay(const ScriptedUi& ui) { return ui.fit_displays().back(); }

// Automatic marking of b1..b2 with the old search, as the window does it.
void MarkRange(AnalysisState& state, int b1, int b2) {
  state.spectrum.b1 = b1;
  state.spectrum.b2 = b2;
  ScriptedUi ui;
  ui.AnswerDialog();
  MarkSpectrum(MarkingOf(state), ui);
}

// The design x of channel c on the fit picture (screen scale 1).
int XOf(const AnalysisState& state, int c) {
  const int n = state.fit.fit_last - state.fit.fit_first + 1;
  return 10 + static_cast<int>(std::nearbyint((c - state.fit.fit_first + 1) * 300.0 / n));
}

const MenuItem* FindItem(const CommandTable& table, const std::string& caption) {
  for (const MenuDefinition& menu : table.menus()) {
    for (const MenuItem& item : menu.items) {
      if (item.caption == caption) return &item;
    }
  }
  return nullptr;
}

bool MenuEnabled(const CommandTable& table, const std::string& caption) {
  for (const MenuDefinition& menu : table.menus()) {
    if (menu.caption == caption) return menu.enabled;
  }
  return false;
}

// The "Change" menu answered with choice `which` (0-based).
void ChooseInMenu(ScriptedUi& ui, int which) {
  ui.AnswerDialog([which](DialogContent& d) { d.choice_lists[0].selected = which; });
}

void TypeBounds(ScriptedUi& ui, std::string i1, std::string i2) {
  ChooseInMenu(ui, 4);
  ui.AnswerDialog([i1, i2](DialogContent& d) { d.grid.cells = {{i1}, {i2}}; });
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class FitDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadPeaks(state, {300, 500, 700});
    MarkEach(state, {300, 500, 700});
  }
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table{state, ui};
};

TEST_F(FitDisplayTest, IntervalFitShowsEachIntervalWithItsPanelGridAndRows) {
  // Given three marked peaks, when "Interval  Fit" runs
  ASSERT_TRUE(table.RunCaption("Interval  Fit"));
  ASSERT_EQ(ui.fit_displays().size(), 1u);
  const FitDisplayView& first = LastDisplay(ui);
  // then the first interval is shown with its panel
  const FitContext ctx = FitOf(state);
  EXPECT_EQ(TextsOf(first.info_panel),
            (std::vector<std::string>{"FILE= peaks.spe", "INT.= 280 -320", "  1 peak(s)", "  DB=1",
                                      "Ch2/df=" + FormatFixed(7, 2, state.fitter.chi2_df()),
                                      "Ch+= " + FormatFixed(5, 2, state.fitter.chi2_plus())}));
  // and its grid: the known area within 2 %, the row equal to the result table's
  ASSERT_EQ(first.grid.size(), 3u);
  EXPECT_EQ(first.grid[0], (std::array<std::string, 7>{" ", " Channel ", " Energy  ", " Area    ",
                                                       "Intensity", " Width   ", "Crit/Bckg"}));
  const ResultRow row = state.results.result_rows[1];
  EXPECT_EQ(row, PeakResult(ctx, 1));
  EXPECT_NEAR(row[0], 300, 0.05);
  EXPECT_NEAR(std::stod(first.grid[1][3]), 5000, 100);
  EXPECT_EQ(first.grid[1][0], " Peak 1");
  EXPECT_EQ(first.grid[1][1], FormatFixed(8, 2, row[0]));
  EXPECT_EQ(first.grid[1][2], FormatFixed(8, 2, row[0]));  // no energy calibration
  EXPECT_EQ(first.grid[2][0], " Errors");
  EXPECT_EQ(first.grid[2][3], FormatFixed(10, 0, row[3]));
  EXPECT_EQ(first.grid[2][6], FormatFixed(8, 0, row[7]));
  EXPECT_EQ(state.results.result_count, 1);
  EXPECT_FALSE(first.previous);
  EXPECT_TRUE(first.next);
  EXPECT_EQ(first.finished, "");
  // with "Mark" and "Cut the Cadre" switched off
  EXPECT_EQ(state.view.graph_mode, GraphMode::kFitDisplay);
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_FALSE(MenuEnabled(table, "Mark"));
  EXPECT_FALSE(FindItem(table, "Cut the Cadre")->enabled);

  // Next twice reaches the last interval and says the fit is finished; no step beyond it.
  table.NextInterval();
  EXPECT_TRUE(LastDisplay(ui).previous);
  EXPECT_TRUE(LastDisplay(ui).next);
  table.NextInterval();
  table.NextInterval();
  ASSERT_EQ(ui.fit_displays().size(), 3u);
  EXPECT_EQ(state.fit.current_interval, 3);
  EXPECT_TRUE(LastDisplay(ui).previous);
  EXPECT_FALSE(LastDisplay(ui).next);
  EXPECT_EQ(LastDisplay(ui).finished, "  Fitting finished. Save the results. ");
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[1], "INT.= 680 -720");
  EXPECT_EQ(state.results.result_count, 3);
  EXPECT_NEAR(state.results.result_rows[3][0], 700, 0.05);
  table.PreviousInterval();
  EXPECT_EQ(state.fit.current_interval, 2);
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[1], "INT.= 480 -520");

  // "Continue Fit" goes on from the present interval without asking.
  table.RunCaption("Continue Fit");
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[1], "INT.= 480 -520");
  EXPECT_TRUE(ui.Texts(Kind::kOkCancel).empty());
}

TEST_F(FitDisplayTest, UnsavedResultsAreAskedForAndFailuresKeepThem) {
  // Cancel at the question keeps everything.
  state.results.results_unsaved = true;
  state.fit.current_interval = 3;
  const AnalysisState before = state;
  ui.AnswerCancel();
  table.RunCaption("Interval  Fit");
  EXPECT_EQ(ui.Texts(Kind::kOkCancel), std::vector<std::string>{"Previous fit results not saved"});
  EXPECT_TRUE(ui.fit_displays().empty());
  EXPECT_TRUE(state.results == before.results);
  EXPECT_TRUE(state.fit == before.fit);
  EXPECT_TRUE(state.view == before.view);
  EXPECT_TRUE(state.marking == before.marking);

  // OK starts from the first interval.
  ui.AnswerOk();
  table.RunCaption("Interval  Fit");
  ASSERT_EQ(ui.fit_displays().size(), 1u);
  EXPECT_EQ(state.fit.current_interval, 1);

  // An interval too long is said on the status line; the earlier unsaved results stay unsaved.
  state.marking.max_interval = 30;
  state.view.cut_cadre_enabled = true;
  ui.AnswerOk();
  table.RunCaption("Interval  Fit");
  EXPECT_EQ(ui.statuses().back(),
            (std::array<std::string, 2>{"Error, too long interval 280 320", ""}));
  EXPECT_EQ(ui.fit_displays().size(), 1u);
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_TRUE(state.view.cut_cadre_enabled);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kNothing);
  // and saved results stay saved.
  state.results.results_unsaved = false;
  table.RunCaption("Interval  Fit");
  EXPECT_FALSE(state.results.results_unsaved);

  // An interval without peaks is a note.
  state.marking.max_interval = 128;
  state.marking.interval_table[1].last_peak = 0;
  table.RunCaption("Interval  Fit");
  EXPECT_EQ(ui.notes().back(), "Error, no peaks in 280 320");
  EXPECT_FALSE(state.results.results_unsaved);

  // Without a marking nothing is fitted.
  state.marking.peak_count = 0;
  table.RunCaption("Continue Fit");
  EXPECT_EQ(ui.notes().back(), "No marking data");
  EXPECT_EQ(ui.fit_displays().size(), 1u);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(FitDisplayTest, RowsFollowEarlierMarkingsUpToTheTablesEnd) {
  state.results.result_offset = 998;
  state.results.result_count = 998;
  table.RunCaption("Interval  Fit");
  table.NextInterval();
  EXPECT_EQ(state.results.result_count, 1000);
  EXPECT_NEAR(state.results.result_rows[1000][0], 500, 0.05);
  EXPECT_TRUE(ui.notes().empty());
  table.NextInterval();
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, too many peaks in the table"});
  EXPECT_EQ(state.results.result_count, 1000);
  EXPECT_NEAR(state.results.result_rows[1000][0], 500, 0.05);
}

TEST_F(FitDisplayTest, ABadFitIsAWarningOnThePanel) {
  // A peak marked 10 channels off with little freedom cannot be fitted well.
  state.marking.peak_list[1] = 290;
  state.fit.delta_pos = 1;
  table.RunCaption("Interval  Fit");
  const std::vector<Text> texts = OpsOf<Text>(LastDisplay(ui).info_panel);
  ASSERT_GE(texts.size(), 5u);
  EXPECT_EQ(texts[4].text, ".... The fitting quality is not good");
  EXPECT_EQ(texts[4].color, colors::kRed);
  EXPECT_TRUE(texts[4].opaque);
  EXPECT_EQ(texts[4].background, colors::kBlack);
  EXPECT_EQ(texts[0].color, colors::kBlack);
  EXPECT_GE(state.fitter.chi2_df(), 3.0);
}

TEST_F(FitDisplayTest, TheFitPictureDrawsTheCountsTheCurveAndTheSinglePeaks) {
  table.RunCaption("Interval  Fit");
  const Picture& picture = LastDisplay(ui).fit_picture;
  EXPECT_EQ(picture.width, 320);
  EXPECT_EQ(picture.height, 265);
  const std::vector<Polyline> curves = OpsOf<Polyline>(picture);
  ASSERT_EQ(curves.size(), 1u);
  const Polyline& curve = curves[0];
  EXPECT_EQ(curve.color, colors::kAqua);
  ASSERT_EQ(curve.xs.size(), 3u * 41);
  std::vector<FillRect> squares;
  for (const FillRect& r : OpsOf<FillRect>(picture)) {
    if (r.color == colors::kFuchsia) squares.push_back(r);
  }
  ASSERT_EQ(squares.size(), 41u);
  // The noise-free counts lie on the fitted curve: each square's centre within 2 units of it.
  double highest = 1e9;
  for (int c = 280; c <= 320; ++c) {
    const std::size_t i = static_cast<std::size_t>(c - 280);
    EXPECT_EQ(squares[i].left + 1, XOf(state, c));
    EXPECT_EQ(curve.xs[3 * i], XOf(state, c));
    EXPECT_NEAR(curve.ys[3 * i], squares[i].top + 1, 2.0) << "channel " << c;
    highest = std::min(highest, curve.ys[3 * i]);
  }
  EXPECT_LE(highest, 2 + 3 + 2);  // the peak top reaches the top of the plot
  double m = 0;
  for (int c = 280; c <= 320; ++c) m = std::max(m, state.spectrum.counts[c]);
  EXPECT_EQ(TextsOf(picture).back(), std::to_string(static_cast<long>(std::nearbyint(m))));
  int zero_line = 0, background = 0;
  const double background_y = 2 + 243 - 240 * 100 / m;
  for (const Pixel& p : OpsOf<Pixel>(picture)) {
    if (p.color == colors::kRed && p.y == 245) ++zero_line;
    if (p.color == colors::kBlue) {
      ++background;
      EXPECT_NEAR(p.y, background_y, 1.5);
    }
  }
  EXPECT_EQ(zero_line, 3 * 41);
  EXPECT_EQ(background, 3 * 41);

  // The single peak: background + peak is the whole curve.
  table.GraphSinglePeaks();
  EXPECT_TRUE(state.view.single_peaks_shown);
  ASSERT_EQ(ui.pictures().back().first, PictureArea::kFitGraph);
  const std::vector<Polyline> lines = OpsOf<Polyline>(ui.pictures().back().second);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].color, colors::kRed);
  EXPECT_EQ(lines[1].xs, curve.xs);
  for (std::size_t i = 0; i < curve.ys.size(); ++i) EXPECT_NEAR(lines[1].ys[i], curve.ys[i], 1.0);
}

bool HasColor(const Picture& picture, Color color) {
  for (const DrawOp& op : picture.ops) {
    const bool found = std::visit([color](const auto& item) { return item.color == color; }, op);
    if (found) return true;
  }
  return false;
}

TEST_F(FitDisplayTest, FitToBmpSavesThePictureAndTheCurves) {
  testing::TempDir dir;
  table.RunCaption("Interval  Fit");
  // Reversed colours, and the curves beside the picture.
  ui.AnswerFile(dir.File("fit.bmp")).AnswerYes();
  table.FitToBmp();
  EXPECT_EQ(ui.file_questions().back().proposed_name, "a.bmp");
  EXPECT_EQ(ui.Texts(Kind::kYesNo), std::vector<std::string>{"Reverse the colors?"});
  EXPECT_EQ(ui.Texts(Kind::kWaitWindow),
            (std::vector<std::string>{"BMP-file forming proceeds. Wait...", ""}));
  ASSERT_EQ(ui.saved_pictures().size(), 1u);
  const Picture& reversed = ui.saved_pictures()[0].second;
  EXPECT_EQ(ui.saved_pictures()[0].first, dir.File("fit.bmp"));
  EXPECT_EQ(reversed.background, colors::kWhite);
  for (const Color bright :
       {colors::kYellow, colors::kAqua, colors::kFuchsia, colors::kRed, colors::kLime}) {
    EXPECT_FALSE(HasColor(reversed, bright));
  }
  EXPECT_TRUE(HasColor(reversed, colors::kBlack));  // the curve and the counts
  EXPECT_TRUE(HasColor(reversed, colors::kBlue));   // the background keeps its colour

  const std::vector<std::string> lines = ReadLines(dir.File("fit.gph"));
  ASSERT_EQ(lines.size(), 41u);
  const std::string& top = lines[20];
  EXPECT_EQ(top.substr(0, 14),
            FormatFixed(6, 0, 300) + FormatFixed(8, 0, state.spectrum.counts[300]));
  std::istringstream fields(top);
  double c = 0, count = 0, fitted = 0, single = 0;
  fields >> c >> count >> fitted >> single;
  EXPECT_NEAR(fitted, count, 0.02 * count);
  EXPECT_NEAR(single, fitted, 1.0);
  EXPECT_TRUE(fields.eof());

  // A name without extension gets ".gph" appended; the colours stay.
  ui.AnswerFile(dir.File("curves")).AnswerNo();
  table.FitToBmp();
  EXPECT_EQ(ui.saved_pictures().back().second.background, colors::kBlack);
  EXPECT_EQ(ReadLines(dir.File("curves.gph")).size(), 41u);

  // Files that cannot be written are named.
  ui.FailPictureSaves();
  const std::string missing = dir.File("none/x.bmp");
  ui.AnswerFile(missing).AnswerNo();
  table.FitToBmp();
  const std::vector<std::string> notes = ui.notes();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0], "Error, the file " + missing + " could not be written");
  EXPECT_EQ(notes[1],
            "Error, the file " + dir.File("none/x.gph") + " could not be written: no such folder");
}

TEST_F(FitDisplayTest, TheChangeMenuRefitsWithNewBackgroundAndBounds) {
  table.RunCaption("Interval  Fit");
  ChooseInMenu(ui, 1);  // "Change the background"
  table.ChangeFit();
  EXPECT_EQ(ui.dialogs().back().title, "Menu");
  EXPECT_EQ(
      ui.dialogs().back().choice_lists[0].items,
      (std::vector<std::string>{"Correct the blunders", "Change the background",
                                "Suppress the background", "Check the parameters",
                                "Set new interval bounds", "Click on new peak", "Delete peak"}));
  EXPECT_EQ(state.fit.fit_bg_degree, 3);
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[3], "  DB=3");

  TypeBounds(ui, "285", "318");
  table.ChangeFit();
  const DialogContent& bounds = ui.dialogs().back();
  EXPECT_EQ(bounds.title, "Enter new bounds");
  EXPECT_EQ(bounds.grid.labels, (std::vector<std::string>{" i1=", " i2="}));
  EXPECT_EQ(bounds.grid.cells, (std::vector<std::vector<std::string>>{{"     280"}, {"     320"}}));
  EXPECT_EQ(state.marking.interval_table[1], (IntervalRecord{285, 318, 1, 1}));
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[1], "INT.= 285 -318");
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[3], "  DB=1");

  // Bounds that cannot be taken are refused with their reason, the interval unchanged.
  const std::size_t shown = ui.fit_displays().size();
  TypeBounds(ui, "318", "285");
  table.ChangeFit();
  TypeBounds(ui, "100", "300");
  table.ChangeFit();
  TypeBounds(ui, "305", "318");
  table.ChangeFit();
  TypeBounds(ui, "0", "318");
  table.ChangeFit();
  TypeBounds(ui, "abc", "318");
  table.ChangeFit();
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{
                            "Error, i1 must be below i2", "Error, too long interval 100 300",
                            "Error, the interval 305 318 does not hold its peaks",
                            "Error, the bounds must lie within 1 - 1024", "Error, wrong numbers"}));
  EXPECT_EQ(state.marking.interval_table[1], (IntervalRecord{285, 318, 1, 1}));
  EXPECT_EQ(ui.fit_displays().size(), shown);

  // "Suppress the background": cancelled in its window, nothing happens; quitted, the interval is
  // refitted over the background curve with the full polynomial, and the counts are as before.
  const TSpectrum spectrum = state.spectrum;
  ChooseInMenu(ui, 2);
  ui.CancelDialog();
  table.ChangeFit();
  EXPECT_EQ(ui.fit_displays().size(), shown);
  ChooseInMenu(ui, 2);
  ui.AnswerDialog();
  table.ChangeFit();
  ASSERT_EQ(ui.fit_displays().size(), shown + 1);
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[3], "  DB=3");
  EXPECT_NEAR(state.results.result_rows[1][2], 5000, 3 * state.results.result_rows[1][3]);
  EXPECT_TRUE(state.spectrum == spectrum);
  EXPECT_EQ(ui.notes().size(), 5u);
  ChooseInMenu(ui, 3);
  ui.AnswerDialog();
  table.ChangeFit();
  EXPECT_EQ(ui.dialogs().back().title, "Parameter array");
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(FitDisplayClicks, ReadOutBlunderAndPeaksAddedOrDeletedKeepRowsWithTheirPeaks) {
  AnalysisState state;
  LoadPeaks(state, {300, 312, 700});
  MarkRange(state, 1, 1024);
  ASSERT_EQ(state.marking.peak_count, 3);
  ASSERT_EQ(state.marking.interval_count, 2);
  ScriptedUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Interval  Fit");
  table.NextInterval();
  table.PreviousInterval();
  ASSERT_EQ(state.results.result_count, 3);
  const ResultRow last = state.results.result_rows[3];  // the peak at 700
  EXPECT_EQ(OpsOf<Polyline>(LastDisplay(ui).fit_picture).size(), 1u);

  // Read-out: the channel under the click and its count.
  table.FitPictureClick(XOf(state, 300), 100);
  ASSERT_EQ(ui.pictures().back().first, PictureArea::kFitGraph);
  const std::vector<std::string> texts = TextsOf(ui.pictures().back().second);
  const std::vector<std::string> box(texts.end() - 2, texts.end());
  EXPECT_EQ(
      box, (std::vector<std::string>{
               "Channel =    300", "Counts  = " + FormatFixed(12, 0, state.spectrum.counts[300])}));

  // Delete the peak at 312: the row of 700 moves up with its peak.
  ChooseInMenu(ui, 6);
  table.ChangeFit();
  EXPECT_EQ(ui.Texts(Kind::kHint).back(), " Click on the point. ");
  EXPECT_EQ(state.view.click_action, ClickAction::kDeletePeak);
  table.FitPictureClick(XOf(state, 311), 100);
  EXPECT_EQ(state.view.click_action, ClickAction::kReadOut);
  ASSERT_EQ(testing::PeakList(state).size(), 2u);
  EXPECT_NEAR(state.marking.peak_list[1], 300, 0.01);
  EXPECT_NEAR(state.marking.peak_list[2], 700, 0.01);
  EXPECT_EQ(state.marking.interval_count, 2);
  EXPECT_EQ(state.marking.interval_table[1].left, 289);  // intervals as wide as the peaks
  EXPECT_EQ(state.results.result_count, 2);
  EXPECT_EQ(state.results.result_rows[2], last);
  EXPECT_EQ(TextsOf(LastDisplay(ui).info_panel)[2], "  1 peak(s)");

  // Add it again (the shown interval ends at 310): the row of 700 moves down, the new peak's row
  // holds its fit.
  ChooseInMenu(ui, 5);
  table.ChangeFit();
  table.FitPictureClick(XOf(state, 320), 100);
  ASSERT_EQ(state.marking.peak_count, 3);
  EXPECT_EQ(state.marking.peak_list[2], 310);
  EXPECT_EQ(state.results.result_count, 3);
  EXPECT_EQ(state.results.result_rows[3], last);
  EXPECT_NEAR(state.results.result_rows[2][0], 312, 0.3);
  EXPECT_NEAR(state.results.result_rows[1][0], 300, 0.1);
  EXPECT_EQ(OpsOf<Polyline>(LastDisplay(ui).fit_picture).size(), 1u);

  // A new peak on a marked one merges with it: no row is added and none moves.
  ChooseInMenu(ui, 5);
  table.ChangeFit();
  table.FitPictureClick(XOf(state, 300), 100);
  EXPECT_EQ(state.marking.peak_count, 3);
  EXPECT_EQ(state.results.result_count, 3);
  EXPECT_EQ(state.results.result_rows[3], last);

  // A blunder becomes the mean of its neighbours and the interval is fitted again.
  state.spectrum.counts[295] = 3000;
  const std::size_t shown = ui.fit_displays().size();
  ChooseInMenu(ui, 0);
  table.ChangeFit();
  table.FitPictureClick(XOf(state, 295), 100);
  EXPECT_EQ(state.spectrum.counts[295],
            (state.spectrum.counts[294] + state.spectrum.counts[296]) / 2);
  EXPECT_EQ(ui.fit_displays().size(), shown + 1);
  // and the File menu's Undo can take the change back.
  EXPECT_EQ(UndoCaption(state), "Undo Correct the blunders");
  ASSERT_TRUE(UndoSpectrumChange(state));
  EXPECT_EQ(state.spectrum.counts[295], 3000);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

}  // namespace
}  // namespace pektra
