// Picking on the large graph: an interval with two clicks, peaks one click each, a peak checked
// and added to the result table; the menus while a pick waits, and picks that are ended early.
#include "ui/picking.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "ui/commands.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// The scripted port, with a look at the state while a pick waits and a window that closes at the
// given wait (0: the first).
class PickUi : public ScriptedUi {
 public:
  std::function<void()> on_wait;
  int close_at_wait = -1;

  GraphEvent WaitForGraphEvent() override {
    if (on_wait) on_wait();
    if (waits_++ == close_at_wait) return GraphEvent{GraphEvent::Kind::kClosed, 0, 0};
    return ScriptedUi::WaitForGraphEvent();
  }

 private:
  int waits_ = 0;
};

// Channels 1..n on a flat background, with Gaussian peaks (channel, height) of the given sigma.
void PeakSpectrum(AnalysisState& state, int n, double background,
                  const std::vector<std::pair<double, double>>& peaks, double sigma = 2.0) {
  TSpectrum& sp = state.spectrum;
  sp.a1 = sp.b1 = 1;
  sp.a2 = sp.b2 = n;
  for (int c = 1; c <= n; ++c) {
    double y = background;
    for (const auto& [at, height] : peaks) {
      y += height * std::exp(-(c - at) * (c - at) / (2 * sigma * sigma));
    }
    sp.counts[c] = y;
  }
  sp.UpdateRange();
}

// The screen x of the plotted point of channel c (screen scale 1).
int PointX(const AnalysisState& state, int c) { return PlotX(state, c); }

std::vector<double> Values(const OneBasedArray<double>& array, int count) {
  const auto values = array.range(1, count);
  return {values.begin(), values.end()};
}
std::vector<double> PeakList(const AnalysisState& state) {
  return Values(state.marking.peak_list, state.marking.peak_count);
}
std::vector<double> MarkList(const AnalysisState& state) {
  return Values(state.marking.mark_list, state.marking.mark_list_count);
}

// The x of every peak tick (lime line from 355 to 364) of a large-graph picture.
std::vector<double> TickXs(const Picture& picture) {
  std::vector<double> xs;
  for (const DrawOp& op : picture.ops) {
    const auto* line = std::get_if<Polyline>(&op);
    if (line && line->ys == std::vector<double>{355, 364}) xs.push_back(line->xs[0]);
  }
  return xs;
}

using Status = std::array<std::string, 2>;

// While a pick waits every menu is off and no other command starts.
void ExpectPickWaits(AnalysisState& state, CommandTable& table) {
  EXPECT_EQ(state.view.graph_mode, GraphMode::kClick);
  EXPECT_FALSE(state.view.menus_enabled);
  EXPECT_TRUE(table.running());
  table.RefreshEnabling();
  for (const MenuDefinition& menu : table.menus()) EXPECT_FALSE(menu.enabled) << menu.caption;
  const int rows = state.results.result_count;
  table.RunCaption("Reset");
  EXPECT_EQ(state.results.result_count, rows);
}

TEST(Picking, EveryPickNeedsTheLargeGraph) {
  AnalysisState state;
  PickUi ui;
  CommandTable table(state, ui);
  for (const char* caption : {"Cut the Cadre", "Make the Interval", "Mark the Peaks ",
                              "Mark the Peak Model", "Check for Peak and Add"}) {
    table.RunCaption(caption);
  }
  // Behind the fit display the large graph is not shown either.
  state.view.graph_mode = GraphMode::kFitDisplay;
  table.RunCaption("Cut the Cadre");
  ASSERT_EQ(ui.statuses().size(), 6u);
  for (const Status& status : ui.statuses()) EXPECT_EQ(status, (Status{"Error, no graph", ""}));
  EXPECT_TRUE(ui.Texts(ScriptedUi::Event::Kind::kGraphWait).empty());
}

