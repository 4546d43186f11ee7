// The result table: its display, the summary table file and the save command.
#include "report/result_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

const std::string kStamp = "2026-12-06 08:15:30";
const std::string kIndent(20, ' ');

std::string Summary(AnalysisState& state, double ncoef) {
  std::ostringstream out;
  WriteSummaryTable(out, ReportOf(state), ncoef, kStamp);
  return out.str();
}

void SetRows(AnalysisState& state, const std::vector<ResultRow>& rows) {
  state.results.result_count = testing::Fill(state.results.result_rows, rows);
  state.results.results_unsaved = true;
}

// A state with a spectrum, settings and three uncalibrated rows: normalised areas 617.2, 0.005
// (three decimals) and 0.01 (two decimals) with ncoef 2; the last background is too long for its
// field.
AnalysisState ThreeRowState() {
  AnalysisState state;
  state.spectrum.file_name = "/data/run7/spec1.dat";
  state.spectrum.b1 = 100;
  state.spectrum.b2 = 900;
  state.spectrum.w1 = 2.5;
  state.spectrum.w2 = 3.25;
  state.marking.sens = 1.0;
  state.marking.resol = -1.0;
  state.peak_model.model_type = kModelGauss;
  state.results.norm_by_coefficient = true;
  SetRows(state, {{250.25, 0.05, 1234.4, 40.6, 2.75, 0.1, 25.5, 300.25},
                  {600.5, 0.2, 0.01, 0.02, 3.0, 0.25, 0.5, 12.0},
                  {1500.75, 1.5, 0.02, 0.0, 4.0, 0.0, -1.25, 12345678.5}});
  return state;
}

TEST(WriteSummaryTable, WithoutCalibrationWritesChannelsAndAreasNormalisedByTheCoefficient) {
  AnalysisState state = ThreeRowState();
  // clang-format off
  const std::string expected =
      kIndent + "SUMMARY TABLE.  2026-12-06 08:15:30\n" +
      "\n" +
      kIndent + "File             = /data/run7/spec1.dat\n" +
      kIndent + "Number of peaks  =   3  Peak model type  = Gauss\n" +
      kIndent + "Ncoef =     2.00\n" +
      kIndent + "Sens, Res =    1.000   -1.00\n" +
      kIndent + "Spectrum interval=     100    900\n" +
      kIndent + "Widths           =    2.500   3.250\n" +
      "\n"
      "   Channel  Energy     Area     Intensity    Width   Norm.area Crit/Back\n"
      "\n"
      "   250.25   250.25     1234          1234     2.75      617.20     25.50\n"
      "     0.05     0.05       41            41     0.10       20.30    300.25\n"
      "\n"
      "   600.50   600.50        0             0     3.00       0.005      0.50\n"
      "     0.20     0.20        0             0     0.25       0.010     12.00\n"
      "\n"
      "  1500.75  1500.75        0             0     4.00        0.01     -1.25\n"
      // A number too long for its field widens it, with one blank so it does not touch the last.
      "     1.50     1.50        0             0     0.00        0.00 12345678.50\n"
      "\n";
  // clang-format on
  EXPECT_EQ(Summary(state, 2.0), expected);
}

// Two rows 61 channels either side of 661.5: the later one, with area 0.5, is the normalisation
// peak, so Ak = 1 and dAk = 0.1. Energies E = 2 ch with a calibration error 0.3; efficiencies 0.5.
AnalysisState CalibratedLimState() {
  AnalysisState state;
  state.spectrum.file_name = "C:\\gamma\\s1.spe";
  state.spectrum.b1 = 1;
  state.spectrum.b2 = 4096;
  state.spectrum.w1 = 3.125;
  state.spectrum.w2 = 4.5;
  state.marking.sens = 0.75;
  state.marking.resol = 2.0;
  state.peak_model.model_type = kModelIaea;
  state.results.norm_by_coefficient = false;
  state.results.lim_format = true;
  testing::SetEnergyItems(state, {{100.0, 200.0, 0.3}, {1000.0, 2000.0, 0.3}}, 0);
  testing::SetEfficiencyItems(state, {{1.0, 0.5, 0.0}, {3000.0, 0.5, 0.0}});
  SetRows(state, {{600.5, 0.2, 3000.0, 50.0, 3.5, 0.05, 40.25, 150.25},
                  {722.5, 0.2, 0.5, 0.04, 3.75, 0.5, 0.25, 7.25}});
  return state;
}

