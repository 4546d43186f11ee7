// The help texts: their sizes in both languages, the lines they must carry word for word, and a
// dialog that shows the text in the chosen language.
#include "core/help_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
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

int EmptyLines(const std::vector<std::string>& lines) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), std::string()));
}

const std::vector<std::pair<HelpTopic, std::size_t>> kLineCounts = {
    {HelpTopic::kGeneral, 42},
    {HelpTopic::kGettingStarted, 18},
    {HelpTopic::kSpectrumInput, 16},
    {HelpTopic::kBlunders, 4},
    {HelpTopic::kSaving, 3},
    {HelpTopic::kStandardModels, 2},
    {HelpTopic::kSpectrumData, 27},
    {HelpTopic::kMarkingData, 11},
    {HelpTopic::kFitData, 11},
    {HelpTopic::kScales, 4},
    {HelpTopic::kEnergyCalibration, 10},
    {HelpTopic::kEfficiencyCalibration, 8},
    {HelpTopic::kCriterion, 6},
    {HelpTopic::kMarkingDataFormat, 9},
    {HelpTopic::kAutoCalibration, 4},
    {HelpTopic::kEnergyList, 11},
};

TEST(HelpLines, EveryTextHasItsLengthInBothLanguagesFitsTheWindowAndIsRussianInRussian) {
  for (const auto& [topic, count] : kLineCounts) {
    SCOPED_TRACE("topic " + std::to_string(static_cast<int>(topic)));
    const std::vector<std::string> english = HelpLines(topic, false);
    const std::vector<std::string> russian = HelpLines(topic, true);
    ASSERT_EQ(english.size(), count);
    ASSERT_EQ(russian.size(), count);
    for (const auto* lines : {&english, &russian}) {
      for (const std::string& line : *lines) EXPECT_LE(CodePoints(line), 69u) << line;
    }
    EXPECT_FALSE(HasCyrillic(english));
    EXPECT_TRUE(HasCyrillic(russian));
  }
  // The energy list reads shorter in Russian: two of its lines stay empty.
  const std::vector<std::string> list = HelpLines(HelpTopic::kEnergyList, true);
  EXPECT_EQ(EmptyLines(list), 2);
  EXPECT_EQ(std::count_if(list.begin(), list.end(),
                          [](const std::string& line) { return !line.empty(); }),
            9);
  // The general text keeps its empty lines after the second and the twelfth line.
  for (const bool rus : {false, true}) {
    const std::vector<std::string> general = HelpLines(HelpTopic::kGeneral, rus);
    EXPECT_EQ(general[2], "");
    EXPECT_EQ(general[12], "");
    EXPECT_FALSE(general[1].empty());
    EXPECT_FALSE(general[11].empty());
    EXPECT_FALSE(general[13].empty());
  }
}

