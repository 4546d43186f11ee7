// pektra-batch from the command line to the summary files.
#include "app/batch.h"

#include <gtest/gtest.h>

#include <sstream>

#include "spectrum/synthetic_spectrum.h"
#include "support/test_files.h"

namespace pektra {
namespace {

// A spectrum of 2048 channels with four clear peaks.
std::vector<double> Counts() {
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.seed = 11;
  recipe.background = {300, 800, 30};
  for (const double c : {300.0, 700.0, 1100.0, 1500.0}) recipe.peaks.push_back({c, 20000, 4});
  return GenerateCounts(recipe);
}

std::string Binary(const std::vector<double>& counts, int bytes) {
  std::string data;
  for (const double c : counts) {
    const auto value = static_cast<std::uint32_t>(c);
    for (int b = 0; b < bytes; ++b) data += static_cast<char>((value >> (8 * b)) & 0xFF);
  }
  return data;
}

std::string FreeField(const std::vector<double>& counts) {
  std::string text = "* counts\n";
  for (const double c : counts) text += std::to_string(static_cast<long>(c)) + "\n";
  return text;
}

std::string XY(const std::vector<double>& counts) {
  std::string text;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    text += std::to_string(i + 1) + " " + std::to_string(static_cast<long>(counts[i])) + "\n";
  }
  return text;
}

const char* const kInit =
    ".......Set the Analysis Bounds\n       2    2047\n"
    ".......Enter the Width Information\n    4.000   4.0000    1.000\n"
    ".......Mark the Spectrum\n    0    1.00   -1.00    0\n"
    ".......STOP\n";

struct BatchRun {
  int status = 0;
  std::string out, err;
};

BatchRun Batch(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  BatchRun run;
  run.status = RunBatch(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// The number of peak lines in a summary file (two lines and an empty line per peak after the
// column line).
int SummaryPeaks(const std::string& text) {
  const std::size_t columns = text.find("   Channel  Energy     Area");
  if (columns == std::string::npos) return -1;
  int lines = 0;
  std::istringstream in(text.substr(columns));
  std::string line;
  while (std::getline(in, line)) ++lines;
  return (lines - 2) / 3;
}

TEST(PektraBatch, EveryFileTypeGoesThroughToItsSummaryTable) {
  testing::TempDir dir;
  const std::vector<double> counts = Counts();
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  testing::WriteFile(dir.File("a.spe"), Binary(counts, 2));
  testing::WriteFile(dir.File("b.spe"), Binary(counts, 4));
  testing::WriteFile(dir.File("c.txt"), FreeField(counts));
  testing::WriteFile(dir.File("d.xy"), XY(counts));
  const std::string init = dir.File("pektra.ini");
  const std::string out = dir.File("out");
  std::filesystem::create_directory(out);
  const char* types[] = {"1", "2", "3", "4"};
  const char* names[] = {"a.spe", "b.spe", "c.txt", "d.xy"};
  const char* results[] = {"aspe.res", "bspe.res", "ctxt.res", "dxy.res"};
  for (int k = 0; k < 4; ++k) {
    const BatchRun run =
        Batch({"--init", init, "--type", types[k], "--out", out, dir.File(names[k])});
    EXPECT_EQ(run.status, 0) << names[k] << ": " << run.err;
    const std::string summary = testing::ReadFile(out + "/" + results[k]);
    EXPECT_EQ(SummaryPeaks(summary), 4) << names[k] << ":\n" << summary << run.err;
  }
  // The fitted positions and areas of the text reading (true: 300, 700, 1100, 1500; area 20000).
  const std::string text = testing::ReadFile(out + "/ctxt.res");
  EXPECT_NE(text.find("   300.00   300.00    19926"), std::string::npos) << text;
}

TEST(PektraBatch, FailuresAreReportedWithoutLosingTheOtherSpectra) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  testing::WriteFile(dir.File("good.txt"), FreeField(Counts()));
  testing::WriteFile(dir.File("words.txt"), "no numbers here\n");
  testing::WriteFile(dir.File("list"), dir.File("missing.txt") + "\n\n  " + dir.File("words.txt") +
                                           "\n" + dir.File("good.txt") + "\n");
  const BatchRun run = Batch(
      {"--init", dir.File("pektra.ini"), "--type", "3", "-j", "2", "--list", dir.File("list")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing.txt: No file " + dir.File("missing.txt")), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("words.txt: ++++ Error, wrong reading"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("1 of 3 spectra analysed"), std::string::npos) << run.err;
  EXPECT_EQ(SummaryPeaks(testing::ReadFile(dir.File("goodtxt.res"))), 4);

  const BatchRun bad_init = Batch({"--init", dir.File("nothing.ini"), dir.File("good.txt")});
  EXPECT_EQ(bad_init.status, 2);
  EXPECT_NE(bad_init.err.find("No file " + dir.File("nothing.ini")), std::string::npos);
  EXPECT_EQ(Batch({"--type", "9", "x"}).status, 2);
  EXPECT_EQ(Batch({}).status, 2);
  const BatchRun help = Batch({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: pektra-batch"), std::string::npos);
}

TEST(PektraBatch, RefusedInitValuesAreSaidOnceAndTheAnalysisRunsWithTheKeptOnes) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("bad.ini"),
                     ".......Set the Analysis Bounds\n       2    2047\n"
                     ".......Enter the Width Information\n    4.000   4.0000    1.000\n"
                     ".......Degree of the Background\n-2147483649\nNITER\n1e300\n"
                     ".......Mark the Spectrum\n    0    0.00   -1.00    0\n");
  testing::WriteFile(dir.File("a.txt"), FreeField(Counts()));
  testing::WriteFile(dir.File("b.txt"), FreeField(Counts()));
  const BatchRun run = Batch({"--init", dir.File("bad.ini"), "--type", "3", "-j", "2",
                              dir.File("a.txt"), dir.File("b.txt")});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string prefix = "pektra-batch: " + dir.File("bad.ini") + ": ";
  for (const std::string message : {"dback -2147483649 refused, allowed -3 to 3; -3 kept",
                                    "NITER 1e+300 refused, allowed 1 to 1000; 7 kept",
                                    "sens 0 refused, allowed above 0; 1 kept"}) {
    const std::size_t at = run.err.find(prefix + message + "\n");
    EXPECT_NE(at, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(message, at + prefix.size() + 1), std::string::npos)
        << run.err;  // once only
  }
  EXPECT_EQ(run.err.find("Erroneous"), std::string::npos) << run.err;
  for (const char* summary : {"atxt.res", "btxt.res"}) {
    const std::string text = testing::ReadFile(dir.File(summary));
    EXPECT_EQ(SummaryPeaks(text), 4) << text;
    EXPECT_NE(text.find("Sens, Res =    1.000"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace pektra
