// The help texts: the same lines in both languages, within the window's width, and a dialog that
// shows the text in the chosen language.
#include "core/help_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "marking/marking.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Characters, not bytes: every UTF-8 byte that does not continue a sequence starts a character.
std::size_t CodePoints(const std::string& line) {
  return static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Cyrillic letters are U+0400..U+04FF, encoded with the lead bytes 0xD0..0xD3.
bool HasCyrillic(const std::vector<std::string>& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return std::any_of(line.begin(), line.end(), [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return byte >= 0xD0 && byte <= 0xD3;
    });
  });
}

TEST(HelpLines, BothLanguagesHaveTheSameLinesFitTheWindowAndRussianIsRussian) {
  for (int t = static_cast<int>(HelpTopic::kGeneral);
       t <= static_cast<int>(HelpTopic::kTestSpectra); ++t) {
    SCOPED_TRACE("topic " + std::to_string(t));
    const std::vector<std::string> english = HelpLines(static_cast<HelpTopic>(t), false);
    const std::vector<std::string> russian = HelpLines(static_cast<HelpTopic>(t), true);
    ASSERT_FALSE(english.empty());
    ASSERT_EQ(russian.size(), english.size());
    for (const auto* lines : {&english, &russian}) {
      for (const std::string& line : *lines) EXPECT_LE(CodePoints(line), 69u) << line;
    }
    EXPECT_FALSE(HasCyrillic(english));
    EXPECT_TRUE(HasCyrillic(russian));
  }
}

TEST(FindThePeaksDialog, HelpShowsItsOwnTextInTheLanguageChosenWhenItOpens) {
  // Given Russian help
  AnalysisState state;
  state.display.rus_help = true;
  ScriptedUi ui;
  ui.CancelDialog();
  // When the peak search dialog is shown
  EXPECT_FALSE(SetSearchControls(MarkingOf(state), ui, /*with_algorithm=*/true));
  // Then its Help button holds the Russian marking text
  ASSERT_EQ(ui.dialogs().size(), 1u);
  const std::vector<std::string>& shown = ui.dialogs()[0].help_lines;
  EXPECT_EQ(shown, HelpLines(HelpTopic::kFindPeaks, true));
  EXPECT_TRUE(HasCyrillic(shown));

  // And with the setting cleared the English text
  state.display.rus_help = false;
  ScriptedUi english;
  english.CancelDialog();
  SetSearchControls(MarkingOf(state), english, /*with_algorithm=*/true);
  ASSERT_EQ(english.dialogs().size(), 1u);
  const DialogContent& dialog = english.dialogs()[0];
  EXPECT_EQ(dialog.help_lines, HelpLines(HelpTopic::kFindPeaks, false));
  EXPECT_FALSE(HasCyrillic(dialog.help_lines));
  // The text names every row and choice the dialog has.
  std::string text;
  for (const std::string& line : dialog.help_lines) text += line + " ";
  std::vector<std::string> names = dialog.grid.labels;
  for (const std::string& item : dialog.choice_lists[0].items) names.push_back(item);
  for (const std::string& item : dialog.check_list.items) names.push_back(item);
  ASSERT_GE(names.size(), 9u);
  for (std::string name : names) {
    name = name.substr(name.find_first_not_of(' '));
    name = name.substr(0, name.find_first_of("(0123456789"));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.find("Width at the end") == 0 || name.find("Old") == 0 || name.find("New") == 0) {
      continue;  // named together with the row or choice before it
    }
    EXPECT_NE(text.find(name), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace pektra
