// Accuracy of the whole analysis on seeded synthetic spectra (8192 channels, about 150 peaks,
// isolated ones and doublets, Gaussian peaks as the model, smooth background, Poisson noise):
// automatic marking as the window presets it, the spectrum fit, and for the isolated peaks with
// areas above 1000 counts the area pulls (fitted - true) / error and the position errors in FWHM.
// Then the throughput of pektra-batch -j 2 on 100 such spectra.
//   fit_accuracy_eval [spectra] [ndf]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch.h"
#include "core/silent_user_interface.h"
#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

// Confirms every dialog as preset and says nothing.
class QuietUi : public SilentUserInterface {
 public:
  QuietUi() : SilentUserInterface({true, false, true}) {}
};

RandomSpectrumOptions Options(std::uint32_t seed) {
  RandomSpectrumOptions o;
  o.seed = seed;
  o.channels = 8192;
  o.isolated_peaks = 120;
  o.doublets = 15;
  o.fwhm_first = 3.0;
  o.fwhm_last = 6.0;
  o.area_min = 300;
  o.area_max = 1e5;
  o.background_first = 2000;
  o.background_last = 50;
  o.isolation = 5.0;
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const int spectra = argc > 1 ? std::atoi(argv[1]) : 10;
  const int ndf = argc > 2 ? std::atoi(argv[2]) : 0;
  std::vector<double> pulls, position_errors;
  int isolated = 0, fitted = 0;
  for (int s = 1; s <= spectra; ++s) {
    const RandomSpectrumOptions options = Options(static_cast<std::uint32_t>(s));
    const RandomSpectrumResult random = RandomSpectrum(options);
    AnalysisState state;
    LoadIntoSpectrum(GenerateCounts(random.spec), state.spectrum);
    state.spectrum.file_type = kFreeField;
    state.spectrum.b1 = 2;
    state.spectrum.b2 = options.channels - 1;
    state.spectrum.w1 = RandomSpectrumFwhm(options, 2);
    state.spectrum.w2 = RandomSpectrumFwhm(options, options.channels - 1);
    state.spectrum.delta_w = 3.5;  // the default accuracy
    state.fit.width_by_channel = std::getenv("BY_CHANNEL") ? 1 : 0;
    state.spectrum.ApplyVarianceFormula(state.processing.covar);
    state.marking.ndf = ndf;
    QuietUi ui;
    MarkSpectrum(MarkingOf(state), ui);
    FitSpectrum(FitOf(state), ui);
    for (int k = 0; k < random.isolated_peaks; ++k) {
      const SyntheticPeak& truth = random.spec.peaks[static_cast<std::size_t>(k)];
      if (truth.area <= 1000) continue;
      ++isolated;
      int best = 0;
      for (int j = 1; j <= state.marking.peak_count && j <= state.results.result_count; ++j) {
        const double d = std::fabs(state.results.result_rows[j][0] - truth.channel);
        if (d < 0.5 * truth.fwhm &&
            (best == 0 || d < std::fabs(state.results.result_rows[best][0] - truth.channel))) {
          best = j;
        }
      }
      if (best == 0 || state.results.result_rows[best][3] <= 0) continue;
      ++fitted;
      const ResultRow& row = state.results.result_rows[best];
      pulls.push_back((row[2] - truth.area) / row[3]);
      position_errors.push_back(std::fabs(row[0] - truth.channel) / truth.fwhm);
    }
  }
  double mean = 0, square = 0, worst = 0, position_sum = 0;
  for (const double p : pulls) mean += p;
  mean /= std::max<std::size_t>(1, pulls.size());
  for (const double p : pulls) square += (p - mean) * (p - mean);
  for (const double e : position_errors) {
    worst = std::max(worst, e);
    position_sum += e;
  }
  std::printf(
      "%d spectra x 8192 channels (%s search): isolated peaks above 1000 counts %d, "
      "fitted %d\n",
      spectra, ndf ? "new" : "old", isolated, fitted);
  std::printf("area pulls: mean %.3f, sd %.3f; position error: mean %.3f FWHM, largest %.3f FWHM\n",
              mean, std::sqrt(square / std::max<std::size_t>(1, pulls.size() - 1)),
              position_sum / std::max<std::size_t>(1, position_errors.size()), worst);

  // pektra-batch -j 2 on 100 spectra.
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "pektra-throughput";
  std::filesystem::create_directories(work);
  std::vector<std::string> args{"--type", "3",           "-j",     "2",
                                "--out",  work.string(), "--init", (work / "pektra.ini").string()};
  std::ofstream((work / "pektra.ini").string())
      << ".......Set the Analysis Bounds\n       2    8191\n"
      << ".......Enter the Width Information\n    3.000   6.0000    3.500\n"
      << ".......Mark the Spectrum\n    0    1.00   -1.00  " << ndf << "\n.......STOP\n";
  for (int s = 1; s <= 100; ++s) {
    const std::string name = (work / ("s" + std::to_string(s) + ".txt")).string();
    const std::vector<double> counts = GenerateCounts(RandomSpectrum(Options(1000 + s)).spec);
    std::ofstream out(name);
    for (const double c : counts) out << static_cast<long long>(c) << '\n';
    args.push_back(name);
  }
  std::ostringstream out, err;
  const auto start = std::chrono::steady_clock::now();
  const int status = RunBatch(args, out, err);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "pektra-batch -j 2, 100 spectra of 8192 channels: %.2f s (%.1f spectra/s), "
      "status %d\n",
      seconds, 100 / seconds, status);
  std::filesystem::remove_all(work);
  return 0;
}
