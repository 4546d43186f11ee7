// The scripted user interface is what every command-flow test stands on: it must answer in
// order, record what was shown, and fail loudly when a command asks something unforeseen.
#include "support/scripted_ui.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace pektra::testing {
namespace {

TEST(ScriptedUi, AnswersInScriptOrderAndRecordsWhatWasShown) {
  ScriptedUi ui;
  ui.AnswerNo().AnswerFile("/data/a.spe").AnswerDialog([](DialogContent& dialog) {
    dialog.edit_line.text = "4";
    dialog.choice_lists[0].selected = 2;
  });

  ui.ShowStatus(" Spectrum read in. ", "");
  EXPECT_FALSE(ui.AskYesNo("Former results not saved. Proceed?", false));
  EXPECT_EQ(ui.AskOpenFile({"  Select the file", "/data", "*.*"}), "/data/a.spe");
  DialogContent dialog = OpenDialogForm("Spectrum compression");
  dialog.edit_line = {true, 30, 50, 260, "2"};
  ui.ShowDialog(dialog);
  ui.ShowNote("Wrong compression factor");

  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.edit_line.text, "4");
  EXPECT_EQ(dialog.choice_lists[0].selected, 2);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].edit_line.text, "2");  // recorded as the command prepared it
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Wrong compression factor"});
  ASSERT_EQ(ui.statuses().size(), 1u);
  EXPECT_EQ(ui.statuses()[0][0], " Spectrum read in. ");
  EXPECT_EQ(ui.file_questions()[0].directory, "/data");
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo),
            std::vector<std::string>{"Former results not saved. Proceed?"});
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(ScriptedUi, UnforeseenQuestionFailsTheTestAndIsAnsweredNo) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        EXPECT_FALSE(ui.AskYesNo("Results not saved. Quit?", false));
      },
      "Results not saved. Quit?");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        ui.AnswerYes();
        DialogContent dialog = OpenDialogForm("Smoothing");
        ui.ShowDialog(dialog);  // the script expected a question, not a dialog
        EXPECT_FALSE(dialog.ok);
        ui.AskYesNo("x", false);
      },
      "dialog \"Smoothing\"");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        ui.AnswerOk();
      },
      "never asked for");
}

}  // namespace
}  // namespace pektra::testing
