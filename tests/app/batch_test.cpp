// pektra-batch from the command line to the summary files.
#include "app/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "spectrum/synthetic_spectrum.h"
#include "support/batch_run.h"
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

using testing::Batch;
using testing::BatchRun;

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

// A spectrum whose summary table is not written fails, and an older table of its name is named
// as such: peaks marked but every interval too long to fit, and no peaks at all.
TEST(PektraBatch, ASpectrumWithoutASummaryTableFailsAndTheOlderTableIsNotTakenForItsResult) {
  testing::TempDir dir;
  std::string init = kInit;  // the marking exactly as given: no refinement by the fit
  init.insert(init.find(".......STOP"), ".......Refine the Peaks by the Fit\n    0\n");
  testing::WriteFile(dir.File("pektra.ini"), init);
  // One interval of 401 channels, longer than the longest fitted (128).
  testing::WriteFile(dir.File("long.mark"), "-100 300 -500\n");
  testing::WriteFile(dir.File("good.txt"), FreeField(Counts()));
  testing::WriteFile(dir.File("goodtxt.res"), "an older table\n");
  const BatchRun unfitted = Batch({"--init", dir.File("pektra.ini"), "--type", "3", "--marking",
                                   dir.File("long.mark"), dir.File("good.txt")});
  EXPECT_EQ(unfitted.status, 1) << unfitted.err;
  EXPECT_EQ(unfitted.out, "");
  EXPECT_NE(
      unfitted.err.find("good.txt: none of the 1 peak(s) found could be fitted; nothing saved"),
      std::string::npos)
      << unfitted.err;
  EXPECT_NE(unfitted.err.find("good.txt: the older summary table " + dir.File("goodtxt.res") +
                              " was left as it was; it is not a result of this run"),
            std::string::npos)
      << unfitted.err;
  EXPECT_EQ(testing::ReadFile(dir.File("goodtxt.res")), "an older table\n");

  std::string flat = "* counts\n";
  for (int c = 0; c < 2048; ++c) flat += "100\n";
  testing::WriteFile(dir.File("flat.txt"), flat);
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  const BatchRun no_peaks =
      Batch({"--init", dir.File("pektra.ini"), "--type", "3", dir.File("flat.txt")});
  EXPECT_EQ(no_peaks.status, 1) << no_peaks.err;
  EXPECT_NE(no_peaks.err.find("flat.txt: no peaks found; nothing saved"), std::string::npos)
      << no_peaks.err;
  EXPECT_EQ(no_peaks.err.find("older summary table"), std::string::npos) << no_peaks.err;
}

// Two spectra that would be saved under one name, or a summary table that would replace a file
// the run reads, stop the run before anything is analysed or written.
TEST(PektraBatch, SpectraThatWouldShareASummaryFileAreRefusedBeforeAnyAnalysis) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  const std::string text = FreeField(Counts());
  std::filesystem::create_directory(dir.File("a"));
  std::filesystem::create_directory(dir.File("b"));
  std::filesystem::create_directory(dir.File("o"));
  for (const char* name : {"a/x.txt", "b/x.txt", "spec.dat", "specdat", "spe.cdat", "y.txt"}) {
    testing::WriteFile(dir.File(name), text);
  }
  const std::string init = dir.File("pektra.ini");
  const BatchRun folders = Batch({"--init", init, "--type", "3", "--out", dir.File("o"),
                                  dir.File("a/x.txt"), dir.File("b/x.txt")});
  EXPECT_EQ(folders.status, 2);
  EXPECT_NE(folders.err.find(dir.File("a/x.txt") + " and " + dir.File("b/x.txt") +
                             " would both be saved as " + dir.File("o") + "/xtxt.res"),
            std::string::npos)
      << folders.err;
  EXPECT_NE(folders.err.find("nothing was analysed"), std::string::npos) << folders.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("o")));

  const BatchRun names = Batch({"--init", init, "--type", "3", dir.File("spec.dat"),
                                dir.File("specdat"), dir.File("spe.cdat"), dir.File("y.txt")});
  EXPECT_EQ(names.status, 2);
  for (const char* other : {"specdat", "spe.cdat"}) {
    EXPECT_NE(names.err.find(dir.File("spec.dat") + " and " + dir.File(other) +
                             " would both be saved as " + dir.File("specdat.res")),
              std::string::npos)
        << names.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("specdat.res")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("ytxt.res")));

  // The same file by two spellings, and a summary table that would replace a spectrum.
  const std::string twice = dir.path().string() + "/a/../a/x.txt";
  EXPECT_EQ(Batch({"--init", init, "--type", "3", dir.File("a/x.txt"), twice}).status, 2);
  testing::WriteFile(dir.File("ytxt.res"), text);
  const BatchRun input =
      Batch({"--init", init, "--type", "3", dir.File("ytxt.res"), dir.File("y.txt")});
  EXPECT_EQ(input.status, 2);
  EXPECT_NE(input.err.find("the summary table of " + dir.File("y.txt") +
                           " would replace the input file " + dir.File("ytxt.res")),
            std::string::npos)
      << input.err;
  EXPECT_EQ(testing::ReadFile(dir.File("ytxt.res")), text);
}

