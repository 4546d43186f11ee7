// Every reported energy and intensity goes through ConvertPeak, and every calibration file through
// the item reader: a slip here puts wrong numbers into every result table.
#include "calib/calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "calib/calibration_commands.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

using testing::ScriptedUi;
using testing::SetEfficiencyItems;
using testing::SetEnergyItems;

std::vector<CalibrationItem> ReadItems(const std::string& text) {
  std::istringstream in(text);
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const CalibrationFileItems read = ReadCalibrationItems(in, CalibrationKind::kEnergy, items);
  EXPECT_TRUE(read.outcome.ok) << read.outcome.message;
  return testing::Leading(items, read.count);
}

TEST(EnergyCalibration, LinearLineThroughTwoItemsMapsChannelsToEnergiesAndBack) {
  AnalysisState state;
  SetEnergyItems(state, {{100, 100, 1}, {200, 200, 3}}, 1);

  EXPECT_EQ(state.enc.enc_first_channel, 100.0);
  EXPECT_EQ(state.enc.enc_last_channel, 200.0);
  const ConvertedPeak peak = ConvertPeak(CalibrationsOf(state), 150, 0, 0, 0);
  EXPECT_NEAR(peak.energy, 150.0, 1e-9);
  // No channel error: only the items' own error, interpolated halfway between 1 and 3.
  EXPECT_NEAR(peak.energy_error, 2.0, 1e-12);
  EXPECT_NEAR(EnergyToChannel(CalibrationsOf(state), 175), 175.0, 1e-9);
}

TEST(EnergyCalibration, NonLinearErrorCombinesItemErrorAndCarriedChannelError) {
  AnalysisState state;
  // 5 keV per channel; item errors 0.4 and 2.0, so 1.2 at channel 150.
  SetEnergyItems(state, {{100, 1000, 0.4}, {200, 1500, 2.0}}, 0);
  // A channel error of 0.32 carries through as 1.6 keV: sqrt(1.2^2 + 1.6^2) = 2.
  const ConvertedPeak peak = ConvertPeak(CalibrationsOf(state), 150, 0.32, 500, 20);
  EXPECT_NEAR(peak.energy, 1250.0, 1e-9);
  EXPECT_NEAR(peak.energy_error, 2.0, 1e-9);
  EXPECT_EQ(peak.intensity, 500.0);
  EXPECT_EQ(peak.intensity_error, 20.0);
}

TEST(EnergyCalibration, EnergyToChannelInvertsTheInterpolatedCalibration) {
  AnalysisState state;
  SetEnergyItems(state,
                 {{50, 121.78, 0.1},
                  {300, 344.28, 0.1},
                  {700, 778.9, 0.1},
                  {1000, 1112.1, 0.1},
                  {1300, 1408.0, 0.1}},
                 0);
  for (const double channel : {60.0, 299.0, 512.5, 999.0, 1200.0}) {
    const double energy = ConvertPeak(CalibrationsOf(state), channel, 0, 0, 0).energy;
    EXPECT_NEAR(EnergyToChannel(CalibrationsOf(state), energy), channel, 1e-6) << channel;
  }
}

TEST(EnergyCalibration, FitEnergyLineIsTheWeightedLeastSquaresLine) {
  AnalysisState state;
  // Mean error 5/6: item 2 is weighted (6/5)^2 = 1.44, the others 1. The channels are symmetric,
  // so the line has slope 1 per channel through the weighted mean 702.4 / 3.44 at channel 200.
  SetEnergyItems(state, {{100, 100, 1.0}, {200, 210, 0.5}, {300, 300, 1.0}}, 1);
  const double mean = (100 + 1.44 * 210 + 300) / 3.44;
  for (const double channel : {100.0, 200.0, 250.0}) {
    EXPECT_NEAR(LinearEnergy(state.enc, channel), mean + (channel - 200), 1e-9) << channel;
  }
}