TEST(WriteSummaryTable, CalibratedLimTableNormalisedToTheLaterOfTwoEquallyNearPeaks) {
  AnalysisState state = CalibratedLimState();
  // The Intensity column of the first line holds the background; the second keeps dI = 2 dA.
  // dE = sqrt(0.3^2 + (2 * 0.2)^2) = 0.5; dNorm of row 1 = 100 sqrt(50^2 + (3000 * 0.1)^2).
  // clang-format off
  const std::string expected =
      kIndent + "SUMMARY TABLE.  2026-12-06 08:15:30\n" +
      "\n" +
      kIndent + "File             = C:\\gamma\\s1.spe\n" +
      kIndent + "Number of peaks  =   2  Peak model type  = IAEA\n" +
      kIndent + "Peak_norm, chan. =          1.0  661.50\n" +
      kIndent + "Sens, Res =    0.750    2.00\n" +
      kIndent + "Spectrum interval=       1   4096\n" +
      kIndent + "Widths           =    3.125   4.500\n" +
      kIndent + "Energy calibration, 2 items.\n" +
      "  200.00 2000.00\n"
      "  100.00 1000.00\n" +
      kIndent + "Efficiency calibration, 2 items.\n" +
      "\n"
      "   Channel  Energy     Area     Intensity    Width   Norm.area Crit/Back\n"
      "\n"
      "   600.50  1201.00     3000           150     3.50   300000.00     40.25\n"
      "     0.20     0.50       50           100     0.05    30413.81    150.25\n"
      "\n"
      "   722.50  1445.00        0             7     3.75       50.00      0.25\n"
      "     0.20     0.50        0             0     0.50        6.40      7.25\n"
      "\n";
  // clang-format on
  EXPECT_EQ(Summary(state, 661.5), expected);
}

