// Evaluation of the blunder correction on seeded synthetic spectra: single-channel spikes and drops
// of known size are planted away from the peaks; the program reports the share of them corrected
// by size (in standard deviations of the channel), the channels of genuine peaks changed, the
// background channels changed although nothing was planted there, and what an overflow count in
// the last channel does. Both the correction of the program and the rule with the channels next to
// the ends always judged by their neighbours' mean ("edges always judged") are run on the same
// spectra; --least-squares shows the line's estimate with B = R − L − 2·sp(j − 2) instead.
//
//   blunder_eval [--spectra N] [--seed S] [--order X] [--chibc X]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "spectrum/blunders.h"
#include "spectrum/spectrum.h"
#include "spectrum/synthetic_spectrum.h"

namespace {

using namespace pektra;

constexpr int kChannels = 8192;
constexpr int kPlanted = 200;

// The other rule: the channels next to the ends always take the neighbours' mean; the local line's
// estimate c0 = (3A + B)/7 has B = L − R − 2·sp(j − 2), or its least-squares B = R − L − 2·sp(j−2).
bool least_squares = false;
int CorrectAsFirstWritten(TSpectrum& sp, int first, int last, const ProcessingSettings& s) {
  if (last - first < 2) return 0;
  auto& c = sp.counts;
  int corrected = 0;
  for (int j = first + 1; j <= last - 1; ++j) {
    const double L = c[j - 1], R = c[j + 1], y = c[j];
    const bool empty_side = L * R == 0.0;
    const double S = empty_side ? 2.0 * std::fabs(L - R) : L + R;
    if (y != 0.0 && S < s.small_stat) continue;
    const double r = empty_side ? 0.0 : std::fabs(L - R) / (std::fabs(S) + 1.0);
    double e = S / 2.0;
    if (!(j == first + 1 || j == last - 1 || y == 0.0 || (r < 0.25 && (y > S || y < S / 4)))) {
      const double l2 = c[j - 2], r2 = c[j + 2];
      const double t = 2.0 * std::sqrt(std::fabs(S));
      if (L - l2 > t && y - L > t && y - R > t && R - r2 > t) continue;
      const double A = l2 + L + R, B = (least_squares ? R - L : L - R) - 2.0 * l2;
      const double c0 = (3.0 * A + B) / 7.0, c1 = (3.0 * c0 - A) / 2.0;
      const double chi2 = sp.Weight(j - 2) * std::pow(c0 - 2 * c1 - l2, 2) +
                          sp.Weight(j + 1) * std::pow(c0 + c1 - R, 2) +
                          sp.Weight(j - 1) * std::pow(c0 - c1 - L, 2);
      if (chi2 > s.chibc) continue;
      e = c0;
    }
    if (sp.Weight(j) * (e - y) * (e - y) > s.order) {
      c[j] = std::max(0.0, e);
      ++corrected;
    }
  }
  return corrected;
}

struct Planted {
  int channel;
  double sigmas;  // size in standard deviations of the expected count; negative for a drop
};

struct Tally {
  int planted[3] = {0, 0, 0};    // by size: 3..5σ, 5..10σ, >= 10σ
  int corrected[3] = {0, 0, 0};  // of those, changed
  int restored[3] = {0, 0, 0};   // changed to within 3σ of the count before planting
  long peak_channels = 0, peak_changed = 0;
  long background_channels = 0, background_changed = 0;
  int overflow_spread = 0;  // channels other than the last changed only because of an overflow
  int missed_why[4] = {0, 0, 0, 0};  // >= 10σ kept: few counts, narrow peak, not flat, q <= order

