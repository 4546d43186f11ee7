// Undo of the commands that change the spectrum, through the command table: the item's caption
// and enabling, the spectrum given back bit for bit, the depth of the stack, and Cancel.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "spectrum/spectrum_undo.h"
#include "state/analysis_state.h"
#include "state/spectrum_history.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A spectrum of 2000 channels with peaks, wiggles and two spikes, errors by the variance formula.
AnalysisState Measured() {
  AnalysisState state;
  TSpectrum& sp = state.spectrum;
  sp.file_name = "measured.spe";
  sp.file_type = kBinary32;
  sp.a1 = 1;
  sp.a2 = 2000;
  sp.b1 = 200;
  sp.b2 = 1800;
  for (int i = 1; i <= 2000; ++i) {
    sp.counts[i] = 300 + 2000 * std::exp(-std::pow((i - 700) / 3.0, 2)) + (i * 37 % 11);
  }
  sp.counts[400] = 2000;
  sp.counts[1500] = 0;
  sp.ApplyVarianceFormula(0.01);
  sp.UpdateRange();
  return state;
}

const MenuItem& UndoItem(CommandTable& table) {
  for (const MenuItem& item : table.menus()[0].items) {
    if (item.name == "Undo1") return item;
  }
  throw std::logic_error("no Undo item");
}

void Tick(DialogContent& dialog) { dialog.check_list.checked = {true}; }

TEST(UndoTest, EachChangingCommandIsTakenBackBitForBit) {
  testing::TempDir dir;
  const std::string file = dir.File("new.txt");
  testing::WriteFile(file, "5 6 7 8 9 10 11 12\n");
  AnalysisState state = Measured();
  state.files.work_dir = dir.path().string();
  ScriptedUi ui;
  CommandTable table(state, ui);
  EXPECT_EQ(UndoItem(table).caption, "Undo");
  EXPECT_FALSE(UndoItem(table).enabled);
  EXPECT_EQ(UndoItem(table).shortcut, "Ctrl+Z");
  EXPECT_EQ(&UndoItem(table), &table.menus()[0].items.back());

  struct Step {
    std::string caption;
    std::function<void()> script;
  };
  const std::vector<Step> steps = {
      {"Correct for Blunders", [&ui] { ui.AnswerDialog(); }},
      {"Compress the Spectrum", [&ui] { ui.AnswerDialog(); }},
      {"Smooth the Spectrum", [&ui] { ui.AnswerDialog(Tick).AnswerDialog(); }},
      {"Build the Background", [&ui] { ui.AnswerDialog(Tick).AnswerDialog(); }},
      {"Simulate the Spectrum", [] {}},
      {"Input the Spectrum",
       [&ui, &file] {
         ui.AnswerFile(file).AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 2; });
       }},
      {"Test",
       [&ui] { ui.AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 3; }); }},
  };
  for (const Step& step : steps) {
    const TSpectrum before = state.spectrum;
    step.script();
    ASSERT_TRUE(table.RunCaption(step.caption));
    ASSERT_FALSE(state.spectrum.counts == before.counts) << step.caption;
    ASSERT_TRUE(UndoItem(table).enabled);
    const std::string caption = UndoItem(table).caption;
    state.marking.peak_count = 5;  // a marking made on the changed spectrum
    state.marking.interval_count = 2;
    state.marking.marking_length = 9;
    EXPECT_EQ(caption.substr(0, 5), "Undo ");
    if (step.caption != "Test") {
      EXPECT_EQ(caption, "Undo " + step.caption);
    }
    ASSERT_TRUE(table.RunCaption(caption));
    // The data come back bit for bit; the widths a test spectrum set are the user's now.
    TSpectrum expected = before;
    expected.w1 = state.spectrum.w1;
    expected.w2 = state.spectrum.w2;
    expected.delta_w = state.spectrum.delta_w;
    EXPECT_TRUE(state.spectrum == expected) << step.caption;
    EXPECT_FALSE(UndoItem(table).enabled);
    // The marking found on the spectrum goes; its data stay; the spectrum is drawn again.
    EXPECT_EQ(state.marking.peak_count, 0);
    EXPECT_EQ(state.marking.interval_count, 0);
    EXPECT_EQ(state.marking.marking_length, 9);
    EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
    EXPECT_EQ(ui.statuses().back()[0], "Undone: " + caption.substr(5));
  }
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(UndoTest, TenChangesAreUndoneAndTheStackHoldsNoMore) {
  AnalysisState state = Measured();
  state.results.result_count = 4;
  const TSpectrum original = state.spectrum;
  ScriptedUi ui;
  CommandTable table(state, ui);
  std::vector<TSpectrum> seen;
  for (int k = 0; k < 11; ++k) {
    seen.push_back(state.spectrum);
    table.RunCaption("Simulate the Spectrum");
  }
  ASSERT_EQ(state.undo.size(), SpectrumUndo::kDepth);
  for (int k = 10; k >= 1; --k) {
    ASSERT_TRUE(UndoItem(table).enabled);
    table.RunCaption("Undo Simulate the Spectrum");
    EXPECT_TRUE(state.spectrum.counts == seen[static_cast<std::size_t>(k)].counts) << k;
  }
  // The eleventh undo is not offered: the oldest change was dropped.
  EXPECT_FALSE(UndoItem(table).enabled);
  EXPECT_EQ(UndoItem(table).caption, "Undo");
  EXPECT_FALSE(table.RunCaption("Undo Simulate the Spectrum"));
  table.RunCaption("Undo");  // disabled: nothing happens
  EXPECT_TRUE(state.spectrum.counts == seen[1].counts);
  EXPECT_EQ(state.results.result_count, 4);  // the result table is not part of it

  // Ten changes, ten undos: the original.
  AnalysisState fresh = Measured();
  CommandTable again(fresh, ui);
  for (int k = 0; k < 10; ++k) again.RunCaption("Simulate the Spectrum");
  for (int k = 0; k < 10; ++k) again.RunCaption("Undo Simulate the Spectrum");
  EXPECT_TRUE(fresh.spectrum == original);
  EXPECT_FALSE(UndoItem(again).enabled);
}

