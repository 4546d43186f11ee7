// pektra-batch with the real peak model of a channel range and the automatic energy calibration.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/batch.h"
#include "spectrum/synthetic_spectrum.h"
#include "support/batch_run.h"
#include "support/test_files.h"

namespace pektra {
namespace {

// The Eu152 lines at 0.5 keV per channel above 10 keV on a falling background.
std::string EuSpectrum() {
  SyntheticSpec recipe;
  recipe.channels = 4096;
  recipe.seed = 152;
  recipe.background = {400, 900, 20};
  const double lines[][2] = {{121.78, 28.5}, {244.70, 7.6},  {344.28, 26.6},  {411.12, 2.2},
                             {778.90, 12.9}, {964.08, 14.6}, {1085.84, 10.1}, {1408.01, 21.0}};
  for (const auto& [energy, intensity] : lines) {
    recipe.peaks.push_back({(energy - 10.0) / 0.5, 3000.0 * intensity, 4.5});
  }
  std::string text;
  for (const double c : GenerateCounts(recipe)) text += std::to_string(static_cast<long>(c)) + "\n";
  return text;
}

using testing::Batch;

TEST(BatchModelAndCalibration, RealModelAndAutoCalibrationBeforeTheFit) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("eu.txt"), EuSpectrum());
  testing::WriteFile(dir.File("pektra.ini"),
                     ".......Set the Analysis Bounds\n 20 4080\n"
                     ".......Enter the Width Information\n 4.5 4.5 1.0\n.......STOP\n");
  const std::string init = dir.File("pektra.ini"), spectrum = dir.File("eu.txt");
  testing::BatchRun run = Batch({"--init", init, "--type", "3", "--model-range", "648", "620",
                                 "--auto-calibrate", "eu152", "--emax", "1410", spectrum});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Auto energy calibration: 7 lines, Max discrepancy(KeV)= "),
            std::string::npos)
      << run.err;
  // The energies of the summary table: 1408.01 keV among them.
  const std::string summary = testing::ReadFile(dir.File("eutxt.res"));
  EXPECT_NE(summary.find(" 1408.0"), std::string::npos) << summary;

  // A range without a peak: the message, the previous model, and the spectrum still analysed.
  run = Batch({"--init", init, "--type", "3", "--model-range", "3900", "3930", spectrum});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("eu.txt:  Too low statistics for model "), std::string::npos) << run.err;

  EXPECT_EQ(Batch({"--auto-calibrate", "Co60", spectrum}).status, 2);
  EXPECT_EQ(Batch({"--model-range", "100", "105", spectrum}).status, 2);
  EXPECT_EQ(Batch({"--emin", "x", spectrum}).status, 2);
}

}  // namespace
}  // namespace pektra
