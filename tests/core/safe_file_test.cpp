#include "core/safe_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

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

TEST(WriteFileAtomically, SaysWhyAWriteFailed) {
  testing::TempDir dir;
  std::string why;
  auto write_x = [](std::ostream& out) { out << "x"; };
  EXPECT_FALSE(WriteFileAtomically(dir.File("missing/results.res"), write_x, &why));
  EXPECT_EQ(why, "no such folder");

  testing::WriteFile(dir.File("plain"), "a file, not a folder\n");
  EXPECT_FALSE(WriteFileAtomically(dir.File("plain/results.res"), write_x, &why));
  EXPECT_EQ(why, "no such folder");

  std::filesystem::create_directory(dir.File("out.res"));
  EXPECT_FALSE(WriteFileAtomically(dir.File("out.res"), write_x, &why));
  EXPECT_EQ(why, "out.res is a directory");

  if (geteuid() != 0) {  // root may write anywhere
    std::filesystem::create_directory(dir.File("closed"));
    std::filesystem::permissions(dir.File("closed"), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_exec);
    EXPECT_FALSE(WriteFileAtomically(dir.File("closed/results.res"), write_x, &why));
    EXPECT_EQ(why, "permission denied");
    std::filesystem::permissions(dir.File("closed"), std::filesystem::perms::owner_all);
  }
}

TEST(WriteFileAtomically, LeavesAWriteProtectedFileAsItIs) {
  testing::TempDir dir;
  const std::string file = dir.File("s1spe.res");
  testing::WriteFile(file, "kept results\n");
  std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(
      file, [](std::ostream& out) { out << "new\n"; }, &why));
  EXPECT_EQ(why, "s1spe.res is write-protected");
  EXPECT_EQ(testing::ReadFile(file), "kept results\n");
  EXPECT_EQ(FilesIn(dir.path()), 1);
}

TEST(WriteFileAtomically, WritesNamesUpToTheFileNameLimit) {
  testing::TempDir dir;
  for (const std::size_t length : {243u, 250u, 255u}) {
    const std::string file = dir.File(std::string(length - 4, 'n') + ".res");
    EXPECT_TRUE(WriteFileAtomically(file, [](std::ostream& out) { out << "results\n"; })) << length;
    EXPECT_EQ(testing::ReadFile(file), "results\n");
  }
  EXPECT_EQ(FilesIn(dir.path()), 3);
}

TEST(WriteFileAtomically, RemovesTemporaryFilesOfKilledWritersOnly) {
  testing::TempDir dir;
  const auto set_age = [&](const std::string& name, std::chrono::minutes age) {
    testing::WriteFile(dir.File(name), "part of a summ");
    std::filesystem::last_write_time(dir.File(name),
                                     std::filesystem::file_time_type::clock::now() - age);
  };
  const std::string gone = ".pektra-999999999-";  // above any process id the system gives
  const std::string alive = ".pektra-" + std::to_string(getpid()) + "-";
  set_age(gone + "1.tmp", std::chrono::minutes(2));           // killed writer
  set_age(alive + "1.tmp", std::chrono::minutes(25 * 60));    // abandoned long ago
  set_age(gone + "2.tmp", std::chrono::minutes(0));           // perhaps still written
  set_age(alive + "2.tmp", std::chrono::minutes(30));         // its writer still runs
  set_age(".pektra-x-1.tmp", std::chrono::minutes(25 * 60));  // not ours
  set_age("notes.tmp", std::chrono::minutes(25 * 60));        // not ours

  ASSERT_TRUE(WriteFileAtomically(dir.File("s.res"), [](std::ostream& out) { out << "x"; }));
  std::set<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    left.insert(entry.path().filename().string());
  }
  EXPECT_EQ(left, (std::set<std::string>{gone + "2.tmp", alive + "2.tmp", ".pektra-x-1.tmp",
                                         "notes.tmp", "s.res"}));
}

}  // namespace
}  // namespace pektra
