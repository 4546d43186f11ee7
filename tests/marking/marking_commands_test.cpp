// The marking commands: marking data read, edited and saved, the energy list, and marking by
// energies or lines.
#include "marking/marking_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "marking/marking.h"
#include "marking/marking_data.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::IntervalList;
using testing::MarkingArray;
using testing::PeakList;
using testing::ReadFile;
using testing::ScriptedUi;
using testing::SetMarkingArray;
using testing::TempDir;
using testing::WriteFile;

std::vector<double> List(const AnalysisState& state) {
  return testing::Leading(state.marking.mark_list, state.marking.mark_list_count);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The example marking: 100..140 with the peaks 110 and 120, 150..170 with the peak 160.
AnalysisState MarkedState() {
  AnalysisState state;
  ScriptedUi ui;
  SetMarkingArray(state, {-100, 110, 120, -140, -150, 160, -170});
  EXPECT_TRUE(ConvertMarkingData(MarkingOf(state), ui));
  return state;
}

void SetCounts(AnalysisState& state, const std::vector<SyntheticPeak>& peaks) {
  SyntheticSpec recipe;
  recipe.peaks = peaks;
  recipe.background.constant = 50.0;
  recipe.poisson = false;
  const std::vector<double> counts = ExpectedCounts(recipe);
  for (int c = 1; c <= recipe.channels; ++c) state.spectrum.counts[c] = counts[c - 1];
  state.spectrum.a2 = recipe.channels;
}

TEST(EditMarkingData, ShowsBoundsTogetherAndGivesTheSameMarkingBackWhenSavedUnchanged) {
  AnalysisState state = MarkedState();
  const AnalysisState before = state;
  ScriptedUi ui;
  ui.AnswerDialog();
  EditMarkingData(MarkingOf(state), ui);

  const DialogContent& editor = ui.dialogs().at(0);
  EXPECT_EQ(Lines(editor.memo.text),
            (std::vector<std::string>{"      -100     -140", "   110.0", "   120.0",
                                      "      -150     -170", "   160.0"}));
  EXPECT_TRUE(state.marking == before.marking);
  EXPECT_EQ(state.view.status_text[0], "7 items edited.");
}

TEST(EditMarkingData, BrokenEditKeepsTheMarkingAndItsData) {
  AnalysisState state = MarkedState();
  const AnalysisState before = state;
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& d) { d.memo.text = "-100 -140\n 110\n -150\n"; });
  EditMarkingData(MarkingOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, the marking data is not correct"});
  EXPECT_TRUE(state.marking == before.marking);
}

TEST(ReadMarkingData, MissingFileOrTooManyNumbersKeepThePreviousMarking) {
  TempDir dir;
  const std::string missing = dir.File("absent.dat");
  const std::string big = dir.File("big.dat");
  std::string text = "-1\n";
  for (int i = 2; i <= 200; ++i) text += " 5";
  WriteFile(big, text + "\n-300\n");  // 201 numbers

  for (const std::string& file : {missing, big}) {
    AnalysisState state = MarkedState();
    const AnalysisState before = state;
    ScriptedUi ui;
    ui.AnswerFile(file);
    ReadMarkingData(MarkingOf(state), ui);
    EXPECT_EQ(ui.notes(),
              std::vector<std::string>{file == missing ? "No file " + missing
                                                       : "Error, too many marking points"});
    EXPECT_TRUE(state.marking == before.marking);
    EXPECT_TRUE(ui.AllAnswersUsed());
  }
}

TEST(ReadMarkingData, ReadsAFileIntoTheMarking) {
  TempDir dir;
  const std::string file = dir.File("m.dat");
  WriteFile(file, "* two intervals\r\n  -200 210\t220 -240\n-250,260 -270\n");
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerFile(file);
  ReadMarkingData(MarkingOf(state), ui);
  EXPECT_EQ(PeakList(state), (std::vector<double>{210, 220, 260}));
  EXPECT_EQ(IntervalList(state), (std::vector<IntervalRecord>{{200, 240, 1, 2}, {250, 270, 3, 3}}));
  EXPECT_EQ(state.marking.mark_mode, MarkMode::kMarkingData);
  EXPECT_EQ(state.view.status_text[0], "7 items input.");
}

