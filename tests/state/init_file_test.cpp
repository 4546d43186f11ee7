#include "state/init_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <tuple>

#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

InitMessages Read(AnalysisState& state, const std::string& text) {
  std::istringstream in(text);
  return ReadInitFile(in, state);
}

std::string Written(const AnalysisState& state) {
  std::ostringstream out;
  WriteInitFile(out, state);
  return out.str();
}

// Every variable an init file can reach.
auto InitFields(const AnalysisState& s) {
  const TSpectrum& sp = s.spectrum;
  return std::tie(sp.a1, sp.a2, sp.file_type, sp.file_name, sp.b1, sp.b2, sp.w1, sp.w2, sp.delta_w,
                  sp.width_variable, sp.delta_width_v, sp.dback, s.input, s.width, s.processing,
                  s.enc, s.efc, s.view.interval_begin, s.view.interval_end, s.view.interval_length,
                  s.view.scale_mode, s.marking.mark_mode, s.marking.sens, s.marking.resol,
                  s.marking.ndf, s.marking.max_interval, s.fit.delta_pos, s.fit.step, s.fit.damper,
                  s.fit.niter);
}

TEST(InitFile, CommandKeyIsTheFirstElevenCapitals) {
  EXPECT_EQ(CommandKey(".......Input the Spectrum"), "IS");
  EXPECT_EQ(CommandKey(".......Enter Data for ENergy Calibration"), "EDENC");
  EXPECT_EQ(CommandKey(".......MAXIMUM INTERVAL"), "MAXIMUMINTE");
  EXPECT_EQ(CommandKey(" 12 .5, \xc4\xd6 abc"), "");
}

TEST(InitFile, CommentsEmptyLinesAndStopLeaveEveryDefault) {
  const AnalysisState fresh;
  AnalysisState state;
  Read(state,
       "* presets\r\n\r\n*.......Maximum Interval\r\n77\r\n.......STOP\r\n"
       ".......Maximum Interval\r\n200\r\n");
  EXPECT_TRUE(InitFields(state) == InitFields(fresh));
}

TEST(InitFile, UnknownKeysOtherCapitalisationAndStrayDataAreIgnored) {
  AnalysisState state;
  Read(state,
       ".......Maximum Interval\n* the longest interval\n\n200\n"
       ".......MAXIMUM INTERVAL\n300\n"  // key "MAXIMUMINTE": no command
       ".......Unknown Command\n5 6 7\n"
       "12 13\n"
       ".......Degree of the Background\n2\n");
  EXPECT_EQ(state.marking.max_interval, 200);
  EXPECT_EQ(state.spectrum.dback, 2);
  AnalysisState expected;
  expected.marking.max_interval = 200;
  expected.spectrum.dback = 2;
  EXPECT_TRUE(InitFields(state) == InitFields(expected));
}

TEST(InitFile, SpectrumLineAndAFileNameThatLooksLikeACommand) {
  AnalysisState state;
  state.input.spectrum_dir = "/work";
  Read(state,
       ".......Input the Spectrum\n* a1 a2 ...\n1 4096 2 1 0\n/DATA/STOP\n"
       ".......Maximum Interval\n200\n");
  EXPECT_EQ(state.spectrum.file_type, kBinary32);
  EXPECT_TRUE(state.input.skip_header);
  EXPECT_FALSE(state.input.reverse_bytes);
  EXPECT_EQ(state.spectrum.file_name, "/DATA/STOP");
  EXPECT_EQ(state.input.spectrum_dir, "/DATA/");
  EXPECT_EQ(state.marking.max_interval, 200);  // the name did not stop the reading

  // A name without folder keeps the folder of the file dialog.
  Read(state, ".......Input the Spectrum\n1 4096 1 0 1\nSPEC.DAT\n");
  EXPECT_EQ(state.input.spectrum_dir, "/DATA/");
  EXPECT_TRUE(state.input.reverse_bytes);
}

