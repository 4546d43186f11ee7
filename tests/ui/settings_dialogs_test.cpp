// The settings dialogs through the command table: typed values become the exact state, with the
// clamps and corrections of each dialog; an unreadable cell and Cancel change nothing.
#include "ui/settings_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "ui/commands.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A dialog answer that types `values` into the grid cells (an empty text leaves the cell).
std::function<void(DialogContent&)> Type(std::vector<std::string> values) {
  return [values](DialogContent& d) {
    for (std::size_t r = 0; r < values.size() && r < d.grid.cells.size(); ++r) {
      if (!values[r].empty()) d.grid.cells[r][0] = values[r];
    }
  };
}

bool SameSettings(const AnalysisState& a, const AnalysisState& b) {
  return a.spectrum.a1 == b.spectrum.a1 && a.spectrum.a2 == b.spectrum.a2 &&
         a.spectrum.b1 == b.spectrum.b1 && a.spectrum.b2 == b.spectrum.b2 &&
         a.spectrum.w1 == b.spectrum.w1 && a.spectrum.w2 == b.spectrum.w2 &&
         a.spectrum.delta_w == b.spectrum.delta_w && a.spectrum.dback == b.spectrum.dback &&
         a.spectrum.file_type == b.spectrum.file_type &&
         a.spectrum.width_variable == b.spectrum.width_variable && a.processing == b.processing &&
         a.marking == b.marking && a.fit == b.fit && a.view == b.view &&
         a.display.screen_scale == b.display.screen_scale &&
         a.display.font_size == b.display.font_size && a.display.rus_help == b.display.rus_help &&
         a.results.norm_coefficient == b.results.norm_coefficient &&
         a.results.norm_by_coefficient == b.results.norm_by_coefficient && a.width == b.width;
}

TEST(SettingsDialogs, SpectrumDataIsClampedAndTheIntervalMovedInside) {
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  ui.AnswerDialog(
      Type({"10", "20000", "0", "5000.5", "2", "25.4", "0.02", "12", "1.5", "0.1", "7.5", "2.5"}));
  table.RunCaption("Set the Spectrum Data");
  ASSERT_EQ(ui.dialogs().size(), 1u);
  const DialogContent& d = ui.dialogs()[0];
  EXPECT_EQ(d.title, "Setting the spectrum data");
  EXPECT_EQ(d.grid.left, 40);
  EXPECT_EQ(d.grid.top, 30);
  EXPECT_EQ(d.grid.column_widths, (std::vector<int>{150, 90}));
  ASSERT_EQ(d.grid.labels.size(), 12u);
  EXPECT_EQ(d.grid.labels[0], " Spectrum beginning");
  EXPECT_EQ(d.grid.labels[11], " Delta Width(chan)");
  EXPECT_EQ(d.grid.cells[1][0], FormatGridCell(8, AnalysisState().spectrum.a2));

  const TSpectrum& sp = state.spectrum;
  EXPECT_EQ(sp.a1, 10);
  EXPECT_EQ(sp.a2, 16384);
  EXPECT_EQ(sp.b1, 11);    // 0 becomes 1, below a1: a1 + 1
  EXPECT_EQ(sp.b2, 5000);  // halves to the even neighbour
  EXPECT_EQ(sp.file_type, 2);
  EXPECT_EQ(state.processing.small_stat, 25.0);
  EXPECT_EQ(state.processing.covar, 0.02);
  EXPECT_EQ(state.processing.order, 12.0);
  EXPECT_EQ(state.processing.chibc, 1.5);
  EXPECT_EQ(sp.w1, 0.25);
  EXPECT_EQ(sp.w2, 7.5);
  EXPECT_EQ(sp.delta_w, 2.5);
  EXPECT_EQ(state.view.interval_begin, 11);
  EXPECT_EQ(state.view.interval_end, 5000);
  EXPECT_EQ(state.view.interval_length, 4990);
  EXPECT_EQ(state.view.dialog_ok, 1);

  // An interval end beyond the spectrum end becomes a2 - 1.
  ui.AnswerDialog(Type({"1", "4000", "100", "9000"}));
  table.RunCaption("Set the Spectrum Data");
  EXPECT_EQ(sp.a2, 4000);
  EXPECT_EQ(sp.b1, 100);
  EXPECT_EQ(sp.b2, 3999);

  // No room between the bounds, or an unknown file type: nothing changes.
  const AnalysisState before = state;
  ui.AnswerDialog(Type({"500", "400"}))
      .AnswerDialog(Type({"", "", "", "", "9"}))
      .AnswerDialog(Type({"", "", "", "", "", "", "", "", "", "", "1..5"}))
      .CancelDialog();
  for (int i = 0; i < 4; ++i) table.RunCaption("Set the Spectrum Data");
  EXPECT_EQ(state.view.dialog_ok, 0);  // the unreadable cell
  state.view.dialog_ok = before.view.dialog_ok;
  EXPECT_TRUE(SameSettings(state, before));
  EXPECT_EQ(ui.notes(),
            (std::vector<std::string>{
                "Error in \"Spectrum end\": the spectrum must end after channel 500; nothing "
                "changed",
                "Error in \"Spectrum File Type\": type 9 unknown, allowed 1 to 5; nothing changed",
                "Error in \"Width_2(chan)\": \"1..5\" is not a number; nothing changed"}));
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(SettingsDialogs, MarkingDataRoundsAndCapsTheMaximumInterval) {
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  ui.AnswerDialog(Type({"0.7", "1000", "2.5", "0.8", "1.5", "4.5"}))
      .AnswerDialog(Type({"", "127.5"}));
  table.RunCaption("Set the Marking Data");
  const DialogContent& d = ui.dialogs()[0];
  EXPECT_EQ(d.title, "Setting the marking data");
  EXPECT_EQ(d.labels[0].text, "Interval  Length = 2 * kWidth * Width + adInterv");
  EXPECT_EQ(d.labels[0].left, 10);
  EXPECT_EQ(d.labels[0].top, 200);
  EXPECT_EQ(d.grid.labels[1], " Max.interval (chan)");
  const MarkingState& m = state.marking;
  EXPECT_EQ(m.smoothing, 0.7);
  EXPECT_EQ(m.max_interval, 512);
  EXPECT_EQ(m.sens, 2.5);
  EXPECT_EQ(m.resol, 0.8);
  EXPECT_EQ(m.k_width, 1.5);
  EXPECT_EQ(m.ad_interv, 4.0);  // halves to even
  table.RunCaption("Set the Marking Data");
  EXPECT_EQ(m.max_interval, 128);

  const MarkingState before = m;
  ui.AnswerDialog(Type({"", "", "0"})).AnswerDialog(Type({"abc"})).CancelDialog();
  for (int i = 0; i < 3; ++i) table.RunCaption("Set the Marking Data");
  EXPECT_EQ(m, before);
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{
                            "Error in \"Sensitivity\": allowed above 0; nothing changed",
                            "Error in \"Smoothing\": \"abc\" is not a number; nothing changed"}));
  EXPECT_EQ(state.view.dialog_ok, 0);
}

