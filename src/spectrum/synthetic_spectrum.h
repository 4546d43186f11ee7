// Synthetic HPGe-like spectra with known peaks: a smooth falling background plus Gaussian peaks,
// optionally with Poisson noise from a seeded generator. The same seed gives the same counts with
// every standard library (the uniform numbers and the Poisson sampler are our own code on top of
// std::mt19937); only a last-bit difference of exp, log or lgamma could flip a rare draw.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace pektra {

class TSpectrum;

// A Gaussian peak: centre (channels, channel i covers [i - 0.5, i + 0.5]), area (counts) and
// full width at half maximum (channels).
struct SyntheticPeak {
  double channel = 0.0;
  double area = 0.0;
  double fwhm = 1.0;
};

// Background per channel, counts at the channel centre ch:
//   b(ch) = amplitude · exp(−ch / decay) + constant + step · erfc((ch − step_channel) / width) / 2
// with width = step_width. The last term is a smoothed step of height `step` below step_channel (a
// Compton-edge-like shoulder); step = 0 leaves it out.
struct SyntheticBackground {
  double amplitude = 0.0;
  double decay = 1000.0;  // channels, > 0
  double constant = 0.0;
  double step = 0.0;
  double step_channel = 0.0;
  double step_width = 10.0;  // channels, > 0
};

struct SyntheticSpec {
  int channels = 4096;
  std::vector<SyntheticPeak> peaks;
  SyntheticBackground background;
  std::uint32_t seed = 1;  // of the noise
  bool poisson = true;     // false: GenerateCounts returns the expected counts
};

// The background of `background` at channel ch (counts per channel).
double BackgroundAt(const SyntheticBackground& background, double ch);

// Expected counts of channels 1..channels in indices 0..channels − 1: the background at the
// channel centre plus each peak integrated over the channel (differences of erf), so a peak well
// inside the range contributes exactly its area.
std::vector<double> ExpectedCounts(const SyntheticSpec& spec);

// The expected counts with Poisson noise drawn channel by channel from std::mt19937(seed).
// Poisson sampling: inversion by sequential search for means below 10, the transformed rejection
// with squeeze (PTRS, Hörmann 1993) above; both are exact. Negative means give 0.
std::vector<double> GenerateCounts(const SyntheticSpec& spec);

// The sampler of GenerateCounts: std::mt19937 (whose output the standard fixes), 53-bit uniform
// numbers built from two of its outputs, and the Poisson methods above.
class PoissonSampler {
 public:
  explicit PoissonSampler(std::uint32_t seed) : engine_(seed) {}
  double Uniform();  // in (0, 1)
  double Draw(double mean);

 private:
  std::mt19937 engine_;
};

// Puts counts into channels 1..n (n = min(size, 16384)) with errors √(|count| + 1) and abscissa i;
// a1 = b1 = 1, a2 = b2 = n, the abscissa scale reset to channels, and UpdateRange. Channels above
// n keep their values, as after reading a shorter spectrum file.
void LoadIntoSpectrum(const std::vector<double>& counts, TSpectrum& spectrum);

// Parameters of a random realistic spectrum.
struct RandomSpectrumOptions {
  std::uint32_t seed = 1;
  int channels = 4096;
  int isolated_peaks = 40;
  int doublets = 0;                          // pairs of peaks `doublet_separation` FWHM apart
  double fwhm_first = 3.0, fwhm_last = 6.0;  // FWHM at channel 1 and at channel `channels`
  double area_min = 30.0, area_max = 1e5;    // log-uniform
  double doublet_area_min = 1000.0;          // each doublet member: log-uniform from here
  double doublet_separation = 1.5;           // FWHM
  // When above doublet_separation, each doublet's separation is drawn uniformly between the two.
  double doublet_separation_max = 0.0;
  double background_first = 2000.0;  // counts per channel at channel 1 ...
  double background_last = 50.0;     // ... and at channel `channels`
  double compton_step = 0.0;         // step height as a fraction of background_last
  double isolation = 6.0;            // least distance between peak groups, in FWHM
};

// A random spectrum and how its peak list is laid out.
struct RandomSpectrumResult {
  SyntheticSpec spec;      // peaks: the isolated ones, then the doublets as consecutive pairs
  int isolated_peaks = 0;  // the number placed; the doublet pairs start at this index
};

// A SyntheticSpec with randomly placed peaks: first the isolated peaks, then the doublets (lower
// channel first in each pair), every group at least `isolation` FWHM from every other and 3 FWHM
// + 5 channels from both ends. A group that finds no free place in 1000 tries is left out, so a
// crowded spectrum may hold fewer peaks than asked. The background falls as A · exp(−ch / λ) + B
// with B = background_last / 4 through the two given end values; the optional step sits at 60 %
// of the channels. The noise seed is derived from `seed`.
RandomSpectrumResult RandomSpectrum(const RandomSpectrumOptions& options);

// FWHM (channels) of the width line of `options` at channel ch.
double RandomSpectrumFwhm(const RandomSpectrumOptions& options, double ch);

}  // namespace pektra