TEST(InitFile, ValuesOutsideTheirRangeAreRefusedNamedAndThePreviousValueKept) {
  AnalysisState state;
  state.spectrum.file_type = kFreeField;
  const AnalysisState before = state;
  const InitMessages messages =
      Read(state,
           ".......Input the Spectrum\n0 16385 0 0 0\nx.spe\n"
           ".......Input the Spectrum\n1 4096 -7 0 0\nx.spe\n"
           ".......Input the Spectrum\n1 4096 5.6 0 0\nx.spe\n"
           ".......Set the Analysis Bounds\n1e300 -1e300\n"
           ".......Enter the Width Information\n0 -6 -0.5\n"
           ".......Degree of the Background\n-2147483649\nDB\n4\n"
           ".......Mark the Spectrum\n5 0 2 2\n.......Mark the Spectrum\n-1 -7 2 -1\n"
           ".......Maximum Interval\n0\nMI\n4097\nMAXINT\n63.4\n"
           "NITER\n1e300\nNITER\n0\nSTEP\n0\nSTEP\n1.0001\nDAMP\n-1e-300\n"
           "COVAR\n-0.01\nSMAST\n-1\nORDER\n-2\nCHIO\n-1e300\nDPOS\n-5\nSGM\n0\nSGM\n4.6\n"
           ".......Enter Data for ENergy Calibration\n0 7\n");
  EXPECT_EQ(messages, (InitMessages{
                          "a1 0 refused, allowed 1 to 16384; 1 kept",
                          "a2 16385 refused, allowed 1 to 16384; 4096 kept",
                          "spectrum mode 0 refused, allowed 1 to 5; 3 kept",
                          "spectrum mode -7 refused, allowed 1 to 5; 3 kept",
                          "spectrum mode 5.6 refused, allowed 1 to 5; 3 kept",
                          "b1 1e+300 refused, allowed 1 to 16384; 2 kept",
                          "b2 -1e+300 refused, allowed 1 to 16384; 4095 kept",
                          "w1 0 refused, allowed above 0; 4 kept",
                          "w2 -6 refused, allowed above 0; 6 kept",
                          "DeltaW -0.5 refused, allowed 0 or more; 3.5 kept",
                          "dback -2147483649 refused, allowed -3 to 3; -3 kept",
                          "dback 4 refused, allowed -3 to 3; -3 kept",
                          "mark mode 5 refused, allowed 0 to 4; 0 kept",
                          "sens 0 refused, allowed above 0; 1 kept",
                          "ndf 2 refused, allowed 0 to 1; 0 kept",
                          "mark mode -1 refused, allowed 0 to 4; 0 kept",
                          "sens -7 refused, allowed above 0; 1 kept",
                          "ndf -1 refused, allowed 0 to 1; 0 kept",
                          "Maximum Interval 0 refused, allowed 64 to 4096; 128 kept",
                          "Maximum Interval 4097 refused, allowed 64 to 4096; 128 kept",
                          "Maximum Interval 63.4 refused, allowed 64 to 4096; 128 kept",
                          "NITER 1e+300 refused, allowed 1 to 1000; 7 kept",
                          "NITER 0 refused, allowed 1 to 1000; 7 kept",
                          "STEP 0 refused, allowed above 0 up to 1; 0.99 kept",
                          "STEP 1.0001 refused, allowed above 0 up to 1; 0.99 kept",
                          "DAMP -1e-300 refused, allowed 0 or more; 0.01 kept",
                          "COVAR -0.01 refused, allowed 0 or more; 0.01 kept",
                          "SMAST -1 refused, allowed 0 or more; 20 kept",
                          "ORDER -2 refused, allowed 0 or more; 10 kept",
                          "CHIO -1e+300 refused, allowed 0 or more; 1.25 kept",
                          "DPOS -5 refused, allowed 0 or more; 5 kept",
                          "SGM 0 refused, allowed 1 to 4; 1 kept",
                          "SGM 4.6 refused, allowed 1 to 4; 1 kept",
                          "energy calibration mode 7 refused, allowed 0 to 2; 0 kept",
                      }));
  // Every refused value kept its setting; only what was acceptable changed: the resolution, the
  // interval taken as the init file's bounds, and the emptied energy calibration.
  AnalysisState expected = before;
  expected.spectrum.file_name = "x.spe";
  expected.marking.resol = 2;
  expected.input.ini_b1 = 2;
  expected.input.ini_b2 = 4095;
  expected.view.interval_begin = 2;
  expected.view.interval_end = 4095;
  expected.view.interval_length = 4094;
  EXPECT_TRUE(InitFields(state) == InitFields(expected));
  EXPECT_NE(state.debug_log->MemoryText().find("Init file: NITER 1e+300 refused"),
            std::string::npos);

  // Bounds inside the range are put in order; whole values round halves to even.
  Read(state,
       ".......Input the Spectrum\n9000 16384 2.5 0 0\nx\n"
       ".......Set the Analysis Bounds\n16384 2.5\n");
  EXPECT_EQ(std::tie(state.spectrum.a1, state.spectrum.a2, state.spectrum.file_type),
            std::make_tuple(9000, 16384, 2));
  EXPECT_EQ(std::tie(state.spectrum.b1, state.spectrum.b2), std::make_tuple(2, 16384));
}