  int Bucket(double sigmas) const {
    const double a = std::fabs(sigmas);
    return a < 5 ? 0 : (a < 10 ? 1 : 2);
  }
};

// Why channel j of `sp` (its neighbours as they ended) was kept: 0 too few counts, 1 the top of a
// narrow peak, 2 a neighbourhood that is not flat, 3 a deviation q not above order.
int WhyKept(const TSpectrum& sp, int j, const ProcessingSettings& s) {
  const auto& c = sp.counts;
  const double L = c[j - 1], R = c[j + 1], y = c[j];
  const double S = L * R == 0 ? 2 * std::fabs(L - R) : L + R;
  if (y != 0 && S < s.small_stat) return 0;
  const double r = L * R == 0 ? 0 : std::fabs(L - R) / (std::fabs(S) + 1);

  if (!(y == 0 || (r < 0.25 && (y > S || y < S / 4)))) {
    const double l2 = c[j - 2], r2 = c[j + 2], t = 2 * std::sqrt(std::fabs(S));
    if (L - l2 > t && y - L > t && y - R > t && R - r2 > t) return 1;
    const double A = l2 + L + R, B = L - R - 2 * l2;
    const double c0 = (3 * A + B) / 7, c1 = (3 * c0 - A) / 2;
    const double chi2 = sp.Weight(j - 2) * std::pow(c0 - 2 * c1 - l2, 2) +
                        sp.Weight(j + 1) * std::pow(c0 + c1 - R, 2) +
                        sp.Weight(j - 1) * std::pow(c0 - c1 - L, 2);
    if (chi2 > s.chibc) return 2;
  }
  return 3;
}

struct Case {
  SyntheticSpec recipe;
  std::vector<double> noisy;  // before planting
  std::vector<Planted> planted;
  std::vector<char> in_peak;  // channel within 2 FWHM of a peak centre (index channel − 1)
};

Case MakeCase(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  Case c;
  c.recipe.channels = kChannels;
  c.recipe.seed = seed;
  c.recipe.background = {2000.0, 3000.0, 150.0, 400.0, 2500.0, 60.0};
  for (int k = 0; k < 40; ++k) {
    const double channel = 60 + u(random) * (kChannels - 120);
    const double fwhm = 2.5 + 5.5 * u(random);
    c.recipe.peaks.push_back(
        {channel, std::exp(std::log(2e3) + u(random) * std::log(100.0)), fwhm});
  }
  c.noisy = GenerateCounts(c.recipe);
  c.in_peak.assign(kChannels, 0);
  for (const SyntheticPeak& p : c.recipe.peaks) {
    for (int i = std::max(1, static_cast<int>(p.channel - 2 * p.fwhm));
         i <= std::min(kChannels, static_cast<int>(p.channel + 2 * p.fwhm) + 1); ++i) {
      c.in_peak[static_cast<std::size_t>(i - 1)] = 1;
    }
  }
  // Defects away from the peaks (3 FWHM) and from each other (5 channels).
  std::vector<char> taken(kChannels + 1, 0);
  while (static_cast<int>(c.planted.size()) < kPlanted) {
    const int ch = 10 + static_cast<int>(u(random) * (kChannels - 20));
    bool free = true;
    for (const SyntheticPeak& p : c.recipe.peaks)
      free = free && std::fabs(ch - p.channel) > 3 * p.fwhm;
    for (int d = -5; d <= 5 && free; ++d) free = !taken[static_cast<std::size_t>(ch + d)];
    if (!free) continue;
    taken[static_cast<std::size_t>(ch)] = 1;
    const double size = 3.0 + 27.0 * u(random);
    c.planted.push_back({ch, c.planted.size() % 2 == 0 ? size : -size});
  }
  return c;
}

TSpectrum Spectrum(const Case& c, bool overflow) {
  std::vector<double> counts = c.noisy;
  const std::vector<double> expected = ExpectedCounts(c.recipe);
  for (const Planted& p : c.planted) {
    const std::size_t k = static_cast<std::size_t>(p.channel - 1);
    counts[k] = std::max(0.0, counts[k] + p.sigmas * std::sqrt(expected[k]));
  }
  if (overflow) counts.back() = 1e6;
  TSpectrum sp;
  LoadIntoSpectrum(counts, sp);
  sp.file_type = kBinary32;
  sp.ApplyVarianceFormula(0.01);
  return sp;
}

void Count(const Case& c, const TSpectrum& before, const TSpectrum& after, Tally& t,
           const ProcessingSettings& settings) {
  const std::vector<double> expected = ExpectedCounts(c.recipe);
  std::vector<char> planted(kChannels + 1, 0);
  for (const Planted& p : c.planted) {
    planted[static_cast<std::size_t>(p.channel)] = 1;
    const int b = t.Bucket(p.sigmas);
    ++t.planted[b];
    const double now = after.counts[p.channel];
    if (now != before.counts[p.channel]) {
      ++t.corrected[b];
    } else if (b == 2) {
      ++t.missed_why[WhyKept(after, p.channel, settings)];
    }
    const double truth = c.noisy[static_cast<std::size_t>(p.channel - 1)];
    if (std::fabs(now - truth) <= 3 * std::sqrt(expected[static_cast<std::size_t>(p.channel - 1)]))
      ++t.restored[b];
  }
  for (int i = 1; i <= kChannels; ++i) {
    if (planted[static_cast<std::size_t>(i)]) continue;
    const bool changed = after.counts[i] != before.counts[i];
    if (c.in_peak[static_cast<std::size_t>(i - 1)]) {
      ++t.peak_channels;
      t.peak_changed += changed;
    } else {
      ++t.background_channels;
      t.background_changed += changed;
    }
  }
}

void Print(const char* name, const Tally& t) {
  std::printf("%s\n", name);
  const char* sizes[] = {"  3..5 sigma", "  5..10 sigma", "  >= 10 sigma"};
  for (int b = 0; b < 3; ++b) {
    std::printf("%s: %5d planted, %6.2f %% corrected, %6.2f %% restored to within 3 sigma\n",
                sizes[b], t.planted[b], 100.0 * t.corrected[b] / std::max(1, t.planted[b]),
                100.0 * t.restored[b] / std::max(1, t.planted[b]));
  }
  std::printf(
      "  >= 10 sigma kept: %d too few counts, %d as a narrow peak, %d not flat, %d q <= order\n",
      t.missed_why[0], t.missed_why[1], t.missed_why[2], t.missed_why[3]);
  std::printf("  genuine peak channels changed: %ld of %ld\n", t.peak_changed, t.peak_channels);
  std::printf("  background channels changed without a defect: %ld of %ld (%.2f %%)\n",
              t.background_changed, t.background_channels,
              100.0 * t.background_changed / std::max(1L, t.background_channels));
  std::printf("  channels spoiled by an overflow count in the last channel: %d\n",
              t.overflow_spread);
}

}  // namespace