TEST(UndoTest, CancelledCommandsChangeNothingAndKeepNothing) {
  AnalysisState state = Measured();
  state.marking.peak_count = 3;
  state.results.result_count = 2;
  const AnalysisState before = state;
  ScriptedUi ui;
  ui.CancelDialog()    // blunders
      .CancelDialog()  // compression
      .AnswerDialog([](DialogContent& d) { d.edit_line.text = "0.4"; })
      .CancelDialog()  // smoothing
      .AnswerDialog(Tick)
      .CancelDialog()  // smoothing window
      .AnswerDialog()
      .AnswerDialog()  // background, box clear
      .CancelFile();   // input
  CommandTable table(state, ui);
  for (const char* caption : {"Correct for Blunders", "Compress the Spectrum",
                              "Compress the Spectrum", "Smooth the Spectrum", "Smooth the Spectrum",
                              "Build the Background", "Input the Spectrum"}) {
    table.RunCaption(caption);
  }
  EXPECT_TRUE(ui.AllAnswersUsed());
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Wrong compression factor"});
  EXPECT_TRUE(state.spectrum == before.spectrum);
  EXPECT_TRUE(state.processing == before.processing);
  EXPECT_TRUE(state.marking == before.marking);
  EXPECT_TRUE(state.results == before.results);
  EXPECT_TRUE(state.undo.empty());
  EXPECT_FALSE(UndoItem(table).enabled);
}

TEST(UndoTest, AChangeFromOutsideTheFileMenuCanBeRemembered) {
  AnalysisState state = Measured();
  const TSpectrum before = state.spectrum;
  ScriptedUi ui;
  CommandTable table(state, ui);
  RememberSpectrum(state, "Correct the blunders");
  state.spectrum.counts[400] = 300;
  table.RefreshEnabling();
  EXPECT_EQ(UndoItem(table).caption, "Undo Correct the blunders");
  table.RunCaption("Undo Correct the blunders");
  EXPECT_TRUE(state.spectrum == before);
}

}  // namespace
}  // namespace pektra
