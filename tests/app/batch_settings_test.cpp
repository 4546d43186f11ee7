// pektra-batch --set: settings by their init-file names after the init file, refused before any
// analysis when the name or the value is wrong; --list with the window's reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/batch.h"
#include "spectrum/synthetic_spectrum.h"
#include "support/batch_run.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::Batch;

std::string Spectrum() {
  SyntheticSpec recipe;
  recipe.channels = 1024;
  recipe.seed = 5;
  recipe.background = {200, 500, 40};
  for (const double c : {250.0, 600.0}) recipe.peaks.push_back({c, 15000, 4});
  std::string text;
  for (const double c : GenerateCounts(recipe)) text += std::to_string(static_cast<long>(c)) + "\n";
  return text;
}

TEST(BatchSettings, WrongNamesAndValuesEndTheRunWithStatusTwo) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("s.txt"), Spectrum());
  const std::string s = dir.File("s.txt");
  const testing::BatchRun unknown = Batch({"--type", "3", "--set", "WIDTH=1", s});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("--set WIDTH=1: no setting of that name"), std::string::npos)
      << unknown.err;
  const testing::BatchRun unreadable = Batch({"--type", "3", "--set", "kwidth=two", s});
  EXPECT_EQ(unreadable.status, 2);
  EXPECT_EQ(unreadable.err, "pektra-batch: wrong value for --set KWIDTH: two\n");
  const testing::BatchRun empty = Batch({"--type", "3", "--set", "NITER=", s});
  EXPECT_EQ(empty.status, 2);
  const testing::BatchRun outside =
      Batch({"--type", "3", "--set", "WIDTHBYCH=0", "--set", "KWIDTH=0", s});
  EXPECT_EQ(outside.status, 2);
  EXPECT_EQ(outside.err, "pektra-batch: --set KWIDTH 0 refused, allowed above 0; 2 kept\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("stxt.res")));
}

TEST(BatchSettings, SettingsApplyAfterTheInitFileAndTheListIsReadLikeTheWindows) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("s.txt"), Spectrum());
  testing::WriteFile(dir.File("pektra.ini"),
                     ".......Set the Analysis Bounds\n2 1023\n"
                     ".......Enter the Width Information\n4 4 1\n"
                     ".......NITER\n1\n.......STOP\n");
  testing::WriteFile(dir.File("list"), "\n   " + dir.File("s.txt") + "\n\n");
  const std::string init = dir.File("pektra.ini");
  const std::string out = dir.File("out");
  std::filesystem::create_directory(out);
  // One iteration from the init file, then 20 by --set: the result of 20 iterations.
  const testing::BatchRun set =
      Batch({"--init", init, "--type", "3", "--out", out, "--set", "NITER=20", "--set",
             "widthbych=0", "--list", dir.File("list")});
  ASSERT_EQ(set.status, 0) << set.err;
  const std::string with_set = testing::ReadFile(out + "/stxt.res");
  testing::WriteFile(init,
                     ".......Set the Analysis Bounds\n2 1023\n"
                     ".......Enter the Width Information\n4 4 1\n"
                     ".......NITER\n20\n.......WIDTHBYCH\n0\n.......STOP\n");
  const testing::BatchRun plain =
      Batch({"--init", init, "--type", "3", "--out", out, dir.File("s.txt")});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::string in_file = testing::ReadFile(out + "/stxt.res");
  // Equal apart from the date line.
  auto without_date = [](const std::string& text) {
    std::istringstream in(text);
    std::string line, kept;
    while (std::getline(in, line)) {
      if (line.find("SUMMARY TABLE.") == std::string::npos) kept += line + "\n";
    }
    return kept;
  };
  EXPECT_EQ(without_date(with_set), without_date(in_file));
}

}  // namespace
}  // namespace pektra
