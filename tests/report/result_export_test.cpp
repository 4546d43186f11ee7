// The results for other programs and the facts of a standard spectrum file in the summary table.
#include "report/result_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "report/result_table.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"
#include "support/test_files.h"

namespace pektra {
namespace {

AnalysisState TwoRows(const std::string& spectrum_file) {
  AnalysisState state;
  state.spectrum.file_name = spectrum_file;
  state.results.norm_by_coefficient = true;
  state.results.result_count = testing::Fill(state.results.result_rows,
                                             {{250.25, 0.05, 1234.4, 40.6, 2.75, 0.1, 25.5, 300.25},
                                              {600.5, 0.2, 10.0, 0.02, 3.0, 0.25, 0.5, 12.0}});
  state.results.results_unsaved = true;
  return state;
}

TEST(ResultExport, TheSummaryHeaderNamesLiveTimeAndStartDateOnlyWhenKnown) {
  AnalysisState state = TwoRows("/d/s.Chn");
  std::ostringstream plain;
  WriteSummaryTable(plain, ReportOf(state), 1.0, "now");
  EXPECT_EQ(plain.str().find("Live time"), std::string::npos);
  EXPECT_EQ(plain.str().find("Start date"), std::string::npos);

  state.spectrum.facts.live_time = 353.02;
  state.spectrum.facts.start_date = "2002-11-07 18:30:00";
  std::ostringstream with_facts;
  WriteSummaryTable(with_facts, ReportOf(state), 1.0, "now");
  const std::string indent(20, ' ');
  EXPECT_NE(with_facts.str().find(indent + "File             = /d/s.Chn\n" + indent +
                                  "Live time        = 353.02 s\n" + indent +
                                  "Start date       = 2002-11-07 18:30:00\n" + indent +
                                  "Number of peaks  ="),
            std::string::npos)
      << with_facts.str();
}

TEST(ResultExport, CsvQuotesAsRfc4180AndSitsBesideTheSummaryFile) {
  std::ostringstream out;
  ExportedPeak peak;
  peak.channel = 1.5;
  peak.energy = -0.0;
  peak.area = 1e20;
  peak.flags = "a,b\"c";
  WriteResultsCsv(out, {peak});
  EXPECT_EQ(out.str(),
            std::string(kResultsCsvHeader) + "\r\n1.5,0,0,0,1e+20,0,0,0,0,0,0,\"a,b\"\"c\"\r\n");
  EXPECT_EQ(ResultsPathBeside("/d/sspe.res", "csv"), "/d/sspe.csv");
  EXPECT_EQ(ResultsPathBeside("/d.res/table", "json"), "/d.res/table.json");
}

TEST(ResultExport, SaveTheFitResultsWritesTheCsvOnlyWhenAsked) {
  testing::TempDir dir;
  for (const bool asked : {false, true}) {
    AnalysisState state = TwoRows(dir.File("s1.spe"));
    testing::ScriptedUi ui;
    ui.AnswerDialog([asked](DialogContent& dialog) {
        ASSERT_EQ(dialog.check_list.items.size(), 2u);
        EXPECT_EQ(dialog.check_list.items[1], " CSV file beside it (NAME.csv)");
        dialog.check_list.checked.at(1) = asked;
      }).AnswerFile(dir.File("s1spe.res"));
    if (asked) ui.AnswerYes();  // the summary file of the first round is replaced
    SaveSummaryTable(ReportOf(state), ui);
    EXPECT_EQ(state.view.dialog_ok, 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("s1spe.res")));
    EXPECT_EQ(std::filesystem::exists(dir.File("s1spe.csv")), asked);
    EXPECT_TRUE(ui.notes().empty());
  }
  // An existing CSV file is replaced only when the user agrees.
  {
    AnalysisState state = TwoRows(dir.File("s1.spe"));
    testing::WriteFile(dir.File("s1spe.csv"), "mine\n");
    testing::ScriptedUi ui;
    ui.AnswerDialog([](DialogContent& dialog) { dialog.check_list.checked.at(1) = true; })
        .AnswerFile(dir.File("s1spe.res"))
        .AnswerYes()
        .AnswerNo();
    SaveSummaryTable(ReportOf(state), ui);
    EXPECT_EQ(testing::ReadFile(dir.File("s1spe.csv")), "mine\n");
    EXPECT_TRUE(ui.AllAnswersUsed());
  }
  AnalysisState state = TwoRows(dir.File("s1.spe"));
  testing::ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& dialog) { dialog.check_list.checked.at(1) = true; })
      .AnswerFile(dir.File("s1spe.res"))
      .AnswerYes()
      .AnswerYes();
  SaveSummaryTable(ReportOf(state), ui);
  const std::string csv = testing::ReadFile(dir.File("s1spe.csv"));
  EXPECT_EQ(csv, std::string(kResultsCsvHeader) +
                     "\r\n250.25,0.05,250.25,0.05,1234.4,40.6,1234.4,40.6,2.75,0.1,25.5,\r\n"
                     "600.5,0.2,600.5,0.2,10,0.02,10,0.02,3,0.25,0.5,\r\n");
}

}  // namespace
}  // namespace pektra