TEST(InitFile, ACommandLineIsNeverDataOfTheCommandBeforeIt) {
  AnalysisState state;
  EXPECT_TRUE(Read(state,
                   ".......Input the Spectrum\n"
                   "  .......Set the Analysis Bounds\n10 20\n"
                   ".......Enter the Width Information\n* w1 w2 DeltaW\n5\n"
                   "...Maximum Interval\n200\n"
                   ".......Input the Spectrum\n100 2000 3 0 0\n* spectrum file name\n"
                   ".......Mark the Spectrum\n2 .5 1.5 1\n"
                   ".......Enter Data for ENergy Calibration\n3 0\n100 661.7 0.1\n"
                   ".......Degree of the Background\n2\n")
                  .empty());
  // "Input the Spectrum" kept its values and the bounds were read.
  EXPECT_EQ(std::tie(state.spectrum.b1, state.spectrum.b2), std::make_tuple(10, 20));
  // The widths took the one number they had; the maximum interval was read.
  EXPECT_EQ(std::tie(state.spectrum.w1, state.spectrum.w2), std::make_tuple(5.0, 6.0));
  EXPECT_EQ(state.marking.max_interval, 200);
  // The second "Input the Spectrum" took its numbers but no command line as the file name.
  EXPECT_EQ(std::tie(state.spectrum.a1, state.spectrum.a2, state.spectrum.file_type),
            std::make_tuple(100, 2000, 3));
  EXPECT_EQ(state.spectrum.file_name, "");
  EXPECT_EQ(state.marking.mark_mode, MarkMode::kEnergies);
  EXPECT_EQ(state.marking.sens, 0.5);  // a number may begin with a point
  // A block cut short by a command keeps the points it found.
  ASSERT_EQ(state.enc.enc_count, 1);
  EXPECT_EQ(state.enc.enc_points[1], (CalibrationItem{100, 661.7, 0.1}));
  EXPECT_EQ(state.spectrum.dback, 2);
}

TEST(InitFile, RealSettingsAreStoredAsWrittenAndWholeOnesRoundHalvesToEven) {
  AnalysisState state;
  Read(state,
       ".......STEP\n0.5\nDAMP\n.0001\nDPOS 2.5\n3.25\nCOVAR\n0.02\nSMAST\n15.5\n"
       "ORDER\n7.5\nCHIO\n1.5\nNITER\n7.5\nSGM\n2.5\nDBACK\n-2.5\n"
       ".......Mark the Spectrum\n2.5 0.75 1.5 0.5\n");
  EXPECT_EQ(state.fit.step, 0.5);
  EXPECT_EQ(state.fit.damper, 0.0001);
  EXPECT_EQ(state.fit.delta_pos, 3.25);
  EXPECT_EQ(state.processing.covar, 0.02);
  EXPECT_EQ(state.processing.small_stat, 15.5);
  EXPECT_EQ(state.processing.order, 7.5);
  EXPECT_EQ(state.processing.chibc, 1.5);
  EXPECT_EQ(state.fit.niter, 8);
  EXPECT_EQ(state.view.scale_mode, ScaleMode::kSqrt);
  EXPECT_EQ(state.spectrum.dback, -2);
  EXPECT_EQ(state.marking.mark_mode, MarkMode::kEnergies);
  EXPECT_EQ(state.marking.sens, 0.75);
  EXPECT_EQ(state.marking.resol, 1.5);
  EXPECT_EQ(state.marking.ndf, 0);
}

TEST(InitFile, EnergyBlockDropsZeroPointsAndSortsByChannel) {
  AnalysisState state;
  Read(state,
       ".......Enter Data for ENergy Calibration\n*      npt  mode   pri\n    3  1  1\n"
       "100 121.78 0.01\n0 0 0\n50 59.54 0.02\n");
  ASSERT_EQ(state.enc.enc_count, 2);
  EXPECT_EQ(state.enc.enc_points[1], (CalibrationItem{50, 59.54, 0.02}));
  EXPECT_EQ(state.enc.enc_points[2], (CalibrationItem{100, 121.78, 0.01}));
  EXPECT_EQ(state.enc.enc_mode, 1);
  EXPECT_TRUE(state.enc.enc_present);
  // The linear calibration was fitted at once: its scaling spans the items' channels.
  EXPECT_EQ(state.enc.enc_first_channel, 50.0);
  EXPECT_EQ(state.enc.enc_last_channel, 100.0);
}

