// The command "Input the Spectrum": file question, type and options dialog, reading, and what a
// cancelled or refused input leaves untouched.
#include "spectrum/spectrum_input.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::ScriptedUi;
using testing::TempDir;

// A state holding an earlier spectrum of 100 channels, type 2, with three result rows.
AnalysisState EarlierAnalysis(const std::string& folder) {
  AnalysisState state;
  TSpectrum& sp = state.spectrum;
  sp.file_name = folder + "old.spe";
  sp.file_type = kBinary32;
  sp.a1 = 1;
  sp.a2 = 100;
  sp.b1 = 10;
  sp.b2 = 90;
  for (int c = 1; c <= 100; ++c) sp.counts[c] = c;
  sp.UpdateRange();
  state.input.spectrum_dir = folder;
  state.results.result_count = 3;
  return state;
}

void ChooseFreeField(DialogContent& dialog) { dialog.choice_lists[0].selected = 2; }

TEST(InputTheSpectrumTest, CancelledFileQuestionOrDialogChangesNothing) {
  TempDir dir;
  const std::string file = dir.File("new.txt");
  testing::WriteFile(file, "1 2 3 4 5\n");
  AnalysisState state = EarlierAnalysis(dir.path().string() + "/");
  const TSpectrum before = state.spectrum;

  ScriptedUi ui;
  ui.CancelFile();
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(state.view.dialog_ok, 0);
  ASSERT_EQ(ui.file_questions().size(), 1u);
  EXPECT_EQ(ui.file_questions()[0].directory, state.input.spectrum_dir);
  EXPECT_EQ(ui.file_questions()[0].proposed_name, "old.spe");

  ui.AnswerFile(file).CancelDialog();
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(state.view.dialog_ok, 0);
  EXPECT_TRUE(state.spectrum == before);
  EXPECT_EQ(state.results.result_count, 3);
  // The dialog offered the present type and options, with the ini-bounds box ticked.
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].choice_lists[0].selected, 1);
  EXPECT_EQ(ui.dialogs()[0].check_list.checked, (std::vector<bool>{false, false, true, true}));
}

TEST(InputTheSpectrumTest, AStandardFormatFileIsOfferedAsSuchAndReadSo) {
  TempDir dir;
  const std::string file = dir.File("run.spe");
  testing::WriteFile(file, "$SPEC_ID:\nrun\n$DATA:\n0 4\n5\n7\n9\n7\n5\n");
  AnalysisState state = EarlierAnalysis(dir.path().string() + "/");
  ScriptedUi ui;
  ui.AnswerFile(file).AnswerDialog();
  InputTheSpectrum(SpectrumInputOf(state), ui);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].choice_lists[0].selected, 4);  // not the type in force (2)
  EXPECT_EQ(state.spectrum.file_type, 5);
  EXPECT_EQ(state.spectrum.counts[3], 9);

  // A text file named like one but holding plain counts keeps the type in force.
  const std::string plain = dir.File("plain.spe");
  testing::WriteFile(plain, "5 7 9 7 5\n");
  state.spectrum.file_type = 3;
  ui.AnswerFile(plain).CancelDialog();
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(ui.dialogs()[1].choice_lists[0].selected, 2);
}

TEST(InputTheSpectrumTest, MissingFileIsNamedAndEndsTheCommand) {
  TempDir dir;
  AnalysisState state = EarlierAnalysis(dir.path().string() + "/");
  state.spectrum.file_name = "noextension";
  const std::string missing = dir.File("gone.spe");
  ScriptedUi ui;
  ui.AnswerFile(missing);
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(ui.file_questions()[0].proposed_name, "*.*");
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{"No file " + missing}));
  EXPECT_EQ(state.view.dialog_ok, 0);
  EXPECT_TRUE(ui.dialogs().empty());
  EXPECT_EQ(state.spectrum.file_name, "noextension");
}