TEST(PickInterval, TwoClicksMakeTheIntervalInEitherOrder) {
  AnalysisState state;
  PeakSpectrum(state, 512, 10, {});
  state.marking.peak_count = 2;
  state.marking.peak_list[1] = 150;
  state.marking.peak_list[2] = 300;
  state.results.result_count = 4;
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Spectrum");
  EXPECT_EQ(TickXs(ui.pictures().back().second).size(), 2u);
  // The window's first channel is at the plot's left edge, as the channel labels say: a click on
  // the point of channel c is channel c + 1 there.
  const int end_x = PointX(state, 99);
  ui.Click(PointX(state, 199), 200).Click(end_x, 150);
  int waits = 0;
  ui.on_wait = [&] {
    ++waits;
    ExpectPickWaits(state, table);
  };
  table.RunCaption("Make the Interval");
  EXPECT_EQ(waits, 2);
  EXPECT_EQ(std::pair(state.spectrum.b1, state.spectrum.b2), std::pair(100, 200));
  EXPECT_EQ(state.view.interval_begin, 100);
  EXPECT_EQ(state.view.interval_length, 101);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_TRUE(state.view.menus_enabled);
  EXPECT_EQ(state.marking.peak_count, 0);  // a new interval forgets the marking
  EXPECT_TRUE(TickXs(ui.pictures().back().second).empty());
  EXPECT_EQ(std::tuple(state.view.click_x, state.view.click_y, state.view.click_flag),
            std::tuple(end_x, 150, true));
  const std::vector<Status> expected = {{" Click on the beginning ", ""},
                                        {" Click on the beginning ", " Click on the end "},
                                        {"", ""}};
  EXPECT_EQ(ui.statuses(), expected);
  EXPECT_EQ(ui.graph_buttons()[1], (GraphButtons{false, false}));  // after the graph's own
  EXPECT_EQ(ui.graph_buttons().back(), (GraphButtons{false, true}));

  // "Cut the Cadre" changes the window, not b1, b2; clicks beyond the plot take its ends, inside
  // the spectrum.
  ui.on_wait = {};
  table.RunCaption("Graph the Spectrum");
  ui.Click(0, 200).Click(629, 10);
  table.RunCaption("Cut the Cadre");
  EXPECT_EQ(std::pair(state.view.interval_begin, state.view.interval_end), std::pair(1, 512));
  EXPECT_EQ(std::pair(state.spectrum.b1, state.spectrum.b2), std::pair(100, 200));
}

TEST(PickInterval, PeakModelIntervalFormsTheRealModelAndKeepsTheWindow) {
  AnalysisState state;
  PeakSpectrum(state, 512, 10, {{140, 5000}}, 3.0);
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Interval");
  // The bounds dialog preset with the picked interval, then Quit in the smoothing window.
  ui.Click(PointX(state, 119), 200).Click(PointX(state, 159), 200).AnswerDialog().AnswerDialog();
  table.RunCaption("Mark the Peak Model");
  EXPECT_EQ(std::pair(state.peak_model.model_first, state.peak_model.model_last),
            std::pair(120, 160));
  ASSERT_FALSE(ui.dialogs().empty());
  EXPECT_EQ(ui.dialogs()[ui.dialogs().size() - 2].title, " Confirm the bounds ");
  EXPECT_EQ(state.peak_model.model_type, kModelReal);
  EXPECT_EQ(std::pair(state.view.interval_begin, state.view.interval_end), std::pair(1, 512));
  EXPECT_EQ(ui.statuses().back(), (Status{" Real peak model set up", ""}));
  EXPECT_EQ(ui.graph_buttons().back(), (GraphButtons{false, true}));
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);

  // A flat stretch cannot make a model: the message, and the model formed before stays.
  const TPeakModel formed = state.peak_model;
  ui.Click(PointX(state, 299), 200).Click(PointX(state, 339), 200).AnswerDialog();
  table.RunCaption("Mark the Peak Model");
  EXPECT_EQ(ui.notes().back(), " Too low statistics for model 10");
  EXPECT_EQ(state.peak_model.model_table, formed.model_table);
  EXPECT_EQ(ui.statuses().back(),
            (Status{" Model interval 300 - 340 stored", " The real peak model is not formed yet"}));
}

