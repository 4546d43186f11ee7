#include "core/safe_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "support/test_files.h"

namespace pektra {
namespace {

int FilesIn(const std::filesystem::path& dir) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++count;
  return count;
}

TEST(WriteFileAtomically, ReplacesFileOnlyWhenEverythingWasWritten) {
  testing::TempDir dir;
  const std::string file = dir.File("results.res");
  testing::WriteFile(file, "old results\n");

  EXPECT_FALSE(WriteFileAtomically(file, [](std::ostream& out) {
    out << "half of the new";
    out.setstate(std::ios::badbit);  // as a full disk does
  }));
  EXPECT_FALSE(WriteFileAtomically(file, [](std::ostream& out) {
    out << "half of the new";
    throw std::runtime_error("writer failed");
  }));
  EXPECT_EQ(testing::ReadFile(file), "old results\n");
  EXPECT_EQ(FilesIn(dir.path()), 1);  // no temporary file left behind

  EXPECT_TRUE(WriteFileAtomically(file, [](std::ostream& out) { out << "new results\n"; }));
  EXPECT_EQ(testing::ReadFile(file), "new results\n");
  EXPECT_EQ(FilesIn(dir.path()), 1);
}

TEST(WriteFileAtomically, FailsWithoutCreatingAnythingWhenFolderIsMissing) {
  testing::TempDir dir;
  const std::string file = dir.File("missing/results.res");
  EXPECT_FALSE(WriteFileAtomically(file, [](std::ostream& out) { out << "x"; }));
  EXPECT_EQ(FilesIn(dir.path()), 0);
}

}  // namespace
}  // namespace pektra
