// Forming the real peak model from a 40-channel peak, and the automatic energy calibration with 60
// marked peaks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "calib/auto_calibration.h"
#include "model/real_model.h"

namespace {

using namespace pektra;

void BM_FormRealModel40Channels(benchmark::State& bench) {
  TSpectrum spectrum;
  for (int c = 1; c <= 200; ++c) {
    spectrum.counts[c] = 40.0 + 8000.0 * std::exp(-std::pow((c - 100.3) / 3.2, 2));
    spectrum.errors[c] = std::sqrt(spectrum.counts[c]);
  }
  NumericWork work;
  for (auto _ : bench) {
    TPeakModel model;
    benchmark::DoNotOptimize(FormRealModelFromRange(model, spectrum, work, 20.0, 80, 119, -1));
  }
}
BENCHMARK(BM_FormRealModel40Channels)->Unit(benchmark::kMicrosecond);

// 60 marked peaks: the Ra226 lines at 1 keV per channel among 53 others.
std::vector<double> SixtyPeaks() {
  std::vector<double> peaks;
  for (const double e : {186.1, 241.9, 295.2, 352.0, 609.4, 1120.0, 1764.0}) peaks.push_back(e);
  for (int k = 0; k < 53; ++k) peaks.push_back(400.0 + 37.3 * k);
  std::sort(peaks.begin(), peaks.end());
  return peaks;
}

void BM_AutoCalibration60Peaks(benchmark::State& bench) {
  const std::vector<double> peaks = SixtyPeaks();
  EnergyCalibration enc;
  EfficiencyCalibration efc;
  NumericWork work;
  const Calibrations cal{enc, efc, work};
  for (auto _ : bench) {
    benchmark::DoNotOptimize(
        RunAutoCalibration(cal, peaks, CalibrationSource::kRa226, 100, 1770, nullptr));
  }
}
BENCHMARK(BM_AutoCalibration60Peaks)->Unit(benchmark::kMicrosecond);

// The same peaks through the fall-back over every group spaced as the lines.
void BM_AutoCalibrationFallback60Peaks(benchmark::State& bench) {
  const std::vector<double> peaks = SixtyPeaks();
  EnergyCalibration enc;
  EfficiencyCalibration efc;
  NumericWork work;
  const Calibrations cal{enc, efc, work};
  for (auto _ : bench) {
    benchmark::DoNotOptimize(
        RunAutoCalibrationFallback(cal, peaks, CalibrationSource::kRa226, 100, 1770));
  }
}
BENCHMARK(BM_AutoCalibrationFallback60Peaks)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
