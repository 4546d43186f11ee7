#include "ui/test_spectra.h"

#include <filesystem>

#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"

namespace pektra {

namespace {

// Lines (keV, relative intensity) on a 0.5 keV per channel scale with a 300 keV efficiency knee.
struct Source {
  std::vector<std::pair<double, double>> lines;
  int channels;
  double strength;
  std::uint32_t seed;
};

const std::vector<Source>& Sources() {
  static const std::vector<Source> sources = {
      {{{121.78, 28.5},
        {244.70, 7.6},
        {344.28, 26.6},
        {411.12, 2.2},
        {443.96, 3.1},
        {778.90, 12.9},
        {867.38, 4.2},
        {964.08, 14.6},
        {1085.84, 10.1},
        {1112.08, 13.7},
        {1408.01, 21.0}},
       4096,
       3000.0,
       152},
      {{{45.3, 1.3}, {60.0, 1.2}, {86.55, 30.7}, {105.31, 21.2}}, 2048, 6000.0, 155},
      {{{186.21, 3.6},
        {241.99, 7.3},
        {295.22, 18.4},
        {351.93, 35.6},
        {609.31, 45.5},
        {768.36, 4.9},
        {934.06, 3.1},
        {1120.29, 14.9},
        {1238.11, 5.8},
        {1377.67, 4.0},
        {1764.49, 15.3}},
       4096,
       2500.0,
       226},
      {{{1173.23, 99.85}, {1332.49, 99.98}}, 4096, 20000.0, 60},
  };
  return sources;
}

}  // namespace

const std::vector<TestSpectrum>& TestSpectra() {
  static const std::vector<TestSpectrum> spectra = {
      {"Set Eu152 Spectrum", "eu152.tst", 4.5},
      {"Set Eu155 Spectrum", "eu155.tst", 3.5},
      {"Set Ra226 Spectrum", "ra226.tst", 4.5},
      {"Set Co60 Spectrum", "co60.tst", 5.0},
  };
  return spectra;
}

void LoadTestSpectrum(AnalysisState& state, int index) {
  const TestSpectrum& test = TestSpectra().at(static_cast<std::size_t>(index));
  const Source& source = Sources().at(static_cast<std::size_t>(index));
  SyntheticSpec recipe;
  recipe.channels = source.channels;
  recipe.seed = source.seed;
  recipe.background = {1200.0, source.channels / 5.0, 30.0,
                       120.0,  source.channels * 0.3, source.channels / 100.0};
  for (const auto& [energy, intensity] : source.lines) {
    const double channel = energy / 0.5;
    if (channel >= source.channels - 20) continue;
    const double efficiency = 1.0 / (1.0 + energy / 300.0);
    const double fwhm = test.width - 1.0 + 2.0 * channel / source.channels;
    recipe.peaks.push_back({channel, source.strength * intensity * efficiency, fwhm});
  }
  TSpectrum& sp = state.spectrum;
  LoadIntoSpectrum(GenerateCounts(recipe), sp);
  sp.file_name = (std::filesystem::path(state.files.work_dir) / test.name).string();
  state.view.spectrum_read = true;
  sp.w1 = test.width - 0.5;
  sp.w2 = test.width + 0.5;
  sp.delta_w = test.width / 2;
  sp.ApplyVarianceFormula(state.processing.covar);
}

}  // namespace pektra
