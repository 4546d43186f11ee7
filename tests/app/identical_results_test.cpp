// The summary tables of whole analyses against tables stored in tests/data/results: a change that
// alters any result (a digit of an area, a peak more or less) shows here. The stored tables are
// written by running this test with PEKTRA_WRITE_RESULTS=1 (see tests/data/results/README.md);
// only the date line is left out of the comparison.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch.h"
#include "spectrum/synthetic_spectrum.h"
#include "support/test_files.h"

namespace pektra {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// The table without its first line (the title with the date).
std::string WithoutDate(const std::string& table) {
  const std::size_t end = table.find('\n');
  return end == std::string::npos ? std::string() : table.substr(end + 1);
}

// Runs pektra-batch with `args` in the folder `out` and compares the summary table `table` written
// into `out` with the stored table `stored` (or stores it when PEKTRA_WRITE_RESULTS is set).
void RunAndCompare(std::vector<std::string> args, const fs::path& out, const std::string& table,
                   const std::string& stored) {
  SCOPED_TRACE(stored);
  // From the folder of the files, so that the table names them as given, without a folder.
  const fs::path before = fs::current_path();
  fs::current_path(out);
  std::ostringstream stdout_text, stderr_text;
  const int status = RunBatch(args, stdout_text, stderr_text);
  fs::current_path(before);
  ASSERT_EQ(status, 0) << stderr_text.str();
  const std::string got = ReadFile((out / table).string());
  ASSERT_FALSE(got.empty());
  const fs::path stored_path = fs::path(PEKTRA_RESULTS_DIR) / stored;
  if (std::getenv("PEKTRA_WRITE_RESULTS") != nullptr) {
    WriteFile(stored_path.string(), "(date)\n" + WithoutDate(got));
    return;
  }
  const std::string want = ReadFile(stored_path.string());
  ASSERT_FALSE(want.empty()) << "no stored table " << stored_path;
  if (WithoutDate(got) == WithoutDate(want)) return;
  // Name the first line that differs.
  std::istringstream a(WithoutDate(got)), b(WithoutDate(want));
  std::string line_a, line_b;
  int line = 1;
  while (std::getline(a, line_a) && std::getline(b, line_b) && line_a == line_b) ++line;
  ADD_FAILURE() << "line " << line + 1 << " differs:\n  now:    " << line_a
                << "\n  stored: " << line_b;
}

// A seeded random spectrum written as a text file of counts.
void WriteRandomSpectrum(const std::string& file, const RandomSpectrumOptions& options) {
  const std::vector<double> counts = GenerateCounts(RandomSpectrum(options).spec);
  std::string text = "* synthetic spectrum\n";
  for (const double c : counts) text += std::to_string(static_cast<long long>(c)) + "\n";
  WriteFile(file, text);
}

std::string InitFile(int channels, double w1, double w2, int ndf, int model) {
  std::ostringstream init;
  init << ".......Set the Analysis Bounds\n       2    " << channels - 1 << "\n"
       << ".......Enter the Width Information\n    " << w1 << "   " << w2 << "    3.5\n"
       << ".......Mark the Spectrum\n    0    1.00   -1.00    " << ndf << "\n"
       << ".......Set the Peak Model\n"
       << model << "\n"
       << ".......Maximum Interval\n  128\n.......STOP\n";
  return init.str();
}

TEST(IdenticalResults, ExampleSpectraGiveTheStoredTables) {
  TempDir dir;
  for (const char* name : {"eu152like.txt", "eu152short.spe", "doublets.xy", "pektra.ini"}) {
    fs::copy_file(fs::path(PEKTRA_EXAMPLES_DIR) / name, dir.path() / name);
  }
  const std::string init = dir.File("pektra.ini");
  RunAndCompare({"--init", init, "eu152like.txt"}, dir.path(), "eu152liketxt.res",
                "eu152liketxt.res");
  RunAndCompare({"--init", init, "--type", "1", "eu152short.spe"}, dir.path(), "eu152shortspe.res",
                "eu152shortspe.res");
  RunAndCompare({"--init", init, "--type", "4", "doublets.xy"}, dir.path(), "doubletsxy.res",
                "doubletsxy.res");
}

// Spectra like those of the benchmarks and evaluation programs: both searches, the three peak
// models, doublets and a Compton step.
TEST(IdenticalResults, SyntheticSpectraGiveTheStoredTables) {
  struct Case {
    const char* name;
    std::uint32_t seed;
    int channels, isolated, doublets, ndf, model;
    double step;
  };
  const Case cases[] = {
      {"random8192old", 1, 8192, 120, 15, 0, 1, 0.0},
      {"random8192new", 2, 8192, 120, 15, 1, 1, 0.0},
      {"random16384", 3, 16384, 260, 20, 0, 1, 0.5},
      {"model3", 4, 4096, 40, 10, 1, 3, 0.5},
      {"model7", 5, 4096, 40, 10, 0, 7, 0.0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    RandomSpectrumOptions options;
    options.seed = c.seed;
    options.channels = c.channels;
    options.isolated_peaks = c.isolated;
    options.doublets = c.doublets;
    options.doublet_separation_max = 3.0;
    options.area_min = 300;
    options.isolation = 5.0;
    options.compton_step = c.step;
    const std::string spectrum = std::string(c.name) + ".txt";
    WriteRandomSpectrum(dir.File(spectrum), options);
    WriteFile(dir.File("init.ini"),
              InitFile(c.channels, RandomSpectrumFwhm(options, 2),
                       RandomSpectrumFwhm(options, c.channels - 1), c.ndf, c.model));
    RunAndCompare({"--init", dir.File("init.ini"), spectrum}, dir.path(),
                  std::string(c.name) + "txt.res", std::string(c.name) + ".res");
  }
}

// The IAEA 2002 reference spectrum, when the shared reference data are there; the stored table
// holds only this program's results.
TEST(IdenticalResults, ReferenceSpectrumGivesTheStoredTable) {
  const std::string counts = testing::SharedTestData("spectra/iaea2002/mix2neq6.counts.txt");
  if (counts.empty()) GTEST_SKIP() << "shared reference data absent";
  TempDir dir;
  fs::copy_file(counts, dir.path() / "mix2neq6.counts.txt");
  for (const int ndf : {0, 1}) {
    std::ostringstream init;
    init << ".......Set the Analysis Bounds\n      40    4090\n"
         << ".......Enter the Width Information\n    2.200   5.0000    1.000\n"
         << ".......Enter Data for ENergy Calibration\n    2  1  1\n"
         << "   533.830   238.632     0.010\n  1390.110   609.312     0.010\n"
         << ".......Mark the Spectrum\n    0    1.00   -1.00  " << ndf << "\n"
         << ".......Maximum Interval\n  128\n.......STOP\n";
    WriteFile(dir.File("init.ini"), init.str());
    RunAndCompare({"--type", "3", "--init", dir.File("init.ini"), "mix2neq6.counts.txt"},
                  dir.path(), "mix2neq6counts.txt.res",
                  ndf ? "iaea2002new.res" : "iaea2002old.res");
  }
}

}  // namespace
}  // namespace pektra
