#include "spectrum/synthetic_spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "spectrum/spectrum.h"

namespace pektra {

namespace {

constexpr double kFwhmPerSigma = 2.3548200450309493;  // 2 sqrt(2 ln 2)
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kPeakReach = 10.0;  // sigmas; the mass beyond is below 1e-22 of the area

// Inversion by sequential search; exact up to the rounding of the cumulative sum.
double PoissonByInversion(double mean, double u) {
  double p = std::exp(-mean);
  double cumulative = p;
  int k = 0;
  while (u > cumulative && p > 0.0) {
    ++k;
    p *= mean / k;
    cumulative += p;
  }
  return k;
}

// A placed group of peaks: its first and last centre and its width.
struct Group {
  double low, high, fwhm;
};

}  // namespace

double BackgroundAt(const SyntheticBackground& background, double ch) {
  double value = background.amplitude * std::exp(-ch / background.decay) + background.constant;
  if (background.step != 0.0) {
    value +=
        background.step * 0.5 * std::erfc((ch - background.step_channel) / background.step_width);
  }
  return value;
}

std::vector<double> ExpectedCounts(const SyntheticSpec& recipe) {
  const int n = std::max(0, recipe.channels);
  std::vector<double> counts(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) {
    counts[static_cast<std::size_t>(i - 1)] = BackgroundAt(recipe.background, i);
  }
  for (const SyntheticPeak& peak : recipe.peaks) {
    if (peak.fwhm <= 0.0) {  // a line without width: all in its channel
      const double i = std::nearbyint(peak.channel);
      if (i >= 1 && i <= n) counts[static_cast<std::size_t>(i) - 1] += peak.area;
      continue;
    }
    const double sigma = peak.fwhm / kFwhmPerSigma;
    const double reach = kPeakReach * sigma + 1.0;
    const int low = static_cast<int>(std::max(1.0, std::floor(peak.channel - reach)));
    const int high = static_cast<int>(std::min<double>(n, std::ceil(peak.channel + reach)));
    const double scale = 1.0 / (sigma * kSqrt2);
    // Telescoping erf differences: the channel contents sum to exactly half the erf range.
    double previous = std::erf((low - 0.5 - peak.channel) * scale);
    for (int i = low; i <= high; ++i) {
      const double next = std::erf((i + 0.5 - peak.channel) * scale);
      counts[static_cast<std::size_t>(i - 1)] += 0.5 * peak.area * (next - previous);
      previous = next;
    }
  }
  return counts;
}

double PoissonSampler::Uniform() {
  // Two outputs give 27 + 26 bits; the half step keeps the value away from 0 and 1.
  const double a = static_cast<double>(engine_() >> 5);
  const double b = static_cast<double>(engine_() >> 6);
  return (a * 67108864.0 + b + 0.5) / 9007199254740992.0;
}

double PoissonSampler::Draw(double mean) {
  if (!(mean > 0.0)) return 0.0;
  if (mean < 10.0) return PoissonByInversion(mean, Uniform());
  // PTRS: transformed rejection with squeeze; exact for means of 10 and more.
  const double root = std::sqrt(mean);
  const double log_mean = std::log(mean);
  const double b = 0.931 + 2.53 * root;
  const double a = -0.059 + 0.02483 * b;
  const double inv_alpha = 1.1239 + 1.1328 / (b - 3.4);
  const double v_r = 0.9277 - 3.6224 / (b - 2.0);
  while (true) {
    const double u = Uniform() - 0.5;
    const double v = Uniform();
    const double us = 0.5 - std::abs(u);
    const double k = std::floor((2.0 * a / us + b) * u + mean + 0.43);
    if (us >= 0.07 && v <= v_r) return k;
    if (k < 0.0 || (us < 0.013 && v > us)) continue;
    if (std::log(v) + std::log(inv_alpha) - std::log(a / (us * us) + b) <=
        -mean + k * log_mean - std::lgamma(k + 1.0)) {
      return k;
    }
  }
}

std::vector<double> GenerateCounts(const SyntheticSpec& recipe) {
  std::vector<double> counts = ExpectedCounts(recipe);
  if (!recipe.poisson) return counts;
  PoissonSampler sampler(recipe.seed);
  for (double& value : counts) value = sampler.Draw(value);
  return counts;
}

void LoadIntoSpectrum(const std::vector<double>& counts, TSpectrum& spectrum) {
  const int n = static_cast<int>(std::min<std::size_t>(counts.size(), kMaxChannels));
  for (int i = 1; i <= n; ++i) {
    const double value = counts[static_cast<std::size_t>(i - 1)];
    spectrum.counts[i] = value;
    spectrum.errors[i] = std::sqrt(std::abs(value) + 1.0);
    spectrum.abscissa[i] = i;
  }
  spectrum.a1 = spectrum.b1 = 1;
  spectrum.a2 = spectrum.b2 = std::max(1, n);
  spectrum.x_first = 1.0;
  spectrum.x_last = spectrum.a2;
  spectrum.x_step = 1.0;
  spectrum.x_scale = 1.0;
  spectrum.x_offset = 0.0;
  spectrum.UpdateRange();
}

double RandomSpectrumFwhm(const RandomSpectrumOptions& options, double ch) {
  const double span = std::max(1, options.channels - 1);
  return options.fwhm_first + (options.fwhm_last - options.fwhm_first) * (ch - 1.0) / span;
}

RandomSpectrumResult RandomSpectrum(const RandomSpectrumOptions& options) {
  RandomSpectrumResult result;
  SyntheticSpec& recipe = result.spec;
  const int n = options.channels;
  recipe.channels = n;
  recipe.seed = options.seed * 2654435761u + 12345u;  // noise independent of the placement draws
  recipe.poisson = true;

  SyntheticBackground& background = recipe.background;
  background.constant = options.background_last / 4.0;
  const double ratio = (options.background_first - background.constant) /
                       (options.background_last - background.constant);
  if (n > 1 && ratio > 1.0) {
    background.decay = (n - 1) / std::log(ratio);
    background.amplitude =
        (options.background_first - background.constant) * std::exp(1.0 / background.decay);
  } else {
    background.constant = 0.5 * (options.background_first + options.background_last);
  }
  if (options.compton_step != 0.0) {
    background.step = options.compton_step * options.background_last;
    background.step_channel = 0.6 * n;
    background.step_width = 3.0 * RandomSpectrumFwhm(options, background.step_channel);
  }

  PoissonSampler random(options.seed);
  std::vector<Group> taken;
  // Places a group of width `extent_fwhm` FWHM (0 for a single peak); returns its first channel
  // or a negative value when it finds no place.
  const auto place = [&](double extent_fwhm) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      const double c = 1.0 + random.Uniform() * (n - 1);
      const double w = RandomSpectrumFwhm(options, c);
      const Group group{c, c + extent_fwhm * w, w};
      const double margin = 3.0 * w + 5.0;
      if (group.low - margin < 1.0 || group.high + margin > n) continue;
      const bool free = std::all_of(taken.begin(), taken.end(), [&](const Group& other) {
        const double gap = std::max(group.low - other.high, other.low - group.high);
        return gap >= options.isolation * std::max(group.fwhm, other.fwhm);
      });
      if (!free) continue;
      taken.push_back(group);
      return c;
    }
    return -1.0;
  };
  const auto log_uniform = [&](double low, double high) {
    return std::exp(std::log(low) + random.Uniform() * (std::log(high) - std::log(low)));
  };

  for (int j = 0; j < options.isolated_peaks; ++j) {
    const double c = place(0.0);
    if (c < 0.0) continue;
    const double area = log_uniform(options.area_min, options.area_max);
    recipe.peaks.push_back({c, area, RandomSpectrumFwhm(options, c)});
  }
  result.isolated_peaks = static_cast<int>(recipe.peaks.size());
  for (int j = 0; j < options.doublets; ++j) {
    double separation = options.doublet_separation;
    if (options.doublet_separation_max > separation) {
      separation += random.Uniform() * (options.doublet_separation_max - separation);
    }
    const double c = place(separation);
    if (c < 0.0) continue;
    const double w = RandomSpectrumFwhm(options, c);
    const double c2 = c + separation * w;
    const double area1 = log_uniform(options.doublet_area_min, options.area_max);
    const double area2 = log_uniform(options.doublet_area_min, options.area_max);
    recipe.peaks.push_back({c, area1, w});
    recipe.peaks.push_back({c2, area2, RandomSpectrumFwhm(options, c2)});
  }
  return result;
}

}  // namespace pektra
