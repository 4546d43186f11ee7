// The automatic energy calibration: from marked peaks alone to a linear calibration. A wrong gain
// or offset here shifts every energy of the summary table, so the steps are checked with numbers
// worked out by hand, and a failure must leave the calibration in force untouched.
#include "calib/auto_calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "core/number_format.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

struct Fixture {
  AnalysisState state;
  Calibrations cal() { return CalibrationsOf(state); }
  AutoCalibrationContext Context() {
    return {cal(), state.marking.peak_list, state.marking.peak_count, false, false, ""};
  }
  void Mark(const std::vector<double>& channels) {
    state.marking.peak_count = testing::Fill(state.marking.peak_list, channels);
  }
};

// The source dialog answered with a source (0 Ra226, 1 Eu152) and an energy range.
auto Choose(int source, std::string emin, std::string emax) {
  return [=](DialogContent& d) {
    d.choice_lists[0].selected = source;
    d.grid.cells[0][0] = emin;
    d.grid.cells[1][0] = emax;
  };
}

// Channels of the lines at 1 keV per channel above 10 keV, with two lines of other nuclides.
std::vector<double> RaPeaks() {
  std::vector<double> channels;
  for (const double e : {75.0, 186.1, 241.9, 295.2, 352.0, 511.0, 609.4, 1120.0, 1764.0}) {
    channels.push_back(e - 10.0);
  }
  return channels;
}

TEST(AutoCalibration, ReferenceLinesOfTheEnergyWindow) {
  EXPECT_EQ(ReferenceLinesIn(CalibrationSource::kRa226, 100, 1000),
            (std::vector<double>{186.1, 241.9, 295.2, 352.0, 609.4}));
  EXPECT_EQ(ReferenceLinesIn(CalibrationSource::kEu152, 200, 800),
            (std::vector<double>{244.6989, 344.2811, 778.925}));
  EXPECT_EQ(ReferenceLinesIn(CalibrationSource::kRa226, 500, 700), (std::vector<double>{609.4}));
}

TEST(AutoCalibration, GainFromEqualSpacingsAndOffsetFromTheOutnumberedSide) {
  Fixture f;
  DebugLog trace;
  const std::vector<double> even = {100, 200, 300, 400, 500};
  AutoCalibrationRun run =
      RunAutoCalibration(f.cal(), even, CalibrationSource::kRa226, 100, 500, &trace);
  EXPECT_DOUBLE_EQ(run.gain, 0.5575);
  EXPECT_EQ(run.pattern, 1);
  EXPECT_EQ(Lines(trace.MemoryText())[0], "  100.00");

  // At 1 keV per channel the lines 186..352 are off by −1, +1.65, +4 and +0.35 keV: three above
  // (S+ = 6), one below, so pass 1 moves the offset by −6 × 0.25.
  DebugLog passes;
  const std::vector<double> peaks = {185.1, 243.55, 299.2, 352.35, 1000};
  run = RunAutoCalibration(f.cal(), peaks, CalibrationSource::kRa226, 100, 400, &passes);
  EXPECT_NEAR(run.gain, 1.0, 1e-12);
  const std::vector<std::string> lines = Lines(passes.MemoryText());
  const auto pass1 = std::find(lines.begin(), lines.end(), "    1");
  ASSERT_NE(pass1, lines.end());
  EXPECT_EQ(*(pass1 + 1), "ac0,bc0=     1.000   -1.500");
  EXPECT_EQ(run.status, AutoCalibrationRun::Status::kDone);
  EXPECT_EQ(f.state.enc.enc_count, 4);
  EXPECT_EQ(f.state.enc.enc_mode, kEnergyLinear);
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "chi2, chibest=" + FormatFixed(9, 1, run.discrepancy)),
      lines.end());

  // Two lines nearest one peak: both pairs are kept.
  const std::vector<double> sparse = {100, 200, 300, 400, 2000};
  run = RunAutoCalibration(f.cal(), sparse, CalibrationSource::kRa226, 100, 700, nullptr);
  EXPECT_EQ(f.state.enc.enc_points[2][0], 400.0);
  EXPECT_EQ(f.state.enc.enc_points[3][0], 400.0);
}

// At 0.5 keV per channel the spacings of 186..352 keV differ by more than 5 channels, and peaks
// of other nuclides lie between the lines: the stated pattern fails, the other groups are tried.
// Where the stated pattern does its work, its result is kept.
TEST(AutoCalibration, OtherPatternsOnlyAfterTheStatedOneFails) {
  Fixture f;
  std::vector<double> crowded;
  for (const double e : {75.0, 186.1, 200.0, 241.9, 270.0, 295.2, 338.0, 352.0, 511.0, 609.4, 911.0,
                         1120.0, 1460.0, 1764.0}) {
    crowded.push_back((e - 10.0) / 0.5);
  }
  const AutoCalibrationRun stated =
      RunAutoCalibration(f.cal(), crowded, CalibrationSource::kRa226, 100, 1770, nullptr);
  EXPECT_TRUE(stated.status != AutoCalibrationRun::Status::kDone || stated.discrepancy > 0.5);
  bool fell_back = false;
  AutoCalibrationRun run = CalibrateWithFallback(f.cal(), crowded, CalibrationSource::kRa226, 100,
                                                 1770, nullptr, &fell_back);
  EXPECT_TRUE(fell_back);
  ASSERT_EQ(run.status, AutoCalibrationRun::Status::kDone);
  EXPECT_EQ(f.state.enc.enc_count, 7);
  EXPECT_LT(run.discrepancy, 1e-6);
  EXPECT_NEAR(LinearEnergy(f.state.enc, 1000.0), 510.0, 1e-6);

  run = CalibrateWithFallback(f.cal(), RaPeaks(), CalibrationSource::kRa226, 100, 1770, nullptr,
                              &fell_back);
  EXPECT_FALSE(fell_back);
  EXPECT_EQ(run.pattern, 2);
}