int main(int argc, char** argv) {
  int spectra = 20;
  std::uint32_t seed = 1;
  ProcessingSettings settings;
  for (int k = 1; k < argc; ++k) {
    if (std::string(argv[k]) == "--least-squares") least_squares = true;
  }
  for (int k = 1; k + 1 < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--spectra") spectra = std::atoi(argv[k + 1]);
    if (arg == "--seed") seed = static_cast<std::uint32_t>(std::atoi(argv[k + 1]));
    if (arg == "--order") settings.order = std::atof(argv[k + 1]);
    if (arg == "--chibc") settings.chibc = std::atof(argv[k + 1]);
  }
  Tally ours, first_written;
  for (int s = 0; s < spectra; ++s) {
    const Case c = MakeCase(seed + static_cast<std::uint32_t>(s));
    const TSpectrum before = Spectrum(c, false);
    TSpectrum a = before, b = before;
    CorrectBlunders(a, a.a1, a.a2, settings);
    CorrectAsFirstWritten(b, b.a1, b.a2, settings);
    Count(c, before, a, ours, settings);
    Count(c, before, b, first_written, settings);
    // The same spectrum with 10^6 counts in its last channel: what changes besides.
    const TSpectrum overflow = Spectrum(c, true);
    TSpectrum oa = overflow, ob = overflow;
    CorrectBlunders(oa, oa.a1, oa.a2, settings);
    CorrectAsFirstWritten(ob, ob.a1, ob.a2, settings);
    for (int i = 1; i < kChannels; ++i) {
      ours.overflow_spread += oa.counts[i] != a.counts[i];
      first_written.overflow_spread += ob.counts[i] != b.counts[i];
    }
  }
  std::printf("%d spectra of %d channels, %d planted defects each, chibc %g, order %g\n\n", spectra,
              kChannels, kPlanted, settings.chibc, settings.order);
  Print("CorrectBlunders", ours);
  Print(least_squares ? "\nEdges always judged, least-squares line" : "\nEdges always judged",
        first_written);
  return 0;
}