TEST(SettingsDialogs, FitDataTakesTheRowOfTheModeNotInForce) {
  AnalysisState state;
  state.spectrum.dback = -2;
  ScriptedUi ui;
  CommandTable table(state, ui);
  // norm_by_coefficient true: the peak channel row counts; ticking switches to peak mode.
  ui.AnswerDialog([](DialogContent& d) {
    Type({"0.001", "0.0002", "12.5", "-0.5", "0.02", "-2", "4", "3.3", "661.7"})(d);
    d.check_list.checked[0] = true;
  });
  table.RunCaption("Set the Fit Data");
  const DialogContent& d = ui.dialogs()[0];
  EXPECT_EQ(d.title, "Setting the fitting data");
  EXPECT_EQ(d.grid.cells[5][0], FormatGridCell(8, 2));  // |dback|
  EXPECT_EQ(d.check_list.items[0], " Set peak channel number N for normalisation");
  EXPECT_EQ(d.check_list.left, 5);
  EXPECT_EQ(d.check_list.top, 250);
  EXPECT_FALSE(d.check_list.checked[0]);
  EXPECT_EQ(state.spectrum.width_variable, 0.001);
  EXPECT_EQ(state.spectrum.delta_width_v, 0.0002);
  EXPECT_EQ(state.fit.niter, 12);
  EXPECT_EQ(state.fit.step, 0.5);
  EXPECT_EQ(state.fit.damper, 0.02);
  EXPECT_EQ(state.spectrum.dback, 2);
  EXPECT_EQ(state.fit.delta_pos, 4.0);
  EXPECT_EQ(state.results.norm_coefficient, 661.7);
  EXPECT_FALSE(state.results.norm_by_coefficient);

  // Now in peak mode: the coefficient row counts; unticking switches back.
  ui.AnswerDialog([](DialogContent& d) {
    Type({"", "", "", "", "", "5", "", "2.5", "100"})(d);
    EXPECT_TRUE(d.check_list.checked[0]);
    d.check_list.checked[0] = false;
  });
  table.RunCaption("Set the Fit Data");
  EXPECT_EQ(state.spectrum.dback, 3);
  EXPECT_EQ(state.results.norm_coefficient, 2.5);
  EXPECT_TRUE(state.results.norm_by_coefficient);

  const AnalysisState before = state;
  ui.AnswerDialog(Type({"", "", "", "0"}))
      .AnswerDialog(Type({"", "", "", "", "", "", "-1"}))
      .AnswerDialog(Type({"", "", "x"}))
      .CancelDialog();
  for (int i = 0; i < 4; ++i) table.RunCaption("Set the Fit Data");
  state.view.dialog_ok = before.view.dialog_ok;
  EXPECT_TRUE(SameSettings(state, before));
  EXPECT_EQ(ui.notes(),
            (std::vector<std::string>{
                "Error in \"Step\": allowed above 0 up to 1; nothing changed",
                "Error in \"Delta Pos.\": allowed 0 or more; nothing changed",
                "Error in \"N of iterations\": \"x\" is not a number; nothing changed"}));
}

