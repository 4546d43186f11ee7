// The command table: preconditions, questions, status lines and a failing command.
#include "ui/commands.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "calib/calibration.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

TEST(CommandTable, PreconditionsSayWhatIsMissing) {
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  table.RunCaption("&Save the Fit Results");
  table.RunCaption("Spectrum  Fit");
  ASSERT_EQ(ui.statuses().size(), 2u);
  EXPECT_EQ(ui.statuses()[0][0], "Error! No peaks fitted");
  EXPECT_EQ(ui.statuses()[1][0], "No marking data");

  // Marked peaks but an empty result table: nothing happens and nothing is shown.
  state.marking.peak_count = 1;
  table.RunCaption("&Save the Fit Results");
  EXPECT_EQ(ui.events().size(), 2u);
}

TEST(CommandTable, UnsavedResultsAreAskedForBeforeResetAndExit) {
  AnalysisState state;
  state.results.results_unsaved = true;
  state.results.result_count = 3;
  state.marking.peak_count = 3;
  ScriptedUi ui;
  ui.AnswerCancel().AnswerOk().AnswerNo();
  CommandTable table(state, ui);
  table.RunCaption("Reset");
  EXPECT_EQ(state.results.result_count, 3);  // Cancel keeps everything
  EXPECT_EQ(state.marking.peak_count, 3);
  table.RunCaption("Reset");
  EXPECT_EQ(state.results.result_count, 0);
  EXPECT_EQ(state.marking.peak_count, 0);
  EXPECT_FALSE(state.results.results_unsaved);
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kOkCancel),
            (std::vector<std::string>{"Previous fit results not saved",
                                      "Previous fit results not saved"}));

  state.results.results_unsaved = true;
  table.RunCaption("&Exit");
  EXPECT_FALSE(table.quit_confirmed());
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo),
            std::vector<std::string>{"Results not saved. Quit?"});
}

TEST(CommandTable, AnExceptionInACommandIsReportedAndTheProgramGoesOn) {
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  // Given a command that changes the marking and then fails inside
  for (MenuDefinition& menu : table.menus()) {
    for (MenuItem& item : menu.items) {
      if (item.caption == "&Save the Init-file") {
        item.action = [&state] {
          state.marking.peak_count = 3;
          throw std::runtime_error("no room left");
        };
      }
    }
  }
  // when it runs
  ASSERT_TRUE(table.RunCaption("&Save the Init-file"));
  // then the user and the debug log are told, and the state is as the command left it
  const std::string text = "Internal error in Save the Init-file: no room left";
  EXPECT_EQ(ui.notes(), std::vector<std::string>{text});
  EXPECT_NE(state.debug_log->MemoryText().find(text), std::string::npos);
  EXPECT_EQ(state.marking.peak_count, 3);
  // and the next command runs as usual.
  ASSERT_TRUE(table.RunCaption("Reset"));
  EXPECT_EQ(state.marking.peak_count, 0);
}

TEST(CommandTable, TestSpectrumThenMarkingAndFitGiveResults) {
  testing::TempDir dir;
  AnalysisState state;
  state.files.work_dir = dir.path().string();
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 3; })     // Co60
      .AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 0; });  // new search
  CommandTable table(state, ui);
  table.RunCaption("Test");
  EXPECT_EQ(state.spectrum.a2, 4096);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_FALSE(ui.pictures().empty());
  table.RunCaption("Automatic Spectrum Marking");
  EXPECT_GE(state.marking.peak_count, 2);
  EXPECT_NE(ui.statuses().back()[0].find(" peak(s) found. "), std::string::npos);
  table.RunCaption("Spectrum  Fit");
  EXPECT_GE(state.results.result_count, 2);
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(ui.statuses().back()[0], "The spectrum has been fitted.");
}

TEST(CommandTable, TestSpectrumAsksBeforeDiscardingUnsavedResults) {
  testing::TempDir dir;
  AnalysisState state;
  state.files.work_dir = dir.path().string();
  state.spectrum.a2 = 100;
  state.results.result_count = 3;
  state.results.results_unsaved = true;
  const AnalysisState before = state;
  ScriptedUi ui;
  auto co60 = [](DialogContent& d) { d.choice_lists[0].selected = 3; };
  ui.AnswerDialog(co60).AnswerNo().AnswerDialog(co60).AnswerYes();
  CommandTable table(state, ui);

  table.RunCaption("Test");  // No keeps the spectrum and the results
  EXPECT_TRUE(state.spectrum == before.spectrum);
  EXPECT_TRUE(state.results == before.results);

  table.RunCaption("Test");  // Yes discards them
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo),
            (std::vector<std::string>{"Former results not saved. Proceed?",
                                      "Former results not saved. Proceed?"}));
  EXPECT_EQ(state.spectrum.a2, 4096);
  EXPECT_EQ(state.results.result_count, 0);
  EXPECT_FALSE(state.results.results_unsaved);
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

// The Eu152 test spectrum (0.5 keV per channel), marked, calibrates itself.
TEST(CommandTable, AutoEnergyCalibrationOfTheMarkedTestSpectrum) {
  testing::TempDir dir;
  AnalysisState state;
  state.files.work_dir = dir.path().string();
  ScriptedUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Auto_Energy_Calibration");
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Too little peaks for auto-calibration"});

  ui.AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 0; })  // Eu152
      .AnswerDialog();                                                       // the preset search
  table.RunCaption("Test");
  table.RunCaption("Automatic Spectrum Marking");
  ui.AnswerDialog([](DialogContent& d) {
      d.choice_lists[0].selected = 1;
      d.grid.cells[1][0] = "1410";
    })
      .AnswerYes()
      .AnswerDialog();
  table.RunCaption("Auto_Energy_Calibration");
  // The largest discrepancy is 0.04 keV, but its square root times the count of items is above
  // 0.5: the question comes even for a good calibration.
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo).size(), 1u);
  EXPECT_TRUE(ui.AllAnswersUsed());
  ASSERT_TRUE(state.enc.enc_present);
  EXPECT_EQ(state.enc.enc_mode, 1);
  for (const double e : {121.7824, 344.2811, 778.925, 1408.029}) {
    EXPECT_NEAR(LinearEnergy(state.enc, e / 0.5), e, 0.5) << e;
  }
}

}  // namespace
}  // namespace pektra
