#include "core/dialog.h"

#include <gtest/gtest.h>

#include "core/debug_log.h"
#include "support/test_files.h"

namespace pektra {
namespace {

TEST(FormatGridCell, WholeNumbersPlainOthersGeneralAndExponentWhenTooWide) {
  EXPECT_EQ(FormatGridCell(8, 3.0), "       3");
  EXPECT_EQ(FormatGridCell(8, 1.25), "1.250000");
  EXPECT_EQ(FormatGridCell(8, 1.0e12), "0.1000000+13");
}

TEST(OpenDialogForm, StartsWithEverythingHiddenAndOkSet) {
  const DialogContent dialog = OpenDialogForm("Correcting for blunders");
  EXPECT_TRUE(dialog.ok);
  for (const auto& label : dialog.labels) EXPECT_FALSE(label.visible);
  EXPECT_FALSE(dialog.memo.visible || dialog.check_list.visible || dialog.combo_box.visible ||
               dialog.list_box.visible || dialog.grid.visible || dialog.edit_line.visible ||
               dialog.choice_lists[0].visible || dialog.pictures[0].visible);
}

TEST(DebugLog, FileIsEmptiedAtCreationAndErasedWhenTiny) {
  testing::TempDir folder;
  const std::string name = folder.File("a.res");
  testing::WriteFile(name, "old trace from the last run\n");
  {
    DebugLog log(name);
    EXPECT_EQ(testing::ReadFile(name), "");
    log.WriteLine("ab");
    log.CloseAndEraseIfTiny();  // 3 bytes: deleted
  }
  EXPECT_FALSE(std::filesystem::exists(name));
  {
    DebugLog log(name);
    log.WriteLine("Iter.= 1");
    log.CloseAndEraseIfTiny();
  }
  EXPECT_EQ(testing::ReadFile(name), "Iter.= 1\n");
}

TEST(DebugLog, UnwritableFolderFallsBackToMemory) {
  DebugLog log("/nonexistent-folder-for-pektra/a.res");
  log.WriteLine("kept");
  EXPECT_EQ(log.MemoryText(), "kept\n");
}

}  // namespace
}  // namespace pektra