TEST(SaveMarkingInfo, WritesTheNineLinesAndAsksBeforeOverwriting) {
  TempDir dir;
  const std::string file = dir.File("info.res");
  AnalysisState state;
  state.spectrum.b1 = 2;
  state.spectrum.b2 = 4095;
  state.spectrum.w1 = 4.0;
  state.spectrum.w2 = 6.0;
  state.spectrum.delta_w = 3.5;
  state.spectrum.dback = -3;
  state.marking.sens = 1.25;
  state.marking.resol = -1.0;
  ScriptedUi ui;
  ui.AnswerFile(file);
  SaveMarkingInfo(MarkingOf(state), ui);
  EXPECT_EQ(ui.file_questions().at(0).proposed_name, "mark.res");
  const std::string expected =
      "*                    Marking information\n"
      "\n"
      "* Spectrum interval =       2   4095\n"
      "* W0, W1, dW        =      4.00     6.00     3.50\n"
      "* Background degree =        -3\n"
      "* Maximum interval  =       128\n"
      "* Sensitivity       =      1.25000\n"
      "* Resolution        =     -1.00\n"
      "* kWidth, adInterv  =       2.0      3.0\n";
  EXPECT_EQ(ReadFile(file), expected);

  state.marking.max_interval = 256;
  ScriptedUi again;
  again.AnswerFile(file).AnswerNo();
  SaveMarkingInfo(MarkingOf(state), again);
  EXPECT_EQ(ReadFile(file), expected);
}

TEST(EnterMarkingList, ACommaSeparatesTypedEnergiesButABlankDoesNot) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog()
      .AnswerDialog([](DialogContent& d) { d.memo.text = "661.7,1173.2\n\n 1332.5 \n"; })
      .AnswerDialog();
  EnterMarkingList(MarkingOf(state), ui);
  EXPECT_EQ(List(state), (std::vector<double>{661.7, 1173.2, 1332.5}));
  EXPECT_EQ(state.marking.mark_mode, MarkMode::kEnergies);
  EXPECT_EQ(ui.dialogs().at(2).list_box.lines.at(0), " Peak energies read in,  3 items");

  const std::vector<double> blank = ReadTypedEnergies("661.7 1173.2");
  ASSERT_EQ(blank.size(), 1u);
  EXPECT_NE(blank[0], 661.7);

  // The list is shown for editing as it stands.
  ScriptedUi edit;
  edit.AnswerDialog().CancelDialog();
  EnterMarkingList(MarkingOf(state), edit);
  EXPECT_EQ(edit.dialogs().at(1).memo.text, "    661.7000\n   1173.2000\n   1332.5000\n");
  EXPECT_EQ(List(state).size(), 3u);
}

TEST(ListToChannels, WithoutCalibrationWarnsOnceAndTakesEnergiesAsChannels) {
  AnalysisState state;
  state.marking.mark_mode = MarkMode::kEnergies;
  state.marking.mark_list_count = testing::Fill(state.marking.mark_list, {1173.2, -5, 661.7, 0});
  ScriptedUi ui;
  const std::vector<double> saved = ListToChannels(MarkingOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{
                            "Warning, no previous calibration; energies treated as channels"});
  EXPECT_EQ(List(state), (std::vector<double>{661.7, 1173.2}));
  EXPECT_EQ(saved, (std::vector<double>{1173.2, -5, 661.7, 0}));
}

