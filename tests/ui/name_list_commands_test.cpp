// The spectrum name list: building it from a list file or the open-file dialog, the 200-name limit,
// the display forms, and taking the next spectrum from it.
#include "ui/name_list_commands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "report/name_list.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"

namespace pektra {
namespace {

using testing::ScriptedUi;
using testing::TempDir;
using testing::WriteFile;

// The mode dialog answered with the list-file mode, then the file name typed.
void FromFile(ScriptedUi& ui, const std::string& file_name) {
  ui.AnswerDialog([](DialogContent& d) {
      d.choice_lists[0].selected = 1;
    }).AnswerDialog([file_name](DialogContent& d) { d.edit_line.text = file_name; });
}

TEST(NameList, AListFileWithBlanksAndEmptyLinesAndItsDisplayForms) {
  TempDir dir;
  const std::string list = dir.File("spfn.tab");
  WriteFile(list, "   /data/run1/a1.spe\r\n\n\t \nC:\\spectra\\b2.chn\n  plain\n\nD:c3.spe");
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  FromFile(ui, list);
  ui.AnswerDialog().AnswerDialog();  // the report, the list shown
  table.RunCaption("Input Spec.File Names");
  EXPECT_EQ(
      state.files.name_list,
      (std::vector<std::string>{"/data/run1/a1.spe", "C:\\spectra\\b2.chn", "plain", "D:c3.spe"}));
  EXPECT_EQ(state.files.name_count, 4);
  ASSERT_EQ(ui.dialogs().size(), 3u);
  EXPECT_EQ(ui.dialogs()[0].title, "Creation of Spectrum Name List");
  EXPECT_EQ(
      ui.dialogs()[0].choice_lists[0].items,
      (std::vector<std::string>{"Get the list from DialogBox", "Enter the list from a file"}));
  EXPECT_EQ(ui.dialogs()[1].edit_line.text, "spfn.tab");
  EXPECT_EQ(ui.dialogs()[1].labels[0].text, "The spectrum name file = ");
  EXPECT_EQ(ui.dialogs()[2].list_box.lines,
            (std::vector<std::string>{"  Spectrum Name List", "   has been created", "  4 items"}));

  table.RunCaption("Show Sp.File Names");
  ASSERT_EQ(ui.dialogs().size(), 4u);
  EXPECT_EQ(ui.dialogs()[3].title, "List of spectrum names for processing");
  EXPECT_EQ(ui.dialogs()[3].memo.text, "a1.spe\nb2.chn\nplain\nc3.spe\n");
  EXPECT_EQ(state.files.name_list_file, "spfn.tab");  // the typed name is not kept

  // A missing list file changes nothing.
  FromFile(ui, dir.File("none.tab"));
  table.RunCaption("Input Spec.File Names");
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"No file " + dir.File("none.tab")});
  EXPECT_EQ(state.files.name_count, 4);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(NameList, TwoHundredAndFiftyNamesKeepTheFirstTwoHundredWithANote) {
  TempDir dir;
  std::string text;
  for (int i = 1; i <= 250; ++i) text += "  s" + std::to_string(i) + ".spe\n";
  const std::string list = dir.File("many.tab");
  WriteFile(list, text);
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  FromFile(ui, list);
  ui.AnswerDialog();
  table.RunCaption("Input Spec.File Names");
  EXPECT_EQ(state.files.name_count, 200);
  ASSERT_EQ(state.files.name_list.size(), 200u);
  EXPECT_EQ(state.files.name_list.front(), "s1.spe");
  EXPECT_EQ(state.files.name_list.back(), "s200.spe");
  EXPECT_EQ(ui.notes(), std::vector<std::string>{
                            "250 names given, the list holds 200: the first 200 are kept"});

  // The open-file dialog: its names in its order, Cancel keeps the list.
  std::vector<std::string> chosen;
  for (int i = 0; i < 230; ++i) chosen.push_back("/d/f" + std::to_string(i));
  ui.AnswerDialog().AnswerFiles(chosen).AnswerDialog();
  table.RunCaption("Input Spec.File Names");
  EXPECT_EQ(state.files.name_count, 200);
  EXPECT_EQ(state.files.name_list[199], "/d/f199");
  EXPECT_EQ(ui.file_questions().back().title, "      Select the file group");
  ui.AnswerDialog().AnswerFiles({});
  table.RunCaption("Input Spec.File Names");
  EXPECT_EQ(state.files.name_count, 200);
  EXPECT_EQ(state.view.dialog_ok, 0);

  // The reader itself keeps every name: the batch tool has no limit.
  std::istringstream in(text);
  EXPECT_EQ(ReadNameListLines(in).size(), 250u);
}

TEST(NameList, NextSpectrumNameReadsUnderDefaultConditionsAndReports) {
  TempDir dir;
  std::string counts;
  for (int i = 0; i < 64; ++i) counts += std::to_string(10 + i % 7) + "\n";
  WriteFile(dir.File("b.txt"), counts);
  AnalysisState state;
  state.spectrum.file_type = kFreeField;
  state.spectrum.a1 = 1;
  state.spectrum.a2 = 64;
  ScriptedUi ui;
  CommandTable table(state, ui);
  table.RunCaption("Set the Next Spectrum Name");
  table.RunCaption("Show Sp.File Names");
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{"No items in the name list",
                                                  "No spectrum names in the list"}));

  state.files.name_list = {dir.File("a.txt"), dir.File("b.txt")};
  state.files.name_count = 2;
  ui.AnswerDialog([](DialogContent& d) {
      d.combo_box.selected = 1;
      d.check_list.checked[0] = true;
    }).AnswerDialog();
  table.RunCaption("Set the Next Spectrum Name");
  const DialogContent& d = ui.dialogs()[0];
  EXPECT_EQ(d.title, "Set the current spectrum name");
  EXPECT_EQ(d.combo_box.items, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(d.check_list.items[0], " Spectrum input under default conditions");
  EXPECT_FALSE(d.check_list.checked[0]);
  EXPECT_EQ(state.spectrum.file_name, dir.File("b.txt"));
  EXPECT_EQ(state.spectrum.counts[5], 14.0);
  ASSERT_EQ(ui.dialogs().size(), 2u);
  EXPECT_EQ(ui.dialogs()[1].list_box.lines,
            (std::vector<std::string>{
                "  " + dir.File("b.txt") + "-name set", " ", "After processing this spectrum",
                "and saving the results, its name", "will be deleted from the list"}));
  EXPECT_EQ(state.files.name_count, 2);  // removed only when the results are saved

  // A missing file: no report, and the spectrum in memory keeps its name.
  ui.AnswerDialog([](DialogContent& d) { d.check_list.checked[0] = true; });
  table.RunCaption("Set the Next Spectrum Name");
  EXPECT_EQ(ui.dialogs().size(), 3u);
  EXPECT_EQ(state.spectrum.file_name, dir.File("b.txt"));
  EXPECT_TRUE(ui.AllAnswersUsed());
}

}  // namespace
}  // namespace pektra