TEST(PickInterval, AnEndedPickOrOneChannelTwiceChangesNothing) {
  AnalysisState state;
  PeakSpectrum(state, 512, 10, {});
  state.spectrum.b1 = 50;
  state.spectrum.b2 = 450;
  state.marking.peak_count = 1;
  state.marking.peak_list[1] = 200;
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Interval");
  const AnalysisState before = state;
  auto expect_unchanged = [&] {
    EXPECT_TRUE(state.spectrum == before.spectrum);
    EXPECT_TRUE(state.marking == before.marking);
    EXPECT_EQ(state.peak_model.model_last, 0);
    EXPECT_EQ(std::pair(state.view.interval_begin, state.view.interval_end), std::pair(50, 450));
    EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
    EXPECT_TRUE(state.view.menus_enabled);
    EXPECT_EQ(TickXs(ui.pictures().back().second).size(), 1u);  // the marking's tick is back
    EXPECT_EQ(ui.graph_buttons().back(), (GraphButtons{false, true}));
  };
  ui.Click(PointX(state, 99), 200).PressGraphCancel();
  table.RunCaption("Make the Interval");
  expect_unchanged();

  ui.close_at_wait = 2;  // the window closes at the first wait of the next pick
  table.RunCaption("Mark the Peak Model");
  expect_unchanged();

  // Both clicks on one channel would make a window of one channel: it is refused.
  ui.Click(PointX(state, 149), 200).Click(PointX(state, 149), 300);
  table.RunCaption("Cut the Cadre");
  expect_unchanged();
  EXPECT_EQ(ui.statuses().back(), (Status{" Both clicks on channel 150, nothing changed", ""}));
}

TEST(MarkThePeaks, ClicksCancelAndOkThenManualMarkingUsesThePeaks) {
  AnalysisState state;
  PeakSpectrum(state, 512, 20, {{100, 800}, {200, 600}, {300, 900}});
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Spectrum");
  // Under 1024 channels the clicked channel is taken even beside the top; a click left of the
  // window takes nothing.
  ui.Click(PointX(state, 100), 200)
      .Click(PointX(state, 201), 200)
      .Click(PointX(state, 250), 200)
      .PressGraphCancel()
      .Click(10, 200)
      .Click(PointX(state, 300), 200)
      .PressGraphOk();
  int waits = 0;
  ui.on_wait = [&] {
    ++waits;
    ExpectPickWaits(state, table);
  };
  table.RunCaption("Mark the Peaks ");
  EXPECT_EQ(waits, 7);
  EXPECT_EQ(PeakList(state), (std::vector<double>{100, 201, 300}));
  EXPECT_EQ(MarkList(state), PeakList(state));
  const std::string hint = " Click on the peaks, at finish - on OK ";
  const std::vector<Status> expected = {{hint, "N of peaks = 0"},
                                        {hint, "N of peaks = 1   Chan=100"},
                                        {hint, "N of peaks = 2   Chan=201"},
                                        {hint, "N of peaks = 3   Chan=250"},
                                        {hint, "N of peaks = 2  Chan=201"},
                                        {hint, "N of peaks = 3   Chan=300"},
                                        {"", ""}};
  EXPECT_EQ(ui.statuses(), expected);
  EXPECT_EQ(TickXs(ui.pictures().back().second),
            (std::vector<double>{60 + 100.0, 60 + 201.0, 60 + 300.0}));
  EXPECT_EQ(ui.graph_buttons()[1], (GraphButtons{true, false}));
  EXPECT_EQ(ui.graph_buttons().back(), (GraphButtons{false, false}));
  EXPECT_TRUE(state.view.picking_done);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_TRUE(state.view.menus_enabled);

  // Manual marking moves 201 to the top at 200 and makes intervals around the three peaks.
  ui.on_wait = {};
  ui.AnswerDialog();
  table.RunCaption("Manual Spectrum Marking");
  EXPECT_EQ(PeakList(state), (std::vector<double>{100, 200, 300}));
  ASSERT_GE(state.marking.interval_count, 1);
  int covered = 0;
  for (int i = 1; i <= state.marking.interval_count; ++i) {
    const IntervalRecord& interval = state.marking.interval_table[i];
    for (int p = interval.first_peak; p <= interval.last_peak; ++p) {
      EXPECT_LT(interval.left, state.marking.peak_list[p]);
      EXPECT_GT(interval.right, state.marking.peak_list[p]);
      ++covered;
    }
  }
  EXPECT_EQ(covered, 3);
  EXPECT_EQ(ui.statuses().back()[0], " 3 peak(s) found. ");
}