// Runs in the folder given while it lives, then goes back.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

// "--" ends the options; the line of a spectrum saved goes to standard output, everything else
// (the window's messages, failures, the run's summary) to standard error.
TEST(PektraBatch, SavedSpectraAreReportedOnStandardOutputAndEverythingElseOnStandardError) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  testing::WriteFile(dir.File("-dash.txt"), FreeField(Counts()));
  testing::WriteFile(dir.File("good.txt"), FreeField(Counts()));
  InFolder in_folder(dir.path());
  const BatchRun run = Batch({"--type", "3", "--", "-dash.txt", "good.txt", "--type"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "[1/3] -dash.txt: 4 peak(s) found, 4 row(s) saved in -dashtxt.res\n"
            "[2/3] good.txt: 4 peak(s) found, 4 row(s) saved in goodtxt.res\n");
  EXPECT_NE(run.err.find("--type: No file --type\n[3/3] --type: FAILED, skipped\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("pektra-batch: 2 of 3 spectra analysed\n"), std::string::npos);
  EXPECT_EQ(run.err.find("saved in"), std::string::npos) << run.err;
  EXPECT_EQ(SummaryPeaks(testing::ReadFile(dir.File("-dashtxt.res"))), 4);
}

TEST(PektraBatch, SaysHowManyRowsAreFlaggedOnlyWhenThereAreAny) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("c.txt"), FreeField(Counts()));
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  const BatchRun plain =
      Batch({"--init", dir.File("pektra.ini"), "--type", "3", dir.File("c.txt")});
  EXPECT_NE((plain.out + plain.err).find("4 row(s) saved in " + dir.File("ctxt.res") + "\n"),
            std::string::npos)
      << plain.out << plain.err;

  // Widths of at most w1 + delta_w = 3 channels for peaks of 4.
  std::string narrow = kInit;
  narrow.replace(narrow.find("    4.000   4.0000    1.000"), 27, "    2.500   2.5000    0.500");
  testing::WriteFile(dir.File("narrow.ini"), narrow);
  const BatchRun run = Batch({"--init", dir.File("narrow.ini"), "--type", "3", dir.File("c.txt")});
  EXPECT_NE(
      (run.out + run.err)
          .find("4 row(s) saved in " + dir.File("ctxt.res") + " (4 flagged: 4 at a width limit)\n"),
      std::string::npos)
      << run.out << run.err;
  const std::string summary = testing::ReadFile(dir.File("ctxt.res"));
  EXPECT_NE(summary.find("  W\n"), std::string::npos) << summary;
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

TEST(PektraBatch, BlundersAreCorrectedBeforeMarkingWithTheInitFilesSettings) {
  testing::TempDir dir;
  std::vector<double> counts = Counts();
  counts[199] = 5000;  // channels 200 and 1300: single-channel spikes on the background
  counts[1299] = 4000;
  testing::WriteFile(dir.File("spikes.xy"), XY(counts));
  const std::string settings =
      ".......Set the Analysis Bounds\n       2    2047\n"
      ".......Enter the Width Information\n    4.000   4.0000    1.000\n"
      ".......Mark the Spectrum\n    0    1.00   -1.00    0\n";
  // Order 200: the spikes, not the noise (order 10 also takes 2.5σ fluctuations).
  testing::WriteFile(dir.File("plain.ini"), settings + ".......ORDER\n 200\n.......STOP\n");
  testing::WriteFile(dir.File("strict.ini"), settings + ".......ORDER\n 1000000\n.......STOP\n");
  const std::string spectrum = dir.File("spikes.xy");

  const BatchRun corrected =
      Batch({"--init", dir.File("plain.ini"), "--type", "4", "--blunders", spectrum});
  EXPECT_EQ(corrected.status, 0) << corrected.err;
  EXPECT_NE(corrected.err.find("spikes.xy: 2 blunders corrected (Channel 200 (5000 -> "),
            std::string::npos)
      << corrected.err;
  EXPECT_NE(corrected.err.find("), 1300 (4000 -> "), std::string::npos) << corrected.err;
  EXPECT_EQ(corrected.err.find("more"), std::string::npos) << corrected.err;
  EXPECT_EQ(SummaryPeaks(testing::ReadFile(dir.File("spikesxy.res"))), 4);

  const BatchRun strict =
      Batch({"--init", dir.File("strict.ini"), "--type", "4", "--blunders", spectrum});
  EXPECT_NE(strict.err.find("spikes.xy: 0 blunders corrected\n"), std::string::npos) << strict.err;
  const BatchRun without = Batch({"--init", dir.File("plain.ini"), "--type", "4", spectrum});
  EXPECT_EQ(without.err.find("blunders"), std::string::npos) << without.err;
}

}  // namespace
}  // namespace pektra
