// pektra-batch without a spectrum type: the init file, the content, or an error.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "app/batch.h"
#include "spectrum/synthetic_spectrum.h"
#include "support/batch_run.h"
#include "support/test_files.h"

namespace pektra {
namespace {

// Runs in `folder` (where a pektra.ini would be looked for) and returns to the folder before.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder)
      : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(before_); }

 private:
  std::filesystem::path before_;
};

using testing::Batch;
using testing::BatchRun;

// 2048 channels with four clear peaks, as counts per line, as X Y lines and as 16-bit words.
std::vector<double> Counts() {
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.seed = 5;
  recipe.background = {300, 800, 30};
  for (const double c : {300.0, 700.0, 1100.0, 1500.0}) recipe.peaks.push_back({c, 20000, 4});
  return GenerateCounts(recipe);
}

void WriteSpectra(const testing::TempDir& dir) {
  std::string counts = "* counts\n", xy = "Channel Counts\n", words;
  int channel = 0;
  for (const double c : Counts()) {
    const long n = static_cast<long>(c);
    counts += std::to_string(n) + "\n";
    xy += std::to_string(++channel) + " " + std::to_string(n) + "\n";
    words += std::string{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF)};
  }
  testing::WriteFile(dir.File("c.txt"), counts);
  testing::WriteFile(dir.File("d.xy"), xy);
  testing::WriteFile(dir.File("a.spe"), words);
  testing::WriteFile(dir.File("pairs.txt"), "5 7\n3 9\n8 1\n");
}

// Messages and results, wherever each goes.
bool Has(const BatchRun& run, const std::string& text) {
  return (run.out + run.err).find(text) != std::string::npos;
}

TEST(BatchSpectrumType, TextTypesComeFromTheContentWhenNeitherInitFileNorOptionGivesThem) {
  testing::TempDir dir;
  WriteSpectra(dir);
  InFolder here(dir.path());  // no pektra.ini here

  BatchRun run = Batch({"c.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Has(run, "c.txt: type 3 (ASCII counts) taken from the content")) << run.err;
  EXPECT_TRUE(Has(run, "c.txt: 4 peak(s) found, 4 row(s) saved in ctxt.res")) << run.err;

  // An init file that sets no type leaves it to the content as well.
  testing::WriteFile(dir.File("bounds.ini"), ".......Set the Analysis Bounds\n 2 2047\n");
  run = Batch({"--init", "bounds.ini", "d.xy"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Has(run, "d.xy: type 4 (ASCII lines of X, Y) taken from the content")) << run.err;
  EXPECT_TRUE(Has(run, "d.xy: 4 peak(s) found, 4 row(s) saved in dxy.res")) << run.err;

  run = Batch({"a.spe", "pairs.txt"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run,
                  "a.spe: binary file of unknown type: give --type 1 (2 bytes per word) or "
                  "--type 2 (4 bytes per word)"))
      << run.err;
  EXPECT_TRUE(Has(run,
                  "pairs.txt: lines of two or three numbers without a steadily growing X: "
                  "give --type 3 (counts) or --type 4 (X, Y)"))
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("aspe.res")));

  run = Batch({"--type", "1", "a.spe"});
  EXPECT_EQ(run.status, 0) << run.err;
}

TEST(BatchSpectrumType, AnInitFileThatCannotBeUsedIsAnError) {
  testing::TempDir dir;
  WriteSpectra(dir);
  InFolder here(dir.path());
  std::filesystem::create_directory(dir.File("folder.ini"));
  testing::WriteFile(dir.File("empty.ini"), "");

  BatchRun run = Batch({"--init", "folder.ini", "c.txt"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run, "pektra-batch: folder.ini is a directory, not an init file")) << run.err;
  run = Batch({"--init", "empty.ini", "c.txt"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run, "pektra-batch: the init file empty.ini is empty")) << run.err;
  std::filesystem::create_directory(dir.File("pektra.ini"));
  run = Batch({"c.txt"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run, "pektra-batch: pektra.ini is a directory, not an init file")) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("ctxt.res")));

  if (::geteuid() != 0) {  // the superuser reads every file
    testing::WriteFile(dir.File("locked.ini"), ".......STOP\n");
    ::chmod(dir.File("locked.ini").c_str(), 0);
    run = Batch({"--init", "locked.ini", "c.txt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "pektra-batch: cannot read locked.ini: permission denied")) << run.err;
  }
}

}  // namespace
}  // namespace pektra