TEST(MarkThePeaks, KeptPeaksContinueInTheMarkListAndAClosingWindowEndsLikeOk) {
  AnalysisState state;
  PeakSpectrum(state, 512, 20, {});
  state.marking.peak_count = 2;
  state.marking.peak_list[1] = 50.4;
  state.marking.peak_list[2] = 70;
  state.marking.mark_list_count = 2;  // energies entered before
  state.marking.mark_list[1] = 1173.2;
  state.marking.mark_list[2] = 1332.5;
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Spectrum");
  ui.AnswerNo().Click(PointX(state, 90), 200);
  ui.close_at_wait = 1;
  table.RunCaption("Mark the Peaks ");
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo),
            std::vector<std::string>{"Reset the counter?"});
  EXPECT_EQ(ui.statuses().front()[1], "N of peaks = 2   Chan=70");
  EXPECT_EQ(PeakList(state), (std::vector<double>{50.4, 70, 90}));
  EXPECT_EQ(MarkList(state), PeakList(state));
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_TRUE(state.view.menus_enabled);

  // Yes starts a new list; the mark list is full at 300 peaks.
  ui.AnswerYes();
  for (int i = 0; i < 301; ++i) ui.Click(PointX(state, 100 + i % 50), 200);
  ui.PressGraphOk();
  ui.close_at_wait = -1;
  table.RunCaption("Mark the Peaks ");
  EXPECT_EQ(state.marking.peak_count, 300);
  EXPECT_EQ(state.marking.mark_list_count, 300);
  EXPECT_EQ(ui.statuses()[ui.statuses().size() - 2][1],
            "N of peaks = 300   Chan=149  The list is full");
}

TEST(MarkThePeaks, ALongWindowMovesTheClickToTheHighestCountWithinThreeChannels) {
  AnalysisState state;
  PeakSpectrum(state, 4096, 20, {});
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Spectrum");
  const int x = PointX(state, 2000);
  const int clicked = RoundToInt(ChannelAt(state, x) - 1);
  state.spectrum.counts[clicked + 3] = 500;  // within reach
  state.spectrum.counts[clicked + 4] = 900;  // beyond it
  state.spectrum.counts[clicked - 3] = 400;
  ui.Click(x, 200).PressGraphOk();
  table.RunCaption("Mark the Peaks ");
  EXPECT_EQ(PeakList(state), std::vector<double>{clicked + 3.0});

  // A window under 1024 channels takes the clicked channel itself.
  state.view.interval_begin = clicked - 500;
  state.view.interval_end = clicked + 11;  // 512 channels, one unit each
  DrawCadre(state, ui);
  ui.AnswerYes().Click(PointX(state, clicked), 200).PressGraphOk();
  table.RunCaption("Mark the Peaks ");
  EXPECT_EQ(PeakList(state), std::vector<double>{static_cast<double>(clicked)});
}

// Splits a question at its line breaks.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