TEST(EfficiencyCalibration, CoefficientIsTakenAtThePeakEnergyAndDividesTheArea) {
  AnalysisState state;
  SetEnergyItems(state, {{100, 1000, 0}, {200, 2000, 0}}, 0);
  SetEfficiencyItems(state, {{1000, 0.1, 0.01}, {2000, 0.3, 0.01}});
  // Channel 150 is 1500 keV, where k = 0.2 (at the channel itself it would be negative).
  const ConvertedPeak peak = ConvertPeak(CalibrationsOf(state), 150, 0, 1000, 30);
  EXPECT_NEAR(peak.intensity, 5000.0, 1e-9);
  EXPECT_NEAR(peak.intensity_error, 150.0, 1e-9);
}

TEST(EfficiencyCalibration, WithoutEnergyCalibrationTheChannelIsTheEnergy) {
  AnalysisState state;
  SetEfficiencyItems(state, {{100, 0.5, 0}, {300, 0.25, 0}});
  const ConvertedPeak peak = ConvertPeak(CalibrationsOf(state), 100, 0.5, 1000, 30);
  EXPECT_EQ(peak.energy, 100.0);
  EXPECT_EQ(peak.energy_error, 0.5);
  EXPECT_NEAR(peak.intensity, 2000.0, 1e-9);
  EXPECT_NEAR(peak.intensity_error, 60.0, 1e-9);
}

TEST(EfficiencyCalibration, ZeroCoefficientLeavesTheAreaAndOneItemIsConstant) {
  AnalysisState state;
  SetEfficiencyItems(state, {{100, 0, 0.1}, {300, 0, 0.1}});
  ConvertedPeak peak = ConvertPeak(CalibrationsOf(state), 200, 0, 1000, 30);
  EXPECT_EQ(peak.intensity, 1000.0);
  EXPECT_EQ(peak.intensity_error, 30.0);

  SetEfficiencyItems(state, {{661.7, 0.25, 0.01}});
  for (const double channel : {10.0, 661.7, 3000.0}) {
    peak = ConvertPeak(CalibrationsOf(state), channel, 0, 1000, 30);
    EXPECT_EQ(peak.intensity, 4000.0);
    EXPECT_EQ(peak.intensity_error, 120.0);
  }
}

TEST(Calibration, SwitchedOffOrUnusableCalibrationsPassValuesThrough) {
  AnalysisState state;
  SetEnergyItems(state, {{100, 1000, 1}, {200, 2000, 1}}, 0);
  SetEfficiencyItems(state, {{100, 0.5, 0}, {300, 0.25, 0}});
  state.enc.enc_present = false;
  state.efc.efc_present = false;
  const ConvertedPeak off = ConvertPeak(CalibrationsOf(state), 150.25, 0.5, 1234, 56);
  EXPECT_EQ(off.energy, 150.25);
  EXPECT_EQ(off.energy_error, 0.5);
  EXPECT_EQ(off.intensity, 1234.0);
  EXPECT_EQ(off.intensity_error, 56.0);

  // Switched on but not evaluable: one item, or a linear line between equal channels.
  SetEnergyItems(state, {{100, 1000, 1}}, 0);
  EXPECT_EQ(ConvertPeak(CalibrationsOf(state), 150.25, 0.5, 0, 0).energy, 150.25);
  SetEnergyItems(state, {{100, 1000, 1}, {100, 2000, 1}}, 1);
  const ConvertedPeak flat = ConvertPeak(CalibrationsOf(state), 150.25, 0.5, 0, 0);
  EXPECT_EQ(flat.energy, 150.25);
  EXPECT_EQ(flat.energy_error, 0.5);
  EXPECT_EQ(EnergyToChannel(CalibrationsOf(state), 175), 175.0);
}

TEST(CalibrationItems, SortKeepsEqualChannelsInTheirOrder) {
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  items[1] = {300, 1, 0};
  items[2] = {100, 2, 0};
  items[3] = {300, 3, 0};
  items[4] = {100, 4, 0};
  items[5] = {-1, 9, 9};  // beyond n: stays where it is
  SortCalibrationItems(items, 4);
  EXPECT_EQ(items[1], (CalibrationItem{100, 2, 0}));
  EXPECT_EQ(items[2], (CalibrationItem{100, 4, 0}));
  EXPECT_EQ(items[3], (CalibrationItem{300, 1, 0}));
  EXPECT_EQ(items[4], (CalibrationItem{300, 3, 0}));
  EXPECT_EQ(items[5], (CalibrationItem{-1, 9, 9}));
}

