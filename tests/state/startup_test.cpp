#include "state/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(StartUp, ReadsDisplaySettingsThenDefaultsThenTheInitFileAndStartsANewLog) {
  TempDir dir;
  const std::string work = dir.path().string();
  WriteFile(dir.File("pektra.fn"),
            "Lab PC\n    1.2500 *scrsize\n        12 *fntsize\n0 *RusHelp\n");
  WriteFile(dir.File("pektra.ini"), ".......Maximum Interval\n200\n.......STEP\n0.5\n");
  WriteFile(dir.File("a.res"), "trace of the last run\n");

  auto state = std::make_unique<AnalysisState>();
  state->fit.niter = 3;  // changed before start: the defaults come back
  StartUp(*state, work);

  EXPECT_EQ(state->files.work_dir, work);
  EXPECT_EQ(state->files.ini_path, dir.File("pektra.ini"));
  EXPECT_EQ(state->input.spectrum_dir, work);
  EXPECT_EQ(state->display.settings_title, "Lab PC");
  EXPECT_EQ(state->display.screen_scale, 1.25);
  EXPECT_EQ(state->display.font_size, 12);
  EXPECT_FALSE(state->display.rus_help);
  EXPECT_EQ(state->fit.niter, 7);
  EXPECT_EQ(state->marking.max_interval, 200);
  EXPECT_EQ(state->fit.step, 0.5);
  EXPECT_EQ(ReadFile(dir.File("a.res")), "");
  EXPECT_EQ(ReadFile(dir.File("a.res.1")), "trace of the last run\n");  // kept, not emptied
  state->debug_log->WriteLine("search trace");
  state->debug_log->Flush();
  EXPECT_EQ(ReadFile(dir.File("a.res")), "search trace\n");
}

TEST(StartUp, ReturnsTheValuesTheInitFileGaveAndThatWereRefused) {
  TempDir dir;
  WriteFile(dir.File("pektra.ini"), ".......Maximum Interval\n200\nSTEP\n-0.5\nNITER\n9\n");
  auto state = std::make_unique<AnalysisState>();
  EXPECT_EQ(StartUp(*state, dir.path().string()),
            std::vector<std::string>{"STEP -0.5 refused, allowed above 0 up to 1; 0.99 kept"});
  EXPECT_EQ(state->fit.step, 0.99);
  EXPECT_EQ(state->fit.niter, 9);
}

TEST(StartUp, WithoutWorkFilesTheStartValuesStand) {
  TempDir dir;
  auto state = std::make_unique<AnalysisState>();
  state->display.screen_scale = 1.5;
  state->display.font_size = 14;
  StartUp(*state, dir.path().string());
  EXPECT_EQ(state->display.screen_scale, 1.0);
  EXPECT_EQ(state->display.font_size, 10);
  EXPECT_EQ(state->marking.max_interval, 128);
  EXPECT_TRUE(std::filesystem::exists(dir.File("a.res")));
}

TEST(Exit, UnsavedResultsAndNoChangeNothingYesWritesTheDisplaySettings) {
  TempDir dir;
  auto state = std::make_unique<AnalysisState>();
  StartUp(*state, dir.path().string());
  state->results.results_unsaved = true;
  state->view.debug_mode = true;
  state->display = {1.1, 9, false, "desk"};

  testing::ScriptedUi ui;
  ui.AnswerNo().AnswerYes();
  EXPECT_FALSE(RequestExit(*state, ui));
  EXPECT_FALSE(std::filesystem::exists(dir.File("pektra.fn")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("a.res")));
  EXPECT_TRUE(state->results.results_unsaved);

  EXPECT_TRUE(RequestExit(*state, ui));
  EXPECT_EQ(ui.Texts(testing::ScriptedUi::Event::Kind::kYesNo),
            (std::vector<std::string>{"Results not saved. Quit?", "Results not saved. Quit?"}));
  EXPECT_EQ(ReadFile(dir.File("pektra.fn")),
            "desk\n    1.1000 *scrsize\n         9 *fntsize\n         0 *RusHelp\n");
  // Debug mode was on and nothing was traced: the empty log goes.
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.res")));
}

TEST(Exit, ARunWithoutDebugModeLeavesAnEmptyLog) {
  TempDir dir;
  auto state = std::make_unique<AnalysisState>();
  StartUp(*state, dir.path().string());
  testing::ScriptedUi ui;
  EXPECT_TRUE(RequestExit(*state, ui));
  state.reset();
  EXPECT_TRUE(std::filesystem::exists(dir.File("a.res")));
  EXPECT_EQ(ReadFile(dir.File("a.res")), "");
  EXPECT_TRUE(std::filesystem::exists(dir.File("pektra.fn")));
}

}  // namespace
}  // namespace pektra