TEST(InitFile, BlocksReadUpToTheSixtyItemsACalibrationHolds) {
  std::string text = ".......Enter Data for EFiciency Calibration\n40 0 1\n";
  for (int i = 40; i >= 1; --i) text += std::to_string(i * 10) + " 0.5 0.01\n";
  text += ".......Enter Data for ENergy Calibration\n70 0 1\n";
  for (int i = 70; i >= 1; --i) text += std::to_string(i * 10) + " " + std::to_string(i) + " 0\n";
  text += ".......Maximum Interval\n200\n";
  AnalysisState state;
  EXPECT_EQ(Read(state, text),
            InitMessages{"energy calibration npt 70 is more than the 60 items it holds; 60 read"});
  ASSERT_EQ(state.efc.efc_count, 40);
  EXPECT_EQ(state.efc.efc_points[1][0], 10.0);
  EXPECT_EQ(state.efc.efc_points[40][0], 400.0);
  EXPECT_TRUE(state.efc.efc_present);
  // Items 700 .. 110 were read and sorted; the ten left over are stray data.
  ASSERT_EQ(state.enc.enc_count, 60);
  EXPECT_EQ(state.enc.enc_points[1][0], 110.0);
  EXPECT_EQ(state.enc.enc_points[60][0], 700.0);
  EXPECT_EQ(state.marking.max_interval, 200);
}

TEST(InitFile, EnergyBlockWithOneItemKeepsItButIsNotApplied) {
  AnalysisState state;
  state.enc.enc_present = true;
  state.enc.enc_count = 2;
  Read(state, ".......Enter Data for ENergy Calibration\n2 1\n0 0 0\n661 661.7 0.1\n");
  EXPECT_EQ(state.enc.enc_count, 1);
  EXPECT_EQ(state.enc.enc_points[1], (CalibrationItem{661, 661.7, 0.1}));
  EXPECT_FALSE(state.enc.enc_present);
}

TEST(InitFile, CommandCutShortByTheEndTakesWhatItFound) {
  AnalysisState state;
  Read(state, ".......Enter the Width Information\n* w1 w2 DeltaW\n5");
  EXPECT_EQ(state.spectrum.w1, 5.0);
  EXPECT_EQ(state.spectrum.w2, 6.0);
  EXPECT_EQ(state.spectrum.delta_w, 3.5);
  EXPECT_DOUBLE_EQ(state.width.width_slope * 1 + state.width.width_offset, 5.0);
  EXPECT_DOUBLE_EQ(state.width.width_slope * 4096 + state.width.width_offset, 6.0);

  state.spectrum.file_name = "old.spe";
  Read(state, ".......Input the Spectrum\n10 2000 3 0 0\n* spectrum file name\n");
  EXPECT_EQ(state.spectrum.a1, 10);
  EXPECT_EQ(state.spectrum.a2, 2000);
  EXPECT_EQ(state.spectrum.file_name, "old.spe");

  Read(state, ".......Enter Data for ENergy Calibration\n2 0\n100 661.7 0.1\n200 1332.5");
  ASSERT_EQ(state.enc.enc_count, 2);
  EXPECT_EQ(state.enc.enc_points[2], (CalibrationItem{200, 1332.5, 0}));
}

TEST(InitFile, WidthsOnAOneChannelSpectrumKeepTheWidthLine) {
  AnalysisState state;
  const double slope = state.width.width_slope, offset = state.width.width_offset;
  Read(state,
       ".......Input the Spectrum\n100 100 1 0 0\nx.spe\n"
       ".......Enter the Width Information\n3 5 2\n");
  EXPECT_EQ(state.spectrum.w1, 3.0);
  EXPECT_EQ(state.spectrum.w2, 5.0);
  EXPECT_EQ(state.spectrum.delta_w, 2.0);
  EXPECT_EQ(state.width.width_slope, slope);
  EXPECT_EQ(state.width.width_offset, offset);
  EXPECT_NE(state.debug_log->MemoryText().find("width line kept"), std::string::npos);
}

