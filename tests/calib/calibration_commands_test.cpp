// The calibration commands as the user meets them: the dialogs, the files written and read back,
// and what a cancelled or refused entry leaves behind.
#include "calib/calibration_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "calib/calibration.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::EfficiencyItems;
using testing::EnergyItems;
using testing::ReadFile;
using testing::ScriptedUi;
using testing::SetEfficiencyItems;
using testing::SetEnergyItems;
using testing::TempDir;
using testing::WriteFile;

// The first stage of the energy entry with the given mode and ticked sources.
auto ChooseEnergySource(int mode, std::vector<bool> ticked) {
  return [mode, ticked](DialogContent& dialog) {
    dialog.choice_lists[0].selected = mode;
    dialog.check_list.checked = ticked;
  };
}

auto TypeInMemo(std::string text) {
  return [text](DialogContent& dialog) { dialog.memo.text = text; };
}

TEST(EnterEnergyData, TypedItemsAreFittedShownForCheckingAndSwitchedOn) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog(ChooseEnergySource(1, {false, false, true}))
      .AnswerDialog(TypeInMemo("300 300 1\n100 100 1\n200 210 0.5\n"))
      .AnswerDialog([](DialogContent& dialog) {
        // The user corrects the energy of item 2 in the checking memo.
        const std::size_t at = dialog.memo.text.find("  210.00");
        ASSERT_NE(at, std::string::npos);
        dialog.memo.text.replace(at, 8, "  200.00");
      });

  EnterEnergyData(CalibrationOf(state), ui);

  ASSERT_EQ(ui.dialogs().size(), 3u);
  EXPECT_EQ(ui.dialogs()[0].labels[0].text, "Number of calibration items = 0");
  EXPECT_EQ(ui.dialogs()[1].memo.text, "* Channel  Energy  Error");
  // The mean error 5/6 is the floor of the fit's weights: 1, 1.44, 1. The channels are symmetric,
  // so the line has slope 1 per channel through the weighted mean 702.4 / 3.44 = 204.19 at 200.
  // The last column squares the memo's own weight (1 / 0.5^2 = 4) once more: 5.814^2 x 16.
  EXPECT_EQ(ui.dialogs()[2].memo.text,
            "* Channel  Energy  Error     Fit   ChiSquare\n"
            "  100.00  100.00   1.00   104.19       17.52\n"
            "  200.00  210.00   0.50   204.19      540.83\n"
            "  300.00  300.00   1.00   304.19       17.52");

  EXPECT_TRUE(state.enc.enc_present);
  EXPECT_EQ(state.enc.enc_mode, 1);
  EXPECT_EQ(EnergyItems(state),
            (std::vector<CalibrationItem>{{100, 100, 1}, {200, 200, 0.5}, {300, 300, 1}}));
  EXPECT_NEAR(LinearEnergy(state.enc, 250), 250.0, 1e-9);  // refitted after the correction
  EXPECT_TRUE(ui.notes().empty());
}

TEST(EnterEnergyData, CancelAtAnyStageLeavesTheCalibrationAsItWas) {
  AnalysisState state;
  SetEnergyItems(state, {{100, 1000, 1}, {200, 2000, 1}}, 0);
  const AnalysisState before = state;

  {  // The first dialog.
    ScriptedUi ui;
    ui.CancelDialog();
    EnterEnergyData(CalibrationOf(state), ui);
  }
  {  // Typing, after choosing linear mode and the marked peaks as channels.
    state.marking.peak_count = 2;
    state.marking.peak_list[1] = 300;
    state.marking.peak_list[2] = 400;
    ScriptedUi ui;
    ui.AnswerDialog(ChooseEnergySource(1, {true, false, true})).CancelDialog();
    EnterEnergyData(CalibrationOf(state), ui);
  }
  {  // Checking: the typed items are not kept, nor switched on.
    ScriptedUi ui;
    ui.AnswerDialog(ChooseEnergySource(1, {false, false, true}))
        .AnswerDialog(TypeInMemo("10 20 1\n30 40 1"))
        .CancelDialog();
    EnterEnergyData(CalibrationOf(state), ui);
    EXPECT_TRUE(ui.notes().empty());
  }
  EXPECT_TRUE(state.enc == before.enc);
}

