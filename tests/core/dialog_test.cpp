#include "core/dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "core/debug_log.h"
#include "support/test_files.h"

namespace pektra {
namespace {

TEST(FormatGridCell, WholeNumbersPlainOthersGeneralAndExponentWhenTooWide) {
  EXPECT_EQ(FormatGridCell(8, 3.0), "       3");
  EXPECT_EQ(FormatGridCell(8, 1.25), "1.250000");
  EXPECT_EQ(FormatGridCell(8, 1.0e12), "0.1000000+13");
}

TEST(DebugLog, UnwritableFolderFallsBackToMemory) {
  DebugLog log("/nonexistent-folder-for-pektra/a.res");
  log.WriteLine("kept");
  EXPECT_EQ(log.MemoryText(), "kept\n");
}

TEST(DebugLog, TheLogOfTheRunBeforeIsKept) {
  testing::TempDir dir;
  const std::string name = dir.File("a.res");
  testing::WriteFile(name, "table saved in run 1\n");
  { DebugLog run2(name); }  // nothing traced
  EXPECT_EQ(testing::ReadFile(name), "");
  EXPECT_EQ(testing::ReadFile(name + ".1"), "table saved in run 1\n");
  { DebugLog run3(name); }  // an empty log does not push the kept one out
  EXPECT_EQ(testing::ReadFile(name + ".1"), "table saved in run 1\n");

  // Where the old log cannot be moved aside, the new run is appended to it.
  testing::WriteFile(name, "table saved in run 3\n");
  std::filesystem::remove(name + ".1");
  std::filesystem::create_directories(name + ".1/in the way");
  {
    DebugLog run4(name);
    run4.WriteLine("trace of run 4");
  }
  EXPECT_TRUE(std::regex_match(
      testing::ReadFile(name),
      std::regex("table saved in run 3\n\\* ---- new run [-0-9]+ [:0-9]+ ----\ntrace of run 4\n")))
      << testing::ReadFile(name);
}

}  // namespace
}  // namespace pektra
