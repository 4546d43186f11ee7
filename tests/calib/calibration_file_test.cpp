// Calibration files that cannot be right are refused with the line to look at, and items beyond
// the table are not dropped in silence.
#include "calib/calibration_file.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "calib/calibration_commands.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

CalibrationFileItems Read(const std::string& text, CalibrationKind kind) {
  std::istringstream in(text);
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  return ReadCalibrationItems(in, kind, items);
}

std::string Refusal(const std::string& text, CalibrationKind kind = CalibrationKind::kEnergy) {
  const CalibrationFileItems read = Read(text, kind);
  EXPECT_EQ(read.count, 0) << text;
  return read.outcome.ok ? "accepted" : read.outcome.message;
}

TEST(CalibrationFileReader, RefusesNumbersThatCannotBeReadWithTheirLine) {
  EXPECT_EQ(Refusal("100 661.7 0.1\n200 nan 0.1\n"), "line 2: \"nan\" is not a number");
  EXPECT_EQ(Refusal("* heading\n100 661.7\nINF\n"), "line 3: \"INF\" is not a number");
  EXPECT_EQ(Refusal("100 -inf 0.1\n"), "line 1: \"-inf\" is not a number");
  EXPECT_EQ(Refusal("100 1e999 0.1\n"), "line 1: \"1e999\" is out of range");
  EXPECT_EQ(Refusal("1O5 661.7 0.1\n"), "line 1: \"1O5\" is not a number");
  EXPECT_EQ(Refusal("100 661.7 0.1\n200 1332.5 \x01\x02\n"), "line 2: not a text file");

  std::mt19937 bytes(11);
  std::string noise;
  for (int i = 0; i < 4000; ++i) noise.push_back(static_cast<char>(bytes() & 0xff));
  EXPECT_NE(Refusal(noise), "accepted");

  // A heading line of words is text, not an item of zeros; what follows a completed item on its
  // line is not read.
  const CalibrationFileItems read =
      Read("Channel Energy Error\n100 661.7 0.1 keV\n200 1332.5 0.1\n", CalibrationKind::kEnergy);
  EXPECT_TRUE(read.outcome.ok) << read.outcome.message;
  EXPECT_EQ(read.count, 2);
}

TEST(CalibrationFileReader, RefusesEfficiencyCoefficientsNotAboveZero) {
  const std::string rule = "the efficiency coefficient must be greater than 0";
  const auto efficiency = CalibrationKind::kEfficiency;
  EXPECT_EQ(Refusal("121.8 0.012 0\n344.3 0 0\n", efficiency), "line 2: " + rule);
  EXPECT_EQ(Refusal("121.8 0.012 0\n344.3\n-0.004 0\n", efficiency), "line 3: " + rule);
  EXPECT_EQ(Refusal("121.8 0.012 0\n1408.0\n", efficiency), "line 2: " + rule);  // no coefficient
  EXPECT_EQ(Read("-5 5 0\n121.8 0.012 0\n", efficiency).count, 1);  // adds up to 0: dropped
  // An energy item may hold 0 in its second place.
  EXPECT_EQ(Read("1 0 0.1\n100 661.7 0.1\n", CalibrationKind::kEnergy).count, 2);
}

TEST(CalibrationFileReader, SaysHowManyItemsBeyondSixtyWereDropped) {
  std::string text;
  for (int i = 1; i <= 5000; ++i) text += std::to_string(i) + " " + std::to_string(2 * i) + " 1\n";
  const CalibrationFileItems read = Read(text, CalibrationKind::kEnergy);
  EXPECT_EQ(read.count, 60);
  EXPECT_EQ(read.in_file, 5000);
  EXPECT_EQ(DroppedItemsNote(read),
            "4940 calibration items dropped: only 60 are kept (items 1 to 59 and the last)");
  EXPECT_EQ(DroppedItemsNote(Read("1 2 3\n", CalibrationKind::kEnergy)), "");
}

TEST(CalibrationFiles, RefusedFileKeepsTheCalibrationAndNamesTheLine) {
  testing::TempDir dir;
  const std::string bad = dir.File("bad.efc");
  testing::WriteFile(bad, "* Energy Coefficient Error\n121.8 0.012 0\n344.3 -0.004 0\n");
  std::string many;
  for (int i = 1; i <= 61; ++i) many += std::to_string(10 * i) + " 0.01 0\n";
  const std::string long_file = dir.File("long.efc");
  testing::WriteFile(long_file, many);
  AnalysisState state;
  testing::SetEfficiencyItems(state, {{100, 0.02, 0}, {1000, 0.01, 0}});
  const EfficiencyCalibration before = state.efc;

  testing::ScriptedUi ui;
  ui.AnswerFile(bad).AnswerFile(long_file).AnswerDialog();
  LoadCalibrationFile(CalibrationOf(state), ui, CalibrationKind::kEfficiency);
  EXPECT_TRUE(state.efc == before);
  EXPECT_EQ(state.files.efc_file, "efc.dat");
  LoadCalibrationFile(CalibrationOf(state), ui, CalibrationKind::kEfficiency);
  EXPECT_EQ(state.efc.efc_count, 60);
  EXPECT_EQ(ui.notes(),
            (std::vector<std::string>{
                "Error in " + bad + ", line 3: the efficiency coefficient must be greater than 0",
                "1 calibration item dropped: only 60 are kept (items 1 to 59 and the last)"}));
}

}  // namespace
}  // namespace pektra