TEST(EnterEnergyData, OneTypedItemIsRefusedAndSwitchesTheCalibrationOff) {
  AnalysisState state;
  SetEnergyItems(state, {{100, 1000, 1}, {200, 2000, 1}}, 0);
  ScriptedUi ui;
  ui.AnswerDialog(ChooseEnergySource(0, {false, false, true}))
      .AnswerDialog(TypeInMemo("* Channel  Energy  Error\n100 661.7 0.1\n-5 5 0\n"));
  EnterEnergyData(CalibrationOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, number of peaks < 2"});
  EXPECT_FALSE(state.enc.enc_present);
  EXPECT_EQ(EnergyItems(state), (std::vector<CalibrationItem>{{100, 1000, 1}, {200, 2000, 1}}));
}

TEST(EnterEnergyData, ResultRowsAreConvertedWithTheCalibrationInForceBefore) {
  AnalysisState state;
  SetEnergyItems(state, {{100, 1000, 0.5}, {200, 2000, 0.5}}, 0);
  state.results.result_rows[1] = {120, 0.1, 5000, 80, 3, 0.1, 20, 100};
  state.results.result_rows[2] = {180, 0.1, 4000, 70, 3, 0.1, 20, 100};
  state.results.result_count = 2;
  ScriptedUi ui;
  // Switching to linear must not change how the rows are converted.
  ui.AnswerDialog(ChooseEnergySource(1, {false, true, false})).AnswerDialog();
  EnterEnergyData(CalibrationOf(state), ui);
  ASSERT_EQ(state.enc.enc_count, 2);
  EXPECT_NEAR(state.enc.enc_points[1][1], 1200.0, 1e-9);
  EXPECT_NEAR(state.enc.enc_points[2][1], 1800.0, 1e-9);
  // Own error 0.5 and the carried channel error 1 make sqrt(1.25) = 1.118, which the checking
  // memo shows, and the confirmed memo gives back, with two decimals.
  EXPECT_NEAR(state.enc.enc_points[1][2], 1.12, 1e-9);
}

TEST(EnterEfficiencyData, EmptyMemoCancelsAndSwitchesTheCalibrationOff) {
  AnalysisState state;
  SetEfficiencyItems(state, {{661.7, 0.25, 0.01}});
  ScriptedUi ui;
  ui.AnswerDialog(TypeInMemo("   \n\n0 0 0\n"));
  EnterEfficiencyData(CalibrationOf(state), ui);

  EXPECT_EQ(ui.dialogs().at(0).memo.text, "    661.70   0.25000   0.01000");
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Empty lines. Cancelled"});
  EXPECT_FALSE(state.efc.efc_present);
}

TEST(EnterEfficiencyData, OneTypedItemIsEnoughAndItemsAreSorted) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog(TypeInMemo("1408 0.002 0\n121.78 0.012\n"));
  EnterEfficiencyData(CalibrationOf(state), ui);
  EXPECT_TRUE(state.efc.efc_present);
  EXPECT_EQ(EfficiencyItems(state),
            (std::vector<CalibrationItem>{{121.78, 0.012, 0}, {1408, 0.002, 0}}));
}