TEST(HelpLines, TheEnglishTextsCarryTheirKeyLinesWordForWord) {
  // Whole lines, exactly as the program has always shown them.
  const std::vector<std::pair<HelpTopic, std::string>> lines = {
      {HelpTopic::kGeneral, "   The purpose of PEKTRA is the processing of gamma- or X-ray"},
      {HelpTopic::kGeneral, " -ch1_1  p1_1  p2_1 ... -ch2_1"},
      {HelpTopic::kGettingStarted, "               Getting started."},
      {HelpTopic::kGettingStarted, "      Click on FILE, INPUT_THE_SPECTRUM"},
      {HelpTopic::kGettingStarted, "      Click on MARK,  MAKE_THE_INTERVAL"},
      {HelpTopic::kGettingStarted, "      Click on OPERATION, INTERVAL_FIT."},
      {HelpTopic::kSpectrumInput, "Spectrum File Type are: (length < 16385)"},
      {HelpTopic::kSpectrumInput, " 1=   binary file, 2 bytes per word"},
      {HelpTopic::kSpectrumInput,
       " 4=   ASCII X,Y file, each line is:      X,  spectrum value, [error]"},
      {HelpTopic::kBlunders, "If small neighbor of each spectrum point is flat"},
      {HelpTopic::kBlunders, "the point is considered as blunder and replaced by fitting value."},
      {HelpTopic::kSaving, "Command saves the results of the analysis and resets all the counters"},
      {HelpTopic::kStandardModels, "One can set up some standard peak models as:"},
      {HelpTopic::kStandardModels, "Gaussian, the IAEA peak model, and peak model for detector 4."},
      {HelpTopic::kSpectrumData, "a1 = Spectrum beginnig channel"},
      {HelpTopic::kSpectrumData, "          .9*sp(i) + .1*(covar*sp(i))**2 + 1"},
      {HelpTopic::kSpectrumData, "w = a * ch + b   +- delta_width, where w = fwhm, ch = channel"},
      {HelpTopic::kMarkingData,
       "Marking is peak search and spectrum division into intervals with 1"},
      {HelpTopic::kMarkingData,
       "Max.interval = maximum length of the marked interval. default=128"},
      {HelpTopic::kMarkingData, "Resolution   = if -1 normal multiplets resolved"},
      {HelpTopic::kFitData, "Step              = in iterations;  0 < step <= 1"},
      {HelpTopic::kFitData, "Damper            = if LSM-matrix is good, damper about 0.0001"},
      {HelpTopic::kScales, "Scales are used only for graphs, the spectrum itself remains"},
      {HelpTopic::kEnergyCalibration, "Energy calibration is converting channels to energies:"},
      {HelpTopic::kEnergyCalibration, "  non-linear mode, using spline interpolation;"},
      {HelpTopic::kEnergyCalibration, "  linear mode by linear fitting."},
      {HelpTopic::kEnergyCalibration, "           ch   E   err"},
      {HelpTopic::kEnergyCalibration, "The calibration data is automatically arranged."},
      {HelpTopic::kEfficiencyCalibration,
       "Efficiency calibration is converting peak areas to intensities"},
      {HelpTopic::kEfficiencyCalibration, "dividing them by registration efficiency coefficient."},
      {HelpTopic::kEfficiencyCalibration, "           E    k  err"},
      {HelpTopic::kEfficiencyCalibration, "The input data is automatically arranged."},
      {HelpTopic::kCriterion, "Crit = criterion for the significance of the peak:"},
      {HelpTopic::kCriterion, "      C = (A - B)/SQRT(A + B + 1),  where"},
      {HelpTopic::kCriterion, "If C > 3, the peak is statistically significant."},
      {HelpTopic::kMarkingDataFormat, "Ready-to-use marking data has the following format:"},
      {HelpTopic::kMarkingDataFormat, " -ch1_1  p1_1  p2_1 ... -ch2_1"},
  };
  for (const auto& [topic, line] : lines) {
    const std::vector<std::string> text = HelpLines(topic, false);
    EXPECT_NE(std::find(text.begin(), text.end(), line), text.end()) << line;
  }
  const std::vector<std::string> started = HelpLines(HelpTopic::kGettingStarted, false);
  EXPECT_EQ(std::vector<std::string>(started.end() - 2, started.end()),
            (std::vector<std::string>{"All menu commands are self-explaining, contain hints",
                                      "and need no further comments."}));
  EXPECT_EQ(HelpLines(HelpTopic::kGeneral, false).front(),
            "   The purpose of PEKTRA is the processing of gamma- or X-ray");
  EXPECT_EQ(HelpLines(HelpTopic::kScales, false)[1].rfind("unaffected", 0), 0u);

  // Parts of lines: menu names and the init file's command prefix.
  const std::vector<std::pair<HelpTopic, std::string>> parts = {
      {HelpTopic::kGeneral, "DATA, Input_sp_file_names"},
      {HelpTopic::kGeneral, "\".......\""},
      {HelpTopic::kGeneral, ".......Input the Spectrum"},
  };
  for (const auto& [topic, part] : parts) {
    const std::vector<std::string> text = HelpLines(topic, false);
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [&](const std::string& line) {
      return line.find(part) != std::string::npos;
    })) << part;
  }
}

TEST(FindThePeaksDialog, HelpShowsTheMarkingTextInTheLanguageChosenWhenItOpens) {
  // Given Russian help
  AnalysisState state;
  state.display.rus_help = true;
  ScriptedUi ui;
  ui.CancelDialog();
  // When the peak search dialog is shown
  EXPECT_FALSE(SetSearchControls(MarkingOf(state), ui, /*with_algorithm=*/true));
  // Then its Help button holds the Russian marking text, eleven lines
  ASSERT_EQ(ui.dialogs().size(), 1u);
  const std::vector<std::string>& shown = ui.dialogs()[0].help_lines;
  EXPECT_EQ(shown, HelpLines(HelpTopic::kMarkingData, true));
  EXPECT_EQ(shown.size(), 11u);
  EXPECT_TRUE(HasCyrillic(shown));

  // And with the setting cleared the English text, from its first line
  state.display.rus_help = false;
  ScriptedUi english;
  english.CancelDialog();
  SetSearchControls(MarkingOf(state), english, /*with_algorithm=*/true);
  ASSERT_EQ(english.dialogs().size(), 1u);
  EXPECT_EQ(english.dialogs()[0].help_lines.front(),
            "Marking is peak search and spectrum division into intervals with 1");
  EXPECT_FALSE(HasCyrillic(english.dialogs()[0].help_lines));
}

}  // namespace
}  // namespace pektra
