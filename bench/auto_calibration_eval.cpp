// Not a benchmark: the automatic energy calibration on measured spectra. Each spectrum is read and
// marked automatically (the preset search, widths of the detector in channels), then calibrated
// with its source's lines, by the stated pattern and by the best of every candidate pattern.
// Printed per spectrum: the number of peaks marked, the program's largest discrepancy D at its
// items, and the largest deviation from the calibration documented with the file at every
// reference line in range.
//   auto_calibration_eval [TESTDATA_FOLDER]
#include <algorithm>
#include <cmath>
#include <cstdio>
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

namespace {

using namespace pektra;

struct Case {
  const char* file;
  CalibrationSource source;
  int channels;
  double c0, c1, c2;  // documented: E = c0 + c1 i + c2 i², i = channel − 1
  double w1, w2;      // FWHM at the first and the last channel
};

const Case kCases[] = {
    {"eu152/eu_calib_7cm.counts.txt", CalibrationSource::kEu152, 16384, 0.33973, 0.18297, 5.5683e-9,
     5.0, 14.0},
    {"eu152/eu152p1.counts.txt", CalibrationSource::kEu152, 8192, 5.134, 0.249174, 0, 3.5, 10.0},
    {"iaea2002/maritsmall60.counts.txt", CalibrationSource::kEu152, 4096, 8.093975, 0.436772, 0,
     2.2, 5.0},
    {"iaea2002/mix2neq6.counts.txt", CalibrationSource::kRa226, 4096, 8.093975, 0.436772, 0, 2.2,
     5.0},
    {"background/NAA_cave_background_May2017.counts.txt", CalibrationSource::kRa226, 16384,
     -0.035087, 0.1828039, -6.86613e-10, 5.0, 14.0},
};

double Documented(const Case& c, double channel) {
  const double i = channel - 1.0;
  return c.c0 + c.c1 * i + c.c2 * i * i;
}

// The largest |LinearEnergy(c) − E| at the channels c where the documented calibration gives
// the reference lines E in range.
double DeviationFromDocumented(const Case& c, const EnergyCalibration& enc, double emax) {
  double worst = 0.0;
  for (const double e : ReferenceLines(c.source)) {
    if (e > emax) continue;
    double lo = 1, hi = c.channels;
    for (int k = 0; k < 60; ++k) {
      const double mid = (lo + hi) / 2;
      (Documented(c, mid) < e ? lo : hi) = mid;
    }
    worst = std::max(worst, std::fabs(LinearEnergy(enc, lo) - e));
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string data = std::string(argc > 1 ? argv[1] : "../shared/testdata") + "/spectra/";
  for (const Case& c : kCases) {
    AnalysisState state;
    std::ostringstream init;
    init << ".......Input the Spectrum\n    1 " << c.channels << "  3  0  0\n"
         << data << c.file << "\n.......Set the Analysis Bounds\n 20 " << c.channels - 10
         << "\n.......Enter the Width Information\n " << c.w1 << " " << c.w2 << " 1.0\n";
    std::istringstream in(init.str());
    ReadInitFile(in, state);
    SilentUserInterface ui({true, true, true});
    if (!FinishSpectrumInput(SpectrumInputOf(state), ui,
                             ReadSpectrum(SpectrumInputOf(state), ui))) {
      std::printf("%-50s not read\n", c.file);
      continue;
    }
    MarkSpectrum(MarkingOf(state), ui);
    std::vector<double> peaks;
    for (int k = 1; k <= state.marking.peak_count; ++k) peaks.push_back(state.marking.peak_list[k]);
    std::sort(peaks.begin(), peaks.end());
    const double emax = Documented(c, c.channels);
    const double emin = 100.0;

    auto report = [&](const char* how, const AutoCalibrationRun& run) {
      std::printf("  %-9s pattern %4d  gain %.5f  D %8.3f keV  from documented %8.3f keV%s\n", how,
                  run.pattern, run.gain, run.discrepancy,
                  DeviationFromDocumented(c, state.enc, emax),
                  run.status == AutoCalibrationRun::Status::kDone ? "" : "  FAILED");
      if (argc > 2) {
        for (int i = 1; i <= state.enc.enc_count; ++i) {
          const auto& item = state.enc.enc_points[i];
          std::printf("    %9.3f %9.2f %9.3f doc %9.3f\n", item[1], item[0],
                      LinearEnergy(state.enc, item[0]), Documented(c, item[0]));
        }
      }
    };
    std::printf("%s: %zu peaks marked, lines up to %.0f keV\n", c.file, peaks.size(), emax);
    if (argc > 2) {
      for (const double p : peaks) std::printf(" %.1f(%.1f)", p, Documented(c, p));
      std::printf("\n");
    }
    report("stated",
           RunAutoCalibration(CalibrationsOf(state), peaks, c.source, emin, emax, nullptr));
    report("fall-back",
           RunAutoCalibrationFallback(CalibrationsOf(state), peaks, c.source, emin, emax));
  }
  return 0;
}