TEST(InitFile, WrittenLayout) {
  AnalysisState state;
  state.spectrum.file_name = "co60.dat";
  state.enc.enc_count =
      testing::Fill(state.enc.enc_points, {{50, 59.54, 0.02}, {100, 121.78, 0.01}});
  state.enc.enc_mode = 1;
  EXPECT_EQ(Written(state),
            ".......Input the Spectrum\n"
            "* a1   a2   mode skip  reverse /mode:1-2byte,2-4,3-text\n"
            "* spectrum file name\n"
            "    1    4096  1  0  0\n"
            "co60.dat\n"
            ".......Set the Analysis Bounds\n"
            "       2    4095\n"
            ".......Enter the Width Information\n"
            "*      w1   w2  DeltaW\n"
            "    4.000   6.0000    3.500\n"
            ".......Degree of the Background\n"
            "*  0 <= dback <= 3\n"
            "   -3\n"
            ".......Enter Data for ENergy Calibration\n"
            "*      npt  mode   pri\n"
            "    2  1  1\n"
            "   50.000   59.540    0.020\n"
            "  100.000  121.780    0.010\n"
            ".......Mark the Spectrum\n"
            "* mode   sens    resol   ndf\n"
            "    0    1.00   -1.00    0\n"
            ".......Refine the Peaks by the Fit\n"
            "* on  accept   merge residual  lone\n"
            "    0    3.00    0.50    4.00    3.50\n"
            ".......Maximum Interval\n"
            "  128\n"
            ".......WIDTHBYCH\n"
            "0\n"
            ".......STOP\n");
}

TEST(InitFile, WrittenFileReadsBackIntoAFreshState) {
  AnalysisState state;
  Read(state, ".......Input the Spectrum\n100 8000 2 1 1\n/data/run 7/Co60.spe\n");
  TSpectrum& sp = state.spectrum;
  sp.b1 = 150;
  sp.b2 = 7999;
  sp.w1 = 2.125;
  sp.w2 = 3.1416;
  sp.delta_w = 99999.5;  // fills its field: must not run into its neighbour
  sp.dback = 2;
  state.width.width_slope = (sp.w2 - sp.w1) / (sp.a2 - sp.a1);
  state.width.width_offset = sp.w1 - sp.a1 * state.width.width_slope;
  state.enc.enc_count =
      testing::Fill(state.enc.enc_points, {{-12.5, 59.54, 0.02}, {4000, 1332.492, 0.5}});
  state.efc.efc_mode = 2;
  // The last coefficient is wider than its field.
  state.efc.efc_count =
      testing::Fill(state.efc.efc_points,
                    {{59.54, 0.125, 0.001}, {661.657, 0.063, 0}, {1332.492, 1234567.5, 0.002}});
  state.marking.mark_mode = MarkMode::kLines;
  state.marking.sens = 12345.67;
  state.marking.resol = -0.5;
  state.marking.ndf = 1;
  state.marking.max_interval = 256;

  AnalysisState back;
  Read(back, Written(state));
  const TSpectrum& bsp = back.spectrum;
  EXPECT_EQ(bsp.file_name, "/data/run 7/Co60.spe");
  EXPECT_EQ(back.input.spectrum_dir, "/data/run 7/");
  EXPECT_EQ(
      std::tie(bsp.a1, bsp.a2, bsp.file_type, back.input.skip_header, back.input.reverse_bytes),
      std::make_tuple(100, 8000, 2, true, true));
  EXPECT_EQ(std::tie(bsp.b1, bsp.b2, back.input.ini_b1, back.input.ini_b2),
            std::make_tuple(150, 7999, 150, 7999));
  EXPECT_EQ(std::tie(bsp.w1, bsp.w2, bsp.delta_w), std::make_tuple(2.125, 3.1416, 99999.5));
  EXPECT_DOUBLE_EQ(back.width.width_slope, state.width.width_slope);
  EXPECT_DOUBLE_EQ(back.width.width_offset, state.width.width_offset);
  EXPECT_EQ(bsp.dback, 2);
  EXPECT_EQ(std::tie(back.enc.enc_count, back.enc.enc_mode, back.enc.enc_points),
            std::tie(state.enc.enc_count, state.enc.enc_mode, state.enc.enc_points));
  EXPECT_EQ(std::tie(back.efc.efc_count, back.efc.efc_mode, back.efc.efc_points),
            std::tie(state.efc.efc_count, state.efc.efc_mode, state.efc.efc_points));
  EXPECT_TRUE(back.enc.enc_present);
  EXPECT_TRUE(back.efc.efc_present);
  EXPECT_EQ(std::tie(back.marking.mark_mode, back.marking.sens, back.marking.resol,
                     back.marking.ndf, back.marking.max_interval),
            std::make_tuple(MarkMode::kLines, 12345.67, -0.5, 1, 256));
}