TEST(CalibrationFiles, EnergyFileIsWrittenExactlyAndReadBack) {
  TempDir dir;
  const std::string file = dir.File("my.enc");
  AnalysisState state;
  SetEnergyItems(state, {{100, 661.7, 0.1}, {200.5, 1332.5, 0.25}}, 0);
  ScriptedUi ui;
  ui.AnswerFile(file);
  SaveEnergyCalibration(CalibrationOf(state), ui);
  EXPECT_EQ(ReadFile(file),
            "*                    Energy calibration data.\n"
            "\n"
            "*  Channel    Energy     Error\n"
            "    100.00    661.70      0.10\n"
            "    200.50   1332.50      0.25\n");
  EXPECT_EQ(state.files.enc_file, file);

  AnalysisState loaded;
  ScriptedUi reader;
  reader.AnswerFile(file)
      .AnswerDialog([](DialogContent& dialog) { dialog.choice_lists[0].selected = 1; })
      .AnswerDialog();
  LoadCalibrationFile(CalibrationOf(loaded), reader, CalibrationKind::kEnergy);
  EXPECT_EQ(EnergyItems(loaded), EnergyItems(state));
  EXPECT_TRUE(loaded.enc.enc_present);
  EXPECT_EQ(loaded.enc.enc_mode, 1);
  EXPECT_EQ(loaded.files.enc_file, file);
  EXPECT_EQ(loaded.enc.enc_last_channel, 200.5);  // the line was fitted
  ASSERT_EQ(reader.dialogs().size(), 2u);
  EXPECT_EQ(reader.dialogs()[1].list_box.lines,
            (std::vector<std::string>{"Energy calibration  performed", " Mode=  Linear",
                                      "2 calibration items"}));
}

TEST(CalibrationFiles, EfficiencyFileIsWrittenExactlyAndReadBack) {
  TempDir dir;
  const std::string file = dir.File("my.efc");
  AnalysisState state;
  SetEfficiencyItems(state, {{121.78, 0.0123456, 0.0001}, {1408.01, 0.0021, 0.00005}});
  ScriptedUi ui;
  ui.AnswerFile(file);
  SaveEfficiencyCalibration(CalibrationOf(state), ui);
  EXPECT_EQ(ReadFile(file),
            "*                    Efficiency calibration data.\n"
            "\n"
            "*   Energy    Coefficient          Error\n"
            "    121.78      0.0123456      0.0001000\n"
            "   1408.01      0.0021000      0.0000500\n");

  AnalysisState loaded;
  loaded.efc.efc_mode = 3;
  ScriptedUi reader;
  reader.AnswerFile(file).AnswerDialog();
  LoadCalibrationFile(CalibrationOf(loaded), reader, CalibrationKind::kEfficiency);
  EXPECT_EQ(EfficiencyItems(loaded), EfficiencyItems(state));
  EXPECT_TRUE(loaded.efc.efc_present);
  EXPECT_EQ(loaded.efc.efc_mode, 0);
  EXPECT_EQ(reader.dialogs().at(0).list_box.lines,
            (std::vector<std::string>{"Efficiency calibration performed", " Mode= Non-linear",
                                      "2 calibration items"}));
}

TEST(CalibrationFiles, NumbersWiderThanTheirFieldsReadBackApart) {
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  items[1] = {12345678.5, -1234567.25, 9876543.75};
  std::ostringstream out;
  WriteCalibrationFile(out, CalibrationKind::kEnergy, items, 1);
  std::istringstream in(out.str());
  OneBasedArray<CalibrationItem> back(kMaxCalibrationItems, CalibrationItem{});
  ASSERT_EQ(ReadCalibrationItems(in, CalibrationKind::kEnergy, back).count, 1);
  EXPECT_EQ(back[1], items[1]);

  // The checking memo is read back the same way.
  AnalysisState state;
  SetEnergyItems(state, {{100, 12345.5, 1}, {16000, 99999.25, 2500}}, 0);
  const TypedItems typed = ReadTypedItems(EnergyItemsMemo(state.enc));
  ASSERT_EQ(typed.count, 2);
  EXPECT_EQ(typed.items[1], state.enc.enc_points[1]);
  EXPECT_EQ(typed.items[2], state.enc.enc_points[2]);
}

TEST(CalibrationFiles, OneItemEnergyFileIsRefusedAndLeavesTheCalibrationOff) {
  TempDir dir;
  const std::string file = dir.File("one.enc");
  WriteFile(file, "100 661.7 0.1\n");
  AnalysisState state;
  SetEnergyItems(state, {{100, 1000, 1}, {200, 2000, 1}}, 0);
  ScriptedUi ui;
  ui.AnswerFile(file).AnswerDialog();
  LoadCalibrationFile(CalibrationOf(state), ui, CalibrationKind::kEnergy);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, number of peaks < 2"});
  EXPECT_FALSE(state.enc.enc_present);
  EXPECT_EQ(state.files.enc_file, "enc.dat");
  EXPECT_EQ(EnergyItems(state), (std::vector<CalibrationItem>{{100, 1000, 1}, {200, 2000, 1}}));
}

