// The marking command through the scripted user interface.
#include "marking/marking.h"

#include <gtest/gtest.h>

#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Plays the user of the "Find the Peaks" dialog: types the six values and picks the algorithm
// (0 new, 1 old).
std::function<void(DialogContent&)> Type(std::vector<std::string> values, int algorithm = 0) {
  return [values, algorithm](DialogContent& dialog) {
    for (std::size_t r = 0; r < values.size(); ++r) dialog.grid.cells[r][0] = values[r];
    dialog.choice_lists[0].selected = algorithm;
  };
}

TEST(SetSearchControls, ShowsThePresentValuesAndKeepsOldValuesOfRefusedRows) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog(Type({"3.5", "-1", "-0.5", "0", "-2", "5000"}, 1));
  ASSERT_TRUE(SetSearchControls(MarkingOf(state), ui, true));

  const DialogContent& shown = ui.dialogs().at(0);
  EXPECT_EQ(shown.grid.cells[5][0], "     128");
  EXPECT_EQ(shown.choice_lists[0].selected, 1);  // ndf 0: the old algorithm is preset

  EXPECT_EQ(ui.notes(), (std::vector<std::string>{"Erroneous width", "Erroneous width accuracy",
                                                  "Erroneous sensitivity", "Wrong interval"}));
  EXPECT_EQ(state.spectrum.w1, 3.5);
  EXPECT_EQ(state.spectrum.w2, 6.0);
  EXPECT_EQ(state.spectrum.delta_w, 3.5);
  EXPECT_EQ(state.marking.sens, 1.0);
  EXPECT_EQ(state.marking.resol, -2.0);  // any resolution is taken
  EXPECT_EQ(state.marking.max_interval, 128);
  EXPECT_EQ(state.marking.ndf, 0);
}

TEST(SetSearchControls, TheRefinementCheckBoxShowsAndSetsTheSwitch) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& dialog) { dialog.check_list.checked = {true}; });
  ui.AnswerDialog([](DialogContent& dialog) { dialog.check_list.checked = {false}; });
  ASSERT_TRUE(SetSearchControls(MarkingOf(state), ui, true));
  EXPECT_EQ(ui.dialogs().at(0).check_list.items,
            std::vector<std::string>{" Refine the peaks by the fit"});
  EXPECT_EQ(ui.dialogs().at(0).check_list.checked, std::vector<bool>{false});  // window: off
  EXPECT_TRUE(state.marking.refinement.refine);
  ASSERT_TRUE(SetSearchControls(MarkingOf(state), ui, false));
  EXPECT_EQ(ui.dialogs().at(1).check_list.checked, std::vector<bool>{true});
  EXPECT_FALSE(state.marking.refinement.refine);
}

TEST(SetSearchControls, AnErroneousValueInForceGivesWayToThePresetWhenTheTypedOneIsWrongToo) {
  AnalysisState state;
  // Erroneous values set elsewhere, confirmed unchanged as the batch tool does.
  state.spectrum.w1 = 0;
  state.spectrum.w2 = -6;
  state.spectrum.delta_w = -1;
  state.marking.sens = -7;
  state.marking.max_interval = 0;
  ScriptedUi ui;
  ui.AnswerDialog();
  ASSERT_TRUE(SetSearchControls(MarkingOf(state), ui, true));
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{
                            "Erroneous width, the preset 4 is used",
                            "Erroneous width, the preset 6 is used",
                            "Erroneous width accuracy, the preset 3.5 is used",
                            "Erroneous sensitivity, the preset 1 is used",
                            "Wrong interval, the preset 128 is used",
                        }));
  EXPECT_EQ(std::tie(state.spectrum.w1, state.spectrum.w2, state.spectrum.delta_w),
            std::make_tuple(4.0, 6.0, 3.5));
  EXPECT_EQ(std::tie(state.marking.sens, state.marking.max_interval), std::make_tuple(1.0, 128));

  // A good value typed over an erroneous one is simply taken.
  state.marking.sens = 0;
  ScriptedUi typed;
  typed.AnswerDialog(Type({"4", "6", "1", "2.5", "1", "256"}));
  ASSERT_TRUE(SetSearchControls(MarkingOf(state), typed, true));
  EXPECT_TRUE(typed.notes().empty());
  EXPECT_EQ(std::tie(state.marking.sens, state.marking.max_interval), std::make_tuple(2.5, 256));
}

TEST(SetSearchControls, UnreadableNumberCountsAsCancel) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog(Type({"4", "6", "1", "abc", "1", "128"}));
  EXPECT_FALSE(SetSearchControls(MarkingOf(state), ui, true));
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, wrong numbers"});
  EXPECT_EQ(state.spectrum.w1, 4.0);
  EXPECT_EQ(state.marking.ndf, 0);
}

TEST(MarkSpectrum, CancelledDialogKeepsTheMarkingAndEmptiesTheReport) {
  AnalysisState state;
  state.marking.peak_count = 2;
  state.marking.peak_list[1] = 500;
  state.marking.interval_count = 1;
  ScriptedUi ui;
  ui.CancelDialog();
  MarkSpectrum(MarkingOf(state), ui);
  EXPECT_EQ(state.marking.peak_count, 2);
  EXPECT_EQ(state.marking.interval_count, 1);
  EXPECT_EQ(state.view.status_text[0], "");
  EXPECT_EQ(state.view.dialog_ok, 0);
}

TEST(MarkSpectrum, ManualMarkingNeedsPointsAndMovesThemToTheHighestNeighbour) {
  AnalysisState state;
  state.marking.mark_mode = MarkMode::kManual;
  ScriptedUi ui;
  MarkSpectrum(MarkingOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"No marked points"});
  EXPECT_EQ(state.view.status_text[0], "");

  state.spectrum.counts[1001] = 50;
  state.spectrum.counts[1002] = 40;
  state.spectrum.counts[998] = 60;
  state.spectrum.counts[1999] = 5;
  state.marking.mark_list_count = testing::Fill(state.marking.mark_list, {2000, 999.6});
  state.results.result_count = 7;
  ScriptedUi ui2;
  ui2.AnswerDialog(Type({"4", "4", "1", "1", "1", "128"}));
  MarkSpectrum(MarkingOf(state), ui2);
  EXPECT_TRUE(ui2.dialogs().at(0).choice_lists[0].items.empty());  // no algorithm choice
  // 999.6 is channel 1000: of its higher neighbours 998, 1001 and 1002 the last one wins, the
  // comparison always being with channel 1000. The division sorts the list.
  EXPECT_EQ(testing::PeakList(state), (std::vector<double>{1002, 1999}));
  EXPECT_EQ(state.marking.interval_count, 2);
  EXPECT_EQ(state.results.result_offset, 7);
  EXPECT_EQ(state.view.status_text[0], " 2 peak(s) found. ");
}

TEST(MarkSpectrum, ReportsNoPeakOnAFlatSpectrumWithTheNewAlgorithm) {
  AnalysisState state;
  for (int c = 1; c <= 4096; ++c) state.spectrum.counts[c] = 100;
  ScriptedUi ui;
  ui.AnswerDialog(Type({"4", "6", "1", "1", "1", "128"}, 0));
  MarkSpectrum(MarkingOf(state), ui);
  EXPECT_EQ(state.marking.ndf, 1);
  EXPECT_EQ(state.marking.peak_count, 0);
  EXPECT_EQ(state.marking.interval_count, 0);
  EXPECT_EQ(state.view.status_text[0], " 0 peak(s) found. ");
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
}

}  // namespace
}  // namespace pektra