TEST(CheckForPeakAndAdd, NoChangesOnlyTheStatusAndYesAddsARowAPeakAndAnInterval) {
  AnalysisState state;
  const double sigma = 2.0, height = 1000;
  PeakSpectrum(state, 512, 20, {{250, height}}, sigma);
  state.marking.peak_count = 1;
  state.marking.peak_list[1] = 100;
  state.marking.interval_count = 1;
  state.marking.interval_table[1] = {95, 105, 1, 1};
  state.results.result_count = 2;
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Spectrum");

  // No: only the status changes (besides the click kept in the view).
  const AnalysisState before = state;
  ui.Click(PointX(state, 251), 200).AnswerNo();
  ui.on_wait = [&] { ExpectPickWaits(state, table); };
  table.RunCaption("Check for Peak and Add");
  ui.on_wait = {};
  EXPECT_TRUE(state.spectrum == before.spectrum);
  EXPECT_TRUE(state.marking == before.marking);
  EXPECT_TRUE(state.results == before.results);
  ViewState view = state.view;
  view.click_x = before.view.click_x;
  view.click_y = before.view.click_y;
  view.click_flag = before.view.click_flag;
  EXPECT_TRUE(view == before.view);
  EXPECT_EQ(ui.statuses().front(), (Status{"Click on the peak top", ""}));

  // Yes: the row after the last one, the peak and its own interval.
  ui.Click(PointX(state, 251), 200).AnswerYes();
  table.RunCaption("Check for Peak and Add");
  ASSERT_EQ(state.results.result_count, 3);
  const ResultRow& row = state.results.result_rows[3];
  EXPECT_NEAR(row[0], 250, 0.05);
  EXPECT_NEAR(row[4], 2.3548 * sigma, 0.3);  // the probed full width at half maximum
  const IntervalRecord interval = state.marking.interval_table[2];
  EXPECT_EQ(state.marking.interval_count, 2);
  EXPECT_EQ(std::pair(interval.first_peak, interval.last_peak), std::pair(2, 2));
  EXPECT_EQ(interval.left, RoundToInt(row[0] - 1.5 * row[4]));
  EXPECT_EQ(interval.right, RoundToInt(row[0] + 1.5 * row[4]));
  EXPECT_EQ(PeakList(state), (std::vector<double>{100, row[0]}));
  // The background from the four edge channels; the net area is the peak's, nearly all of it.
  const TSpectrum& sp = state.spectrum;
  const int l = interval.left, r = interval.right;
  const double b =
      (r - l + 1) * (sp.counts[l] + sp.counts[l + 1] + sp.counts[r] + sp.counts[r - 1]) / 4;
  EXPECT_DOUBLE_EQ(row[7], b);
  const double area = height * sigma * std::sqrt(2 * std::numbers::pi);
  EXPECT_NEAR(row[2], area, 0.03 * area);
  EXPECT_DOUBLE_EQ(row[3], std::sqrt(row[2] + b + 1));
  EXPECT_DOUBLE_EQ(row[6], row[2] / row[3]);
  EXPECT_EQ(std::pair(row[1], row[5]), std::pair(0.0, 0.0));
  EXPECT_TRUE(state.results.results_unsaved);
  const std::vector<std::string> question = Lines(ui.Texts(ScriptedUi::Event::Kind::kYesNo)[1]);
  const std::vector<std::string> expected = {
      "Interval " + std::to_string(l) + " - " + std::to_string(r),
      "Cryt= " + FormatFixed(10, 2, row[6]) + "     (if < 3, no effect)",
      "Backgr= " + FormatFixed(10, 2, b), "Save to res-table? (Y,No)"};
  EXPECT_EQ(question, expected);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_TRUE(state.view.menus_enabled);
}

TEST(CheckForPeakAndAdd, WithoutAPeakTheWidthLineGivesTheIntervalAndAFullTableRefuses) {
  AnalysisState state;
  PeakSpectrum(state, 512, 20, {});
  state.spectrum.w1 = 4.0;
  state.spectrum.w2 = 6.0;
  PickUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Graph the Spectrum");
  // Channel 400: width 4 + 2 * 399 / 512 = 5.56, the interval 400 -+ 8.34.
  ui.Click(PointX(state, 400), 200).AnswerNo();
  table.RunCaption("Check for Peak and Add");
  // A narrow width line still gives at least 4 channels: 400 -+ 6.
  state.spectrum.w1 = state.spectrum.w2 = 2.0;
  ui.Click(PointX(state, 400), 200).AnswerNo();
  table.RunCaption("Check for Peak and Add");
  const std::vector<std::string> questions = ui.Texts(ScriptedUi::Event::Kind::kYesNo);
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(Lines(questions[0])[0], "Interval 392 - 408");
  EXPECT_EQ(Lines(questions[1])[0], "Interval 394 - 406");
  EXPECT_EQ(Lines(questions[1])[2], "Backgr= " + FormatFixed(10, 2, 13 * 20.0));

  state.results.result_count = kResultCapacity;
  const AnalysisState before = state;
  ui.Click(PointX(state, 400), 200).AnswerYes();
  table.RunCaption("Check for Peak and Add");
  EXPECT_EQ(ui.statuses().back(), (Status{"Error, too many peaks in the table", ""}));
  EXPECT_TRUE(state.results == before.results);
  EXPECT_TRUE(state.marking == before.marking);

  // The window closing while it waits ends it with nothing asked.
  ui.close_at_wait = 3;  // the fourth wait of this test
  table.RunCaption("Check for Peak and Add");
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo).size(), 3u);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_TRUE(state.view.menus_enabled);
}

}  // namespace
}  // namespace pektra