TEST(WriteSummaryTable, NormalisationPeakAmongRowsAt600And723_4AroundChannel661_7IsTheLater) {
  AnalysisState state;
  state.results.norm_by_coefficient = false;
  SetRows(state, {{600.0, 0.1, 800.0, 30.0, 3.0, 0.1, 20.0, 50.0},
                  {723.4, 0.1, 400.0, 20.0, 3.0, 0.1, 20.0, 50.0}});
  const std::string text = Summary(state, 661.7);
  EXPECT_NE(text.find(kIndent + "Peak_norm, chan. =        400.0  661.70\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("      200.00"), std::string::npos) << text;  // 800 / 400 * 100
}

// --- Save the Fit Results ------------------------------------------------------------------------

// The parts of the state that saving may change.
struct SavedState {
  ResultTable results;
  WorkFiles files;
  bool operator==(const SavedState&) const = default;
};
SavedState Snapshot(const AnalysisState& s) { return {s.results, s.files}; }

AnalysisState StateWithSpectrumIn(const testing::TempDir& dir) {
  AnalysisState state = ThreeRowState();
  state.spectrum.file_name = dir.File("s1.spe");
  state.results.result_offset = 2;
  state.files.name_list = {dir.File("s1.spe"), dir.File("s2.spe"), dir.File("s1.spe"),
                           dir.File("S1.spe")};
  state.files.name_count = 4;
  return state;
}

std::function<void(DialogContent&)> TickLim() {
  return [](DialogContent& dialog) { dialog.check_list.checked.at(0) = true; };
}

TEST(SaveSummaryTable, CancelAtAnyQuestionChangesNothing) {
  testing::TempDir dir;
  AnalysisState state = StateWithSpectrumIn(dir);
  const std::string old_file = dir.File("s1spe.res");
  testing::WriteFile(old_file, "earlier results\n");
  const SavedState before = Snapshot(state);

  ScriptedUi ui;
  ui.CancelDialog();                                           // the option dialog
  ui.AnswerDialog(TickLim()).CancelFile();                     // the file question
  ui.AnswerDialog(TickLim()).AnswerFile(old_file).AnswerNo();  // overwrite refused
  for (int attempt = 0; attempt < 3; ++attempt) SaveSummaryTable(ReportOf(state), ui);

  EXPECT_EQ(Snapshot(state), before);
  EXPECT_EQ(testing::ReadFile(old_file), "earlier results\n");
  EXPECT_TRUE(ui.notes().empty());
}

TEST(SaveSummaryTable, ConfirmedSaveWritesTheFileEmptiesTheCountersAndLeavesTheNameList) {
  testing::TempDir dir;
  AnalysisState state = StateWithSpectrumIn(dir);
  const std::string file = dir.File("s1spe.res");
  testing::WriteFile(file, "earlier results\n");
  AnalysisState expected_state = state;
  expected_state.results.lim_format = true;
  const std::string expected_body = Summary(expected_state, state.results.norm_coefficient);

  ScriptedUi ui;
  ui.AnswerDialog(TickLim()).AnswerFile(file).AnswerYes();
  SaveSummaryTable(ReportOf(state), ui);

  EXPECT_EQ(ui.dialogs().at(0).labels[0].text, "Saving 3 s1.spe peaks analyzed");
  const FileQuestion& question = ui.file_questions().at(0);
  EXPECT_EQ(std::filesystem::path(question.directory) / question.proposed_name,
            std::filesystem::path(file));
  EXPECT_EQ(ui.Texts(ScriptedUi::Event::Kind::kYesNo),
            std::vector<std::string>{file + " already exists.Overwrite?"});

  // The file holds the LIM table; only the date line differs from the stream version.
  const std::string written = testing::ReadFile(file);
  const std::size_t first_end = written.find('\n');
  ASSERT_NE(first_end, std::string::npos);
  EXPECT_TRUE(std::regex_match(written.substr(0, first_end),
                               std::regex(kIndent + "SUMMARY TABLE\\.  \\d{4}-\\d\\d-\\d\\d "
                                                    "\\d\\d:\\d\\d:\\d\\d")))
      << written.substr(0, first_end);
  EXPECT_EQ(written.substr(first_end), expected_body.substr(expected_body.find('\n')));

  EXPECT_EQ(state.results.result_count, 0);
  EXPECT_EQ(state.results.result_offset, 0);
  EXPECT_FALSE(state.results.results_unsaved);
  EXPECT_TRUE(state.results.lim_format);
  // Both entries of the spectrum go; a name differing only in case stays.
  EXPECT_EQ(state.files.name_list,
            (std::vector<std::string>{dir.File("s2.spe"), dir.File("S1.spe")}));
  EXPECT_EQ(state.files.name_count, 2);
  EXPECT_TRUE(ui.notes().empty());
}

TEST(SaveSummaryTable, FailedWriteIsReportedAndKeepsTableNamesAndTheEarlierFile) {
  testing::TempDir dir;
  AnalysisState state = StateWithSpectrumIn(dir);
  // An earlier summary file; a name inside it can never be created, not even by root.
  const std::string earlier = dir.File("s1spe.res");
  testing::WriteFile(earlier, "earlier results\n");
  const std::string impossible = earlier + "/new.res";
  const SavedState before = Snapshot(state);

  ScriptedUi ui;
  ui.AnswerDialog(TickLim()).AnswerFile(impossible);
  SaveSummaryTable(ReportOf(state), ui);
  // The earlier file, write-protected, is not replaced either.
  std::filesystem::permissions(earlier, std::filesystem::perms::owner_read);
  ui.AnswerDialog(TickLim()).AnswerFile(earlier).AnswerYes();
  SaveSummaryTable(ReportOf(state), ui);

  EXPECT_EQ(
      ui.notes(),
      (std::vector<std::string>{
          "Error, the file " + impossible + " could not be written: no such folder",
          "Error, the file " + earlier + " could not be written: s1spe.res is write-protected"}));
  EXPECT_EQ(Snapshot(state), before);
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(testing::ReadFile(earlier), "earlier results\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SaveSummaryTable, EmptyTableWritesNothingButStillEmptiesCountersAndTheNameEntry) {
  testing::TempDir dir;
  AnalysisState state = StateWithSpectrumIn(dir);
  state.results.result_count = 0;
  ScriptedUi ui;
  ui.AnswerDialog().AnswerFile(dir.File("s1spe.res"));
  SaveSummaryTable(ReportOf(state), ui);
  EXPECT_FALSE(std::filesystem::exists(dir.File("s1spe.res")));
  EXPECT_EQ(state.results.result_offset, 0);
  EXPECT_EQ(state.files.name_count, 2);
}

TEST(ProposedSummaryName, RemovesTheFirstDotOfTheFileNameOnly) {
  EXPECT_EQ(ProposedSummaryName("/data/a.b/spec.dat"), "/data/a.b/specdat.res");
  EXPECT_EQ(ProposedSummaryName("C:\\a.b\\spec.dat"), "C:\\a.b\\specdat.res");
  EXPECT_EQ(ProposedSummaryName("/data/a.b/spec"), "/data/a.b/spec.res");
  EXPECT_EQ(ProposedSummaryName("run.2024.spe"), "run2024.spe.res");
  EXPECT_EQ(ProposedSummaryName("spec"), "spec.res");
}

// --- Show Result Table and the row writer --------------------------------------------------------

TEST(ShowResultTable, ListsAtMost650RowsAndSaveAppendsTheListToTheDebugLogOnly) {
  AnalysisState state;
  std::vector<ResultRow> rows(700, ResultRow{250.25, 0.05, 1234.4, 40.6, 2.75, 0.1, 25.5, 300.25});
  SetRows(state, rows);
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& dialog) {
    PressSave(dialog);
    PressSave(dialog);
  });
  ShowResultTable(ReportOf(state), ui);

  const std::vector<std::string>& lines = ui.dialogs().at(0).list_box.lines;
  ASSERT_EQ(lines.size(), 3u * 650u);
  EXPECT_EQ(lines[0], " Peak   1    250.25  250.25    1234      1234    2.75    25.50");
  EXPECT_EQ(lines[1], " Errors        0.05    0.05      41        41    0.10   300.25");
  EXPECT_EQ(lines[2], " ");
  EXPECT_EQ(lines[3 * 649].substr(0, 9), " Peak 650");
  // The window's table: one row per peak, the errors beside the values, as the lines show them.
  const DialogListBox& list = ui.dialogs().at(0).list_box;
  ASSERT_EQ(list.rows.size(), 650u);
  EXPECT_EQ(list.columns.size(), 13u);
  EXPECT_EQ(list.rows[0],
            (std::vector<std::string>{"1", "250.25", "0.05", "250.25", "0.05", "1234", "41", "1234",
                                      "41", "2.75", "0.10", "25.50", "300.25"}));
  EXPECT_EQ(list.rows[649][0], "650");
  EXPECT_FALSE(ui.dialogs().at(0).labels[0].visible);  // the table has its own header

  std::string expected_log = std::string(19, ' ') + "Result Table\n";
  for (const std::string& line : lines) expected_log += line + "\n";
  EXPECT_EQ(state.debug_log->MemoryText(), expected_log);
  // The debug log is no result file: Exit must still ask about the results.
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(state.view.status_text,
            (std::array<std::string, 2>{"Table appended to the debug log a.res",
                                        "Results not saved yet"}));
}

TEST(ShowResultTable, WithoutSaveKeepsResultsUnsavedAndClearsTheStatus) {
  AnalysisState state;
  SetRows(state, {ResultRow{100, 0.1, 50, 5, 3, 0.1, 4, 10}});
  state.view.status_text = {"Fit done", "x"};
  ScriptedUi ui;
  ui.AnswerDialog();
  ShowResultTable(ReportOf(state), ui);
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(state.view.status_text, (std::array<std::string, 2>{"", ""}));
  EXPECT_EQ(state.debug_log->MemoryText(), "");
}

TEST(ShowResultTable, EmptyTableOnlySaysSo) {
  AnalysisState state;
  ScriptedUi ui;
  ShowResultTable(ReportOf(state), ui);
  EXPECT_EQ(ui.notes(), std::vector<std::string>{" No fitted peaks"});
  EXPECT_TRUE(ui.dialogs().empty());
}

TEST(StoreResultRow, RefusesRowsBeyondTheTableAndKeepsTheHighestIndex) {
  AnalysisState state;
  ScriptedUi ui;
  const ResultRow row{1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(StoreResultRow(state.results, ui, 1000, row));
  EXPECT_TRUE(StoreResultRow(state.results, ui, 3, row));
  EXPECT_EQ(state.results.result_count, 1000);
  EXPECT_TRUE(state.results.results_unsaved);
  EXPECT_EQ(state.results.result_rows[3], row);

  state.results.results_unsaved = false;
  EXPECT_FALSE(StoreResultRow(state.results, ui, 1001, ResultRow{9}));
  EXPECT_EQ(ui.notes(), std::vector<std::string>{"Error, too many peaks in the table"});
  EXPECT_EQ(state.results.result_count, 1000);
  EXPECT_FALSE(state.results.results_unsaved);
}

}  // namespace
}  // namespace pektra
