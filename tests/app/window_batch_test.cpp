// The same analysis in the window (through the scripted port, with settings changed in the
// settings dialogs and saved with "Save the Init-file") and by pektra-batch with that init file
// gives the same summary table, apart from its date line.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/batch.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

std::string WithoutDate(const std::string& text) {
  std::istringstream in(text);
  std::string line, kept;
  while (std::getline(in, line)) {
    if (line.find("SUMMARY TABLE.") == std::string::npos) kept += line + "\n";
  }
  return kept;
}

TEST(WindowAndBatch, SavedInitFileRepeatsTheWindowsAnalysis) {
  testing::TempDir dir;
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.seed = 3;
  recipe.background = {400, 800, 50};
  for (const double c : {420.0, 610.0, 980.0, 1500.0}) recipe.peaks.push_back({c, 20000, 4.5});
  std::ostringstream text;
  for (const double count : GenerateCounts(recipe)) text << count << '\n';
  const std::string spectrum = dir.File("run.txt");
  testing::WriteFile(spectrum, text.str());

  AnalysisState state;
  state.files.work_dir = dir.path().string();
  ScriptedUi ui;
  CommandTable table(state, ui);
  ui.AnswerFile(spectrum).AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 2; });
  table.RunCaption("Input the Spectrum");
  ASSERT_EQ(state.spectrum.a2, 2048);
  // Settings away from their presets, in the dialogs.
  ui.AnswerDialog([](DialogContent& d) {
      d.grid.cells[2][0] = "5";      // b1
      d.grid.cells[3][0] = "2040";   // b2
      d.grid.cells[6][0] = "0.02";   // covar
      d.grid.cells[9][0] = "4.25";   // w1
      d.grid.cells[10][0] = "4.75";  // w2
    })
      .AnswerDialog([](DialogContent& d) {
        d.grid.cells[4][0] = "1.75";  // kWidth
        d.grid.cells[5][0] = "5";     // adInterv
      })
      .AnswerDialog([](DialogContent& d) {
        d.grid.cells[2][0] = "12";   // niter
        d.grid.cells[3][0] = "0.9";  // step
        d.grid.cells[5][0] = "1";    // background degree
      });
  table.RunCaption("Set the Spectrum Data");
  table.RunCaption("Set the Marking Data");
  table.RunCaption("Set the Fit Data");
  table.RunCaption("Set  Width Dependence");
  ui.AnswerDialog();
  table.RunCaption("Automatic Spectrum Marking");
  ASSERT_GE(state.marking.peak_count, 4) << state.view.status_text[0];
  table.RunCaption("Spectrum  Fit");
  const std::string window_table = dir.File("window.res");
  ui.AnswerDialog().AnswerFile(window_table);
  table.RunCaption("&Save the Fit Results");
  table.RunCaption("&Save the Init-file");
  ASSERT_TRUE(ui.AllAnswersUsed());
  const std::string saved_init = dir.File("pektra.tmp");
  ASSERT_TRUE(std::filesystem::exists(saved_init));

  const std::string out = dir.File("out");
  std::filesystem::create_directory(out);
  std::ostringstream batch_out, batch_err;
  ASSERT_EQ(RunBatch({"--init", saved_init, "--out", out, spectrum}, batch_out, batch_err), 0)
      << batch_err.str();
  const std::string window = testing::ReadFile(window_table);
  EXPECT_NE(window.find("SUMMARY TABLE."), std::string::npos);
  EXPECT_EQ(WithoutDate(testing::ReadFile(out + "/runtxt.res")), WithoutDate(window))
      << batch_err.str() << testing::ReadFile(saved_init);
}

}  // namespace
}  // namespace pektra