TEST(AutoCalibration, CommandCalibratesReportsAndTracesIntoItsOwnLog) {
  Fixture f;
  testing::TempDir dir;
  f.Mark(RaPeaks());
  f.state.enc.enc_mode = kEnergyInterpolated;
  AutoCalibrationContext ctx = f.Context();
  ctx.debug_mode = true;
  ctx.trace_file = dir.File("adebug.res");
  ScriptedUi ui;
  ui.AnswerDialog(Choose(0, "100", "1770")).AnswerDialog();
  EXPECT_TRUE(AutoEnergyCalibration(ctx, ui));
  EXPECT_TRUE(ui.notes().empty());
  const EnergyCalibration& enc = f.state.enc;
  EXPECT_TRUE(enc.enc_present);
  EXPECT_EQ(enc.enc_mode, kEnergyLinear);
  ASSERT_EQ(enc.enc_count, 7);
  for (int i = 1; i <= 7; ++i) {
    EXPECT_NEAR(LinearEnergy(enc, enc.enc_points[i][0]), enc.enc_points[i][1], 1e-6);
    EXPECT_DOUBLE_EQ(enc.enc_points[i][2], 1.0);
  }
  const DialogContent& source = ui.dialogs()[0];
  EXPECT_EQ(source.title, "Auto energy calibration");
  EXPECT_EQ(source.labels[2].text, " Number of marked peaks for calibration = 9");
  EXPECT_EQ(source.choice_lists[0].items, (std::vector<std::string>{"   Ra226", "   Eu152"}));
  const std::vector<std::string>& report = ui.dialogs()[1].list_box.lines;
  ASSERT_EQ(report.size(), 11u);
  EXPECT_EQ(report[0], "Max discrepancy(KeV)=       0.00");
  EXPECT_EQ(report[2], "   E_calib   Channel       E fitted");
  EXPECT_EQ(report[4], "   186.100   176.100        186.100");
  const std::vector<std::string> trace = Lines(testing::ReadFile(ctx.trace_file));
  ASSERT_GT(trace.size(), 8u);
  EXPECT_EQ(trace[0], "  111.10");                     // the first spacing, 75 to 186.1 keV
  EXPECT_EQ(trace[8], "ac0,bc0=     1.008    0.000");  // 55.75 / 55.3
}

TEST(AutoCalibration, FailuresLeaveTheCalibrationInForce) {
  Fixture f;
  testing::SetEnergyItems(f.state, {{100, 100, 1}, {200, 200, 1}}, kEnergyLinear);
  const EnergyCalibration before = f.state.enc;

  f.Mark({100, 200, 300, 400});
  ScriptedUi few;
  EXPECT_FALSE(AutoEnergyCalibration(f.Context(), few));
  EXPECT_EQ(few.notes(), std::vector<std::string>{"Too little peaks for auto-calibration"});
  EXPECT_TRUE(few.dialogs().empty());

  f.Mark(RaPeaks());
  ScriptedUi one_line;
  one_line.AnswerDialog(Choose(0, "500", "700"));
  EXPECT_FALSE(AutoEnergyCalibration(f.Context(), one_line));
  EXPECT_EQ(one_line.notes(), std::vector<std::string>{"Wrong number of energies"});
  EXPECT_TRUE(f.state.enc == before);

  ScriptedUi no_pattern;  // even spacings are not the Eu152 ratio
  f.Mark({100, 200, 300, 400, 500, 600});
  no_pattern.AnswerDialog(Choose(1, "100", "1410"));
  EXPECT_FALSE(AutoEnergyCalibration(f.Context(), no_pattern));
  EXPECT_EQ(no_pattern.notes(),
            (std::vector<std::string>{"No peaks 122, 245, 344 KeV", "Calibration failed"}));
  EXPECT_TRUE(f.state.enc == before);

  // The lines 609..1764 placed 3 keV off the line through the rest: the question, answered No.
  std::vector<double> off = RaPeaks();
  off[6] += 6;
  off[7] -= 6;
  f.Mark(off);
  ScriptedUi refused;
  refused.AnswerDialog(Choose(0, "100", "1770")).AnswerNo();
  EXPECT_FALSE(AutoEnergyCalibration(f.Context(), refused));
  EXPECT_EQ(refused.Texts(ScriptedUi::Event::Kind::kYesNo),
            std::vector<std::string>{"Warning, discrepancy more than 0.5KeV; Proceed?"});
  EXPECT_EQ(refused.notes(), std::vector<std::string>{"Calibration failed"});
  EXPECT_TRUE(f.state.enc == before);

  ScriptedUi cancelled;
  cancelled.CancelDialog();
  EXPECT_FALSE(AutoEnergyCalibration(f.Context(), cancelled));
  EXPECT_TRUE(f.state.enc == before);
}

}  // namespace
}  // namespace pektra