TEST(CalibrationFiles, LinearFileWithOneChannelIsRefused) {
  TempDir dir;
  const std::string file = dir.File("same.enc");
  WriteFile(file, "100 661.7 0.1\n100 1332.5 0.1\n");
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerFile(file).AnswerDialog(
      [](DialogContent& dialog) { dialog.choice_lists[0].selected = 1; });
  LoadCalibrationFile(CalibrationOf(state), ui, CalibrationKind::kEnergy);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, number of peaks < 2"});
  EXPECT_FALSE(state.enc.enc_present);
}

TEST(CalibrationFiles, MissingFileAndRefusedOverwriteChangeNothing) {
  TempDir dir;
  AnalysisState state;
  ScriptedUi ui;
  const std::string missing = dir.File("none.enc");
  ui.AnswerFile(missing);
  LoadCalibrationFile(CalibrationOf(state), ui, CalibrationKind::kEnergy);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"No file " + missing});

  SaveEfficiencyCalibration(CalibrationOf(state), ui);
  EXPECT_EQ(ui.notes().back(), "No calibration data");

  const std::string existing = dir.File("old.enc");
  WriteFile(existing, "old");
  SetEnergyItems(state, {{100, 1000, 1}, {200, 2000, 1}}, 0);
  ui.AnswerFile(existing).AnswerNo();
  SaveEnergyCalibration(CalibrationOf(state), ui);
  EXPECT_EQ(ReadFile(existing), "old");
  EXPECT_EQ(state.files.enc_file, "enc.dat");
}

TEST(EnergyCalibrationGraph, DrawsTheCurveAtTheItemsAndMarksTheirEnergies) {
  AnalysisState state;
  ScriptedUi ui;
  ShowEnergyCalibrationGraph(CalibrationOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"No energy calibration set up"});

  SetEnergyItems(state, {{100, 100, 1.0}, {200, 210, 0.5}, {300, 300, 1.0}}, 1);
  ui.AnswerDialog();
  ShowEnergyCalibrationGraph(CalibrationOf(state), ui);
  const Picture& picture = ui.dialogs().at(0).pictures[0].picture;
  // The graph in a margin of 52 left and 10 on top, then 5 energies and 4 channels.
  ASSERT_EQ(picture.ops.size(), 1u + 5u + 4u + 1u + 3u * 15u + 9u);
  // The fitted line lies 4.19 keV above items 1 and 3: y = round(203 - E' x 190 / 200).
  const auto& curve = std::get<Polyline>(picture.ops[10]);
  EXPECT_EQ(curve.xs, (std::vector<double>{52 + 11, 52 + 101, 52 + 191}));
  EXPECT_EQ(curve.ys, (std::vector<double>{10 + 199, 10 + 104, 10 + 9}));
  const auto& mark2 = std::get<Pixel>(picture.ops[11 + 15 + 7]);  // centre of item 2
  EXPECT_EQ(mark2.x, 52 + 101);
  EXPECT_EQ(mark2.y, 10 + 98);
  // The grid's top line is 200/190 of the energy range above the lowest item; the ticks are
  // channels 100 - 6 * 200 / 180 and on by 63 * 200 / 180.
  EXPECT_EQ(std::get<Text>(picture.ops[56]).text, "   310.5");
  EXPECT_EQ(std::get<Text>(picture.ops[60]).text, "   100.0");  // the lowest item
  EXPECT_EQ(std::get<Text>(picture.ops[61]).text, "    93");
  EXPECT_EQ(std::get<Text>(picture.ops[64]).text, "   303");
}

}  // namespace
}  // namespace pektra
