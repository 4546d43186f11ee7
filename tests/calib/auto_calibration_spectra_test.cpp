// The automatic energy calibration on measured spectra (skipped when the shared reference data
// are absent): after automatic marking, the source's lines must be found among the many other
// peaks and the calibration must agree with the lines and with the one documented with the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "calib/auto_calibration.h"
#include "core/silent_user_interface.h"
#include "marking/marking.h"
#include "spectrum/spectrum_input.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/init_file.h"
#include "support/test_files.h"

namespace pektra {
namespace {

struct MeasuredSpectrum {
  const char* file;
  CalibrationSource source;
  int channels;
  double c0, c1, c2;  // documented: E = c0 + c1 i + c2 i², i = channel − 1
  double w1, w2;      // FWHM (channels) at the first and the last channel
};

double Documented(const MeasuredSpectrum& m, double channel) {
  const double i = channel - 1.0;
  return m.c0 + m.c1 * i + m.c2 * i * i;
}

// The spectrum read, marked with the preset search over all its channels, and calibrated.
void CalibrateMeasured(const MeasuredSpectrum& m) {
  const std::string file = testing::SharedTestData(std::string("spectra/") + m.file);
  if (file.empty()) GTEST_SKIP() << "shared test data absent";
  AnalysisState state;
  std::ostringstream init;
  init << ".......Input the Spectrum\n    1 " << m.channels << "  3  0  0\n"
       << file << "\n.......Set the Analysis Bounds\n 20 " << m.channels - 10
       << "\n.......Enter the Width Information\n " << m.w1 << " " << m.w2 << " 1.0\n";
  std::istringstream in(init.str());
  ReadInitFile(in, state);
  SilentUserInterface ui({true, true, true});
  ASSERT_TRUE(
      FinishSpectrumInput(SpectrumInputOf(state), ui, ReadSpectrum(SpectrumInputOf(state), ui)));
  MarkSpectrum(MarkingOf(state), ui);
  std::vector<double> peaks;
  for (int k = 1; k <= state.marking.peak_count; ++k) peaks.push_back(state.marking.peak_list[k]);
  std::sort(peaks.begin(), peaks.end());

  const double emax = std::min(1770.0, Documented(m, m.channels));
  bool fell_back = false;
  const AutoCalibrationRun run = CalibrateWithFallback(CalibrationsOf(state), peaks, m.source,
                                                       100.0, emax, nullptr, &fell_back);
  ASSERT_EQ(run.status, AutoCalibrationRun::Status::kDone) << run.message;
  const EnergyCalibration& enc = state.enc;
  EXPECT_GE(enc.enc_count, static_cast<int>(ReferenceLinesIn(m.source, 100, emax).size()) - 1);
  EXPECT_LE(run.discrepancy, 0.5);
  // Against the documented calibration: as close as that one comes to the lines itself.
  for (int i = 1; i <= enc.enc_count; ++i) {
    const double channel = enc.enc_points[i][0], energy = enc.enc_points[i][1];
    const double documented_off = std::fabs(Documented(m, channel) - energy);
    EXPECT_LE(std::fabs(LinearEnergy(enc, channel) - Documented(m, channel)), documented_off + 0.5)
        << energy;
  }
  std::cout << m.file << ": D = " << run.discrepancy << " keV"
            << (fell_back ? " (other pattern)" : "") << '\n';
}

TEST(AutoCalibrationMeasured, Eu152AtSevenCentimetres) {
  CalibrateMeasured({"eu152/eu_calib_7cm.counts.txt", CalibrationSource::kEu152, 16384, 0.33973,
                     0.18297, 5.5683e-9, 5.0, 14.0});
}
TEST(AutoCalibrationMeasured, Eu152Point1) {
  CalibrateMeasured(
      {"eu152/eu152p1.counts.txt", CalibrationSource::kEu152, 8192, 5.134, 0.249174, 0, 3.5, 10.0});
}
TEST(AutoCalibrationMeasured, MaritSource) {
  CalibrateMeasured({"iaea2002/maritsmall60.counts.txt", CalibrationSource::kEu152, 4096, 8.093975,
                     0.436772, 0, 2.2, 5.0});
}
TEST(AutoCalibrationMeasured, Mix2neq6Ra226Progeny) {
  CalibrateMeasured({"iaea2002/mix2neq6.counts.txt", CalibrationSource::kRa226, 4096, 8.093975,
                     0.436772, 0, 2.2, 5.0});
}
TEST(AutoCalibrationMeasured, CaveBackgroundRa226Progeny) {
  CalibrateMeasured({"background/NAA_cave_background_May2017.counts.txt", CalibrationSource::kRa226,
                     16384, -0.035087, 0.1828039, -6.86613e-10, 5.0, 14.0});
}

}  // namespace
}  // namespace pektra
