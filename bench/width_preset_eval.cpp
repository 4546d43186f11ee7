// Not a benchmark: the area pulls of the spectrum fit under the two presets of the width line, on
// seeded synthetic spectra of 16384 channels whose width grows from 3.0 to 7.9 channels. With
// width_by_channel 0 every interval starts at w1 and its width may not exceed w1 + delta_w; with 1
// every interval starts at the width line's value there (the preset of pektra-batch).
//   width_preset_eval [spectra]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/silent_user_interface.h"
#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

class QuietUi : public SilentUserInterface {
 public:
  QuietUi() : SilentUserInterface({true, false, true}) {}
};

RandomSpectrumOptions Options(std::uint32_t seed) {
  RandomSpectrumOptions o;
  o.seed = seed;
  o.channels = 16384;
  o.isolated_peaks = 200;
  o.doublets = 20;
  o.fwhm_first = 3.0;
  o.fwhm_last = 7.9;
  o.area_min = 300;
  o.area_max = 1e5;
  o.background_first = 2000;
  o.background_last = 50;
  o.isolation = 5.0;
  return o;
}

void Measure(int spectra, int by_channel, double delta_w) {
  std::vector<double> pulls;
  for (int s = 1; s <= spectra; ++s) {
    const RandomSpectrumOptions options = Options(static_cast<std::uint32_t>(s));
    const RandomSpectrumResult random = RandomSpectrum(options);
    AnalysisState state;
    LoadIntoSpectrum(GenerateCounts(random.spec), state.spectrum);
    state.spectrum.file_type = kFreeField;
    state.spectrum.a2 = options.channels;
    state.spectrum.b1 = 2;
    state.spectrum.b2 = options.channels - 1;
    state.spectrum.w1 = RandomSpectrumFwhm(options, 2);
    state.spectrum.w2 = RandomSpectrumFwhm(options, options.channels - 1);
    state.spectrum.delta_w = delta_w;
    state.width.width_slope = (state.spectrum.w2 - state.spectrum.w1) / (options.channels - 3);
    state.width.width_offset = state.spectrum.w1 - 2 * state.width.width_slope;
    state.fit.width_by_channel = by_channel;
    state.spectrum.ApplyVarianceFormula(state.processing.covar);
    QuietUi ui;
    MarkSpectrum(MarkingOf(state), ui);
    FitSpectrum(FitOf(state), ui);
    for (int k = 0; k < random.isolated_peaks; ++k) {
      const SyntheticPeak& truth = random.spec.peaks[static_cast<std::size_t>(k)];
      if (truth.area <= 1000) continue;
      int best = 0;
      for (int j = 1; j <= state.marking.peak_count && j <= state.results.result_count; ++j) {
        const double d = std::fabs(state.results.result_rows[j][0] - truth.channel);
        if (d < 0.5 * truth.fwhm &&
            (best == 0 || d < std::fabs(state.results.result_rows[best][0] - truth.channel))) {
          best = j;
        }
      }
      if (best == 0 || state.results.result_rows[best][3] <= 0) continue;
      const ResultRow& row = state.results.result_rows[best];
      pulls.push_back((row[2] - truth.area) / row[3]);
    }
  }
  double mean = 0, square = 0;
  for (const double p : pulls) mean += p;
  mean /= static_cast<double>(std::max<std::size_t>(1, pulls.size()));
  for (const double p : pulls) square += (p - mean) * (p - mean);
  std::printf("width_by_channel %d, delta_w %.0f: %zu peaks, area pulls mean %.2f, sd %.2f\n",
              by_channel, delta_w, pulls.size(), mean,
              std::sqrt(square / static_cast<double>(std::max<std::size_t>(2, pulls.size()) - 1)));
}

}  // namespace

int main(int argc, char** argv) {
  const int spectra = argc > 1 ? std::atoi(argv[1]) : 5;
  for (const int by_channel : {0, 1}) {
    for (const double delta_w : {3.0, 6.0}) Measure(spectra, by_channel, delta_w);
  }
  return 0;
}