TEST(SettingsDialogs, WidthDependenceAndItsOneChannelRefusal) {
  AnalysisState state;
  state.spectrum.w1 = 4;
  state.spectrum.w2 = 6;
  state.spectrum.b1 = 1;
  state.spectrum.b2 = 4096;
  ScriptedUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Set  Width Dependence");
  EXPECT_NEAR(state.width.width_slope, 4.884e-4, 1e-7);
  EXPECT_NEAR(state.width.width_offset, 3.9995, 1e-4);
  ASSERT_EQ(ui.statuses().size(), 1u);
  EXPECT_EQ(ui.statuses()[0][0], "   W(chan) = 0.0004884 * chan + 4");
  EXPECT_EQ(ui.statuses()[0][1], "     W(1) = 4;        W(4096) = 6");

  state.spectrum.b1 = state.spectrum.b2 = 300;
  const WidthLine before = state.width;
  table.RunCaption("Set  Width Dependence");
  EXPECT_EQ(state.width, before);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{
                            "Error, the interval 300 - 300 has one channel: no width dependence"});
}

TEST(SettingsDialogs, GraphScaleAndWrongTrimming) {
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  ui.AnswerDialog([](DialogContent& d) {
      d.choice_lists[0].selected = 3;
      d.edit_line.text = " 0,25";
    })
      .AnswerDialog([](DialogContent& d) {
        d.choice_lists[0].selected = 3;
        d.edit_line.text = "a lot";
      })
      .AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 1; })
      .CancelDialog();
  table.RunCaption("Set Graph Scale");
  const DialogContent& d = ui.dialogs()[0];
  EXPECT_EQ(d.title, "Select the scale mode");
  EXPECT_EQ(d.choice_lists[0].items, (std::vector<std::string>{"Normal", "SQRT", "LN", "Trimmed"}));
  EXPECT_EQ(d.choice_lists[0].selected, 0);
  EXPECT_EQ(d.labels[0].text, "Trimming coefficient = ");
  EXPECT_EQ(d.edit_line.text, "  0.500");
  EXPECT_EQ(state.view.scale_mode, ScaleMode::kTrimmed);
  EXPECT_EQ(state.view.trim_coefficient, 0.25);
  table.RunCaption("Set Graph Scale");
  EXPECT_EQ(state.view.scale_mode, ScaleMode::kTrimmed);
  EXPECT_EQ(state.view.trim_coefficient, 0.25);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Wrong trimming"});
  table.RunCaption("Set Graph Scale");
  EXPECT_EQ(state.view.scale_mode, ScaleMode::kSqrt);
  table.RunCaption("Set Graph Scale");
  EXPECT_EQ(state.view.scale_mode, ScaleMode::kSqrt);
}

TEST(SettingsDialogs, FormAndFontTellsTheWindow) {
  AnalysisState state;
  state.display.rus_help = true;
  ScriptedUi ui;
  CommandTable table(state, ui);
  ui.AnswerDialog([](DialogContent& d) {
      d.choice_lists[0].selected = 2;
      d.choice_lists[1].selected = 0;
      d.check_list.checked[0] = false;
    }).CancelDialog();
  table.RunCaption("Form and Font Sizes");
  const DialogContent& d = ui.dialogs()[0];
  EXPECT_EQ(d.title, "");
  EXPECT_EQ(d.left, 100);
  EXPECT_EQ(d.labels[0].text, "   Set the screen scale ");
  EXPECT_EQ(d.labels[1].text, "   Set the font size ");
  EXPECT_EQ(d.choice_lists[0].items, (std::vector<std::string>{"1", "1.25", "1.5"}));
  EXPECT_EQ(d.choice_lists[0].selected, 1);
  EXPECT_EQ(d.choice_lists[1].items,
            (std::vector<std::string>{" Small (8)", " Regular (10)", " Large (12)"}));
  EXPECT_EQ(d.choice_lists[1].selected, 2);
  EXPECT_EQ(d.check_list.items[0], " Use Russian Helps");
  EXPECT_TRUE(d.check_list.checked[0]);
  EXPECT_EQ(state.display.screen_scale, 1.5);
  EXPECT_EQ(state.display.font_size, 8);
  EXPECT_FALSE(state.display.rus_help);
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kDisplaySettings),
            std::vector<std::string>{"1.5 8 0"});
  table.RunCaption("Form and Font Sizes");  // Cancel
  EXPECT_EQ(state.display.screen_scale, 1.5);
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kDisplaySettings).size(), 1u);
}

}  // namespace
}  // namespace pektra