TEST(InitFile, SavedCalibrationsAndSettingsReadBackExactly) {
  AnalysisState state;
  state.efc.efc_count = 40;
  state.enc.enc_count = 60;
  for (int i = 1; i <= 60; ++i) {
    state.enc.enc_points[i] = {i * 50.25, i * 33.3331 + 0.00001, 0.0004};
    if (i <= 40) state.efc.efc_points[i] = {i * 61.7, 0.00041 / i, 1e-7};
  }
  state.spectrum.w1 = 2.00049;
  state.spectrum.w2 = 1.0 / 3;
  state.spectrum.delta_w = 5e-301;  // below the exponents the reader takes
  state.marking.sens = 0.125;
  state.marking.resol = 1234567.891;
  const std::string text = Written(state);
  // A value that its field holds exactly keeps the usual layout (61.700); the others are written
  // in full (0.00041, 0.125), and a full field gets a blank in front.
  EXPECT_NE(text.find("\n   61.700  0.00041 0.0000001\n"), std::string::npos);
  EXPECT_NE(text.find("\n    0   0.125 1234567.891    0\n"), std::string::npos);

  AnalysisState back;
  EXPECT_TRUE(Read(back, text).empty());
  EXPECT_EQ(std::tie(back.enc.enc_count, back.enc.enc_points),
            std::tie(state.enc.enc_count, state.enc.enc_points));
  EXPECT_EQ(std::tie(back.efc.efc_count, back.efc.efc_points),
            std::tie(state.efc.efc_count, state.efc.efc_points));
  EXPECT_EQ(std::tie(back.spectrum.w1, back.spectrum.w2, back.spectrum.delta_w),
            std::tie(state.spectrum.w1, state.spectrum.w2, state.spectrum.delta_w));
  EXPECT_EQ(std::tie(back.marking.sens, back.marking.resol),
            std::tie(state.marking.sens, state.marking.resol));
}

TEST(InitFile, SaveWritesTmpInTheWorkFolderOrSaysWhyNot) {
  testing::TempDir dir;
  AnalysisState state;
  state.files.work_dir = dir.path().string();
  state.marking.max_interval = 321;
  testing::ScriptedUi ui;
  EXPECT_TRUE(SaveInitFile(state, ui));
  AnalysisState back;
  InitMessages messages;
  EXPECT_TRUE(ReadInitFile(dir.File("pektra.tmp"), back, messages));
  EXPECT_EQ(back.marking.max_interval, 321);

  state.files.work_dir = dir.File("no such folder");
  EXPECT_FALSE(SaveInitFile(state, ui));
  EXPECT_EQ(ui.notes(),
            (std::vector<std::string>{"Ini file not saved: cannot write " +
                                      dir.File("no such folder") + "/pektra.tmp: no such folder"}));
  EXPECT_FALSE(ReadInitFile(dir.File("pektra.ini"), back, messages));
}

TEST(InitFile, RefinementSettingsAreReadCheckedAndAlwaysWritten) {
  AnalysisState state;
  // Written also at the presets: pektra-batch presets the refinement otherwise.
  EXPECT_NE(Written(state).find(
                ".......Refine the Peaks by the Fit\n* on  accept   merge residual  lone\n"
                "    0    3.00    0.50    4.00    3.50\n"),
            std::string::npos);

  const InitMessages messages = Read(state,
                                     ".......Refine the Peaks by the Fit\n  1  2.5  0.4  5\n"
                                     ".......Refine the Peaks by the Fit\n  2  0  11  1e300  -3\n");
  EXPECT_EQ(messages, (InitMessages{"refinement 2 refused, allowed 0 to 1; 1 kept",
                                    "acceptance threshold 0 refused, allowed above 0 up to 100; "
                                    "2.5 kept",
                                    "merging distance 11 refused, allowed 0 to 10; 0.4 kept",
                                    "residual threshold 1e+300 refused, allowed above 0 up to "
                                    "100; 5 kept",
                                    "lone peak threshold -3 refused, allowed above 0 up to 100; "
                                    "3.5 kept"}));
  const RefineSettings& r = state.marking.refinement;
  EXPECT_TRUE(r.refine);
  EXPECT_EQ(std::tie(r.accept_sigma, r.merge_fwhm, r.residual_sigma, r.lone_sigma),
            std::make_tuple(2.5, 0.4, 5.0, 3.5));

  AnalysisState back;
  EXPECT_TRUE(Read(back, Written(state)).empty());
  EXPECT_EQ(back.marking.refinement, r);
}

}  // namespace
}  // namespace pektra