TEST(MarkSpectrumByLines, KeepsTheFoundPeaksNearAListedLineAndDropsTheOthers) {
  AnalysisState state;
  SetCounts(state, {{500, 4000, 4}, {509, 4000, 4}, {900, 4000, 4}, {1500, 4000, 4}});
  state.spectrum.b1 = 300;
  state.spectrum.b2 = 2000;
  state.marking.mark_mode = MarkMode::kLines;
  state.marking.mark_list_count = 1;
  state.marking.mark_list[1] = 504.5;
  state.marking.resol = 1.0;
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& d) {
    const char* values[] = {"4", "4", "1", "1", "1", "128"};
    for (int r = 0; r < 6; ++r) d.grid.cells[static_cast<std::size_t>(r)][0] = values[r];
    d.choice_lists[0].selected = 0;  // new algorithm
  });
  MarkSpectrum(MarkingOf(state), ui);
  EXPECT_TRUE(ui.notes().empty());
  ASSERT_EQ(state.marking.interval_count, 1);
  const std::vector<double> peaks = PeakList(state);
  auto near = [&](double c) {
    for (double p : peaks) {
      if (std::fabs(p - c) <= 1.0) return true;
    }
    return false;
  };
  EXPECT_TRUE(near(500)) << ::testing::PrintToString(peaks);
  EXPECT_TRUE(near(509)) << ::testing::PrintToString(peaks);
  EXPECT_FALSE(near(900));
  EXPECT_FALSE(near(1500));
}

TEST(MarkSpectrumByEnergies, RepeatedMarkingKeepsTheEnergiesAndMarksTheSameRegion) {
  AnalysisState state;
  SetCounts(state, {{1320, 5000, 4}, {2640, 5000, 4}});
  state.spectrum.b1 = 100;
  state.spectrum.b2 = 3000;
  testing::SetEnergyItems(state, {{200, 100, 0.01}, {2000, 1000, 0.01}}, 1);  // E = ch / 2
  state.marking.mark_mode = MarkMode::kEnergies;
  state.marking.mark_list_count = testing::Fill(state.marking.mark_list, {660.0});
  for (const char* algorithm : {"new", "old"}) {
    for (int run = 1; run <= 2; ++run) {
      ScriptedUi ui;
      ui.AnswerDialog(
          [&](DialogContent& d) { d.choice_lists[0].selected = algorithm[0] == 'n' ? 0 : 1; });
      MarkSpectrum(MarkingOf(state), ui);
      EXPECT_EQ(List(state), std::vector<double>{660.0}) << algorithm << " " << run;
      ASSERT_EQ(state.marking.peak_count, 1) << algorithm << " " << run;
      EXPECT_NEAR(state.marking.peak_list[1], 1320, 1) << algorithm << " " << run;
    }
  }
}

TEST(ReportNotFound, RestrictsTheOldMarkingToTheListAndReportsTheRest) {
  AnalysisState state;
  SetCounts(state, {{700, 5000, 4}});
  SetMarkingArray(state, {-100, 110, 120, -140, -150, 160, -170, -300, 310, -320, -400, 410, -420});
  state.view.interval_begin = 1;
  state.view.interval_end = 1000;
  state.marking.mark_mode = MarkMode::kLines;
  const std::vector<double> listed{165, 112, 700, 160, 311, 2000};
  state.marking.mark_list_count = testing::Fill(state.marking.mark_list, listed);
  state.results.result_count = 4;
  ScriptedUi ui;
  ui.AnswerDialog();
  ReportNotFound(MarkingOf(state), ui);

  // 100..140: one listed line against two found peaks keeps the found ones; 150..170 and
  // 300..320: the listed lines replace the found peaks; 400..420 holds no line and goes.
  EXPECT_EQ(MarkingArray(state),
            (std::vector<double>{-100, 110, 120, -140, -150, 160, 165, -170, -300, 311, -320}));
  EXPECT_EQ(state.marking.peak_count, 5);
  const DialogContent& report = ui.dialogs().at(0);
  ASSERT_EQ(report.list_box.lines.size(), 2u);  // 2000 lies beyond the interval under analysis
  EXPECT_EQ(report.list_box.lines[0], "Peak 700.00 not found   Energy=700.00");
  EXPECT_EQ(report.list_box.lines[1].rfind("     Area estimate= ", 0), 0u);
  EXPECT_EQ(state.results.result_count, 5);
  EXPECT_DOUBLE_EQ(state.results.result_rows[5][0], 700.0);
  EXPECT_GT(state.results.result_rows[5][2], 4000.0);
  EXPECT_EQ(List(state), listed);
  EXPECT_TRUE(ConvertMarkingData(MarkingOf(state), ui));
}

}  // namespace
}  // namespace pektra
