#include "core/dialog.h"

#include <gtest/gtest.h>

#include "core/debug_log.h"

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

}  // namespace
}  // namespace pektra