TEST(CalibrationItems, WrongCountShowsTheMessageAndSwitchesTheEnergyCalibrationOff) {
  AnalysisState state;
  ScriptedUi ui;
  state.enc.enc_present = true;
  EXPECT_FALSE(CheckItemCount(state.enc, ui, 2));
  EXPECT_FALSE(CheckItemCount(state.enc, ui, 60));
  EXPECT_TRUE(state.enc.enc_present);
  EXPECT_TRUE(CheckItemCount(state.enc, ui, 61));
  EXPECT_FALSE(state.enc.enc_present);
  state.enc.enc_present = true;
  EXPECT_TRUE(CheckItemCount(state.enc, ui, 1));
  EXPECT_FALSE(state.enc.enc_present);
  EXPECT_EQ(ui.notes(), (std::vector<std::string>{"Error, number of peaks > 60",
                                                  "Error, number of peaks < 2"}));
}

TEST(CalibrationFileReader, SixNumbersOnALineMakeOneItemAndTwoLinesMakeTwo) {
  EXPECT_EQ(ReadItems("100 661.7 0.1 200 1332.5 0.1\n"),
            (std::vector<CalibrationItem>{{100, 661.7, 0.1}}));
  EXPECT_EQ(ReadItems("100 661.7 0.1\n200 1332.5 0.1\n"),
            (std::vector<CalibrationItem>{{100, 661.7, 0.1}, {200, 1332.5, 0.1}}));
}

TEST(CalibrationFileReader, MissingErrorIsTakenFromTheNextLine) {
  EXPECT_EQ(ReadItems("100 661.7\n200 1332.5 0.3\n"),
            (std::vector<CalibrationItem>{{100, 661.7, 200}}));
}

TEST(CalibrationFileReader, CommentsBlankLinesSlashAndZeroItems) {
  const std::string text =
      "* heading\r\n"
      "\r\n"
      "100, 661.7\t0.1 * a trailing comment\r\n"
      "-5 5 0\r\n"  // adds up to 0: dropped
      "300 1000\r\n"
      "/ 400 1500 0.1\r\n"
      "500 2000 0.1\r\n";
  // The last item before "/" lacks its error: it is 0.
  EXPECT_EQ(ReadItems(text), (std::vector<CalibrationItem>{{100, 661.7, 0.1}, {300, 1000, 0}}));
}

TEST(CalibrationFileReader, KeepsSixtyItemsAndTheLastReplacesTheSixtieth) {
  std::string text;
  for (int i = 1; i <= 62; ++i) text += std::to_string(10 * i) + " " + std::to_string(i) + " 1\n";
  text += "0 0 0\n";  // a dropped item displaces nothing
  const std::vector<CalibrationItem> items = ReadItems(text);
  ASSERT_EQ(items.size(), 60u);
  EXPECT_EQ(items[58], (CalibrationItem{590, 59, 1}));
  EXPECT_EQ(items[59], (CalibrationItem{620, 62, 1}));
}

TEST(TypedCalibrationItems, MissingErrorIsZeroAndTextLinesVanish) {
  const TypedItems typed =
      ReadTypedItems("* Channel  Energy  Error\n\n   \n200 1332.5 0.3 7 8\n-5 5 0\n100 661.7\r\n");
  ASSERT_EQ(typed.count, 2);
  EXPECT_EQ(typed.items[1], (CalibrationItem{100, 661.7, 0}));
  EXPECT_EQ(typed.items[2], (CalibrationItem{200, 1332.5, 0.3}));

  std::string many;
  for (int i = 1; i <= 65; ++i) many += std::to_string(i) + " 1 1\n";
  const TypedItems more = ReadTypedItems(many);
  EXPECT_EQ(more.count, 65);
  EXPECT_EQ(more.stored(), 60);
  EXPECT_EQ(more.items[60], (CalibrationItem{60, 1, 1}));
}

}  // namespace
}  // namespace pektra