TEST(InputTheSpectrumTest, FreeFieldFileWithUnsetIniBoundsGivesTheInnerInterval) {
  TempDir dir;
  AnalysisState state = EarlierAnalysis("/elsewhere/");
  const std::string file = dir.File("run.txt");
  testing::WriteFile(file, "5 1 2 8 3 4 6 7 9 2\n");
  ScriptedUi ui;
  ui.AnswerFile(file).AnswerDialog(ChooseFreeField);
  InputTheSpectrum(SpectrumInputOf(state), ui);

  EXPECT_TRUE(ui.notes().empty());
  EXPECT_EQ(state.view.dialog_ok, 1);
  const TSpectrum& sp = state.spectrum;
  EXPECT_EQ(sp.file_name, file);
  EXPECT_EQ(sp.file_type, kFreeField);
  EXPECT_EQ(sp.a2, 10);
  EXPECT_EQ(sp.counts[4], 8);
  EXPECT_EQ(sp.max_counts, 9);
  EXPECT_EQ(sp.b1, 2);
  EXPECT_EQ(sp.b2, 9);
  EXPECT_EQ(state.view.interval_begin, 2);
  EXPECT_EQ(state.view.interval_end, 9);
  EXPECT_EQ(state.view.interval_length, 8);
  EXPECT_EQ(state.results.result_count, 0);
  EXPECT_EQ(state.view.status_text[0], " Spectrum read in. ");
  EXPECT_EQ(state.input.spectrum_dir, dir.path().string() + "/");
}

TEST(InputTheSpectrumTest, LargestCountBelowOneIsWarnedAboutAndAccepted) {
  TempDir dir;
  AnalysisState state = EarlierAnalysis(dir.path().string() + "/");
  const std::string file = dir.File("small.txt");
  testing::WriteFile(file, "0.1 0.5 0.25\n");
  ScriptedUi ui;
  ui.AnswerFile(file).AnswerDialog(ChooseFreeField);
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{"Poor data scale, max < 1"}));
  EXPECT_EQ(state.spectrum.max_counts, 1.0);
  EXPECT_EQ(state.view.dialog_ok, 1);
  EXPECT_EQ(state.view.status_text[0], " Spectrum read in. ");
}

TEST(InputTheSpectrumTest, KeepingUnsavedResultsKeepsEverything) {
  TempDir dir;
  AnalysisState state = EarlierAnalysis("/elsewhere/");
  state.results.results_unsaved = true;
  state.view.status_text = {"before", ""};
  const AnalysisState before = state;
  const std::string file = dir.File("run.txt");
  testing::WriteFile(file, "5 1 2 8 3\n");
  ScriptedUi ui;
  ui.AnswerFile(file)
      .AnswerDialog([](DialogContent& dialog) {
        ChooseFreeField(dialog);
        dialog.check_list.checked = {true, true, false, false};
      })
      .AnswerNo();
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo),
            (std::vector<std::string>{"Former results not saved. Proceed?"}));
  EXPECT_EQ(state.view.dialog_ok, 0);
  EXPECT_TRUE(state.spectrum == before.spectrum);
  EXPECT_TRUE(state.results == before.results);
  EXPECT_TRUE(state.input == before.input);
  EXPECT_EQ(state.view.status_text, before.view.status_text);
}

TEST(InputTheSpectrumTest, FailedReadingKeepsTheEarlierSpectrumSettingsAndResults) {
  TempDir dir;
  AnalysisState state = EarlierAnalysis("/elsewhere/");
  state.results.results_unsaved = true;
  state.view.interval_begin = 10;
  state.view.interval_end = 90;
  state.view.graph_mode = GraphMode::kSpectrum;
  const AnalysisState before = state;
  const std::string no_pairs = dir.File("one_column.xy");
  testing::WriteFile(no_pairs, "5\n6\n7\n");
  const std::string zeros = dir.File("zeros.txt");
  testing::WriteFile(zeros, "0 0 0 0 0\n");

  ScriptedUi ui;
  ui.AnswerFile(no_pairs)
      .AnswerDialog([](DialogContent& dialog) {
        dialog.choice_lists[0].selected = 3;  // X, Y lines
        dialog.check_list.checked = {true, true, false, false};
      })
      .AnswerYes();
  ui.AnswerFile(zeros).AnswerDialog(ChooseFreeField).AnswerYes();
  for (int attempt = 0; attempt < 2; ++attempt) {
    InputTheSpectrum(SpectrumInputOf(state), ui);
    EXPECT_EQ(state.view.dialog_ok, 0);
    EXPECT_EQ(state.view.status_text[0], "++++ Error, wrong reading");
    EXPECT_TRUE(state.spectrum == before.spectrum) << attempt;
    EXPECT_TRUE(state.input == before.input) << attempt;
    EXPECT_TRUE(state.results == before.results) << attempt;  // still there, still unsaved
    EXPECT_EQ(state.view.interval_begin, 10);
    EXPECT_EQ(state.view.interval_end, 90);
    EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  }
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Warning, no channel-counts spectrum"});
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

TEST(InputTheSpectrumTest, PresetAnswersReadAgainWithoutTheDialogAndAreCheckedAsAlways) {
  TempDir dir;
  AnalysisState state = EarlierAnalysis("/elsewhere/");
  state.results.result_count = 0;
  const std::string file = dir.File("pairs.xy");
  testing::WriteFile(file, "3 40\n4 50\n5 900\n6 60\n");
  ScriptedUi ui;
  ui.AnswerFile(file).AnswerDialog([](DialogContent& dialog) {
    dialog.choice_lists[0].selected = 3;                      // X, Y lines
    dialog.check_list.checked = {false, true, false, false};  // not from channel 1
  });
  InputTheSpectrum(SpectrumInputOf(state), ui);
  ASSERT_EQ(state.view.dialog_ok, 1);
  const InputAnswers read_with{kXY, false, true, false, false};
  ASSERT_TRUE(state.input.last_answers.has_value());
  EXPECT_EQ(*state.input.last_answers, read_with);
  const TSpectrum first = state.spectrum;
  EXPECT_EQ(first.counts[5], 900);

  // Read again with those answers: the file question only, the same spectrum.
  state.spectrum = EarlierAnalysis("/elsewhere/").spectrum;
  state.input.preset_answers = read_with;
  ui.AnswerFile(file);
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(state.view.dialog_ok, 1);
  EXPECT_EQ(ui.dialogs().size(), 1u);
  EXPECT_FALSE(state.input.preset_answers.has_value());  // taken once
  EXPECT_TRUE(state.spectrum == first);
  EXPECT_TRUE(ui.AllAnswersUsed());

  // The file replaced by one that type no longer reads: the message of a read from the menu
  // with that type, and nothing changes; the answers are not kept for the next input.
  testing::WriteFile(file, "5\n6\n7\n");
  ScriptedUi menu_ui;
  menu_ui.AnswerFile(file).AnswerDialog([](DialogContent& dialog) {
    dialog.choice_lists[0].selected = 3;
    dialog.check_list.checked = {false, true, false, false};
  });
  AnalysisState menu_state = state;
  InputTheSpectrum(SpectrumInputOf(menu_state), menu_ui);
  ASSERT_FALSE(menu_ui.notes().empty());

  const AnalysisState before = state;
  state.input.preset_answers = read_with;
  ScriptedUi again;
  again.AnswerFile(file);
  InputTheSpectrum(SpectrumInputOf(state), again);
  EXPECT_EQ(again.notes(), menu_ui.notes());
  EXPECT_EQ(state.view.status_text[0], "++++ Error, wrong reading");
  EXPECT_TRUE(state.spectrum == before.spectrum);
  EXPECT_TRUE(state.input == before.input);

  // A file that is gone is named as from the menu.
  state.input.preset_answers = read_with;
  again.AnswerFile(dir.File("gone.xy"));
  InputTheSpectrum(SpectrumInputOf(state), again);
  EXPECT_EQ(again.notes().back(), "No file " + dir.File("gone.xy"));
  EXPECT_FALSE(state.input.preset_answers.has_value());
}

}  // namespace
}  // namespace pektra
