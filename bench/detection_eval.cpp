// Detection on seeded synthetic spectra: how many real peaks the analysis (automatic marking and
// the spectrum fit) finds, how many it invents, how it resolves doublets and how honest the fitted
// areas are. Three experiments:
//   A  mixed spectra: 8192 channels, about 150 Gaussian peaks (15 % of them in doublets 1 to 2
//      FWHM apart), FWHM 3 -> 6, a falling background with a Compton-like step, areas log-uniform
//      from the detection limit up to 1e5;
//   B  doublets 1.5 FWHM apart, both members at least 20 sigma;
//   C  two peaks of 1e4 counts one FWHM apart.
// A true peak counts as found when a reported peak lies within max(2 channels, FWHM / 2) of it
// (one reported peak for one true peak, nearest pairs first); a reported peak with no true peak
// that near is false. Expected significance of a peak of area A on a background B per channel:
// A / sqrt(A + 2 FWHM B).
//   detection_eval [spectra] [ndf] [refine]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

struct Found {
  double channel, area, area_error;
};

// Marks and fits the spectrum; the fitted peaks.
std::vector<Found> Analyse(const RandomSpectrumResult& random, const RandomSpectrumOptions& o,
                           int ndf, bool refine) {
  AnalysisState state;
  LoadIntoSpectrum(GenerateCounts(random.spec), state.spectrum);
  state.spectrum.file_type = kFreeField;
  state.spectrum.b1 = 2;
  state.spectrum.b2 = o.channels - 1;
  state.spectrum.w1 = RandomSpectrumFwhm(o, 2);
  state.spectrum.w2 = RandomSpectrumFwhm(o, o.channels - 1);
  state.spectrum.delta_w = 3.5;
  state.spectrum.ApplyVarianceFormula(state.processing.covar);
  state.marking.ndf = ndf;
  state.marking.refinement.refine = refine;
  QuietUi ui;
  MarkSpectrum(MarkingOf(state), ui);
  FitSpectrum(FitOf(state), ui);
  std::vector<Found> found;
  const int rows = std::min(state.results.result_count, kResultCapacity);
  for (int j = 1; j <= rows; ++j) {
    const ResultRow& r = state.results.result_rows[j];
    if (r[0] == 0 && r[2] == 0) continue;  // a row never filled
    found.push_back({r[0], r[2], r[3]});
  }
  return found;
}

double Significance(const RandomSpectrumResult& random, const SyntheticPeak& p) {
  const double b = BackgroundAt(random.spec.background, p.channel);
  return p.area / std::sqrt(p.area + 2.0 * p.fwhm * b);
}

// match[i]: the reported peak assigned to true peak i, or -1; nearest pairs first.
std::vector<int> Match(const std::vector<SyntheticPeak>& truth, const std::vector<Found>& found,
                       std::vector<bool>& near_truth) {
  struct Pair {
    double d;
    int t, f;
  };
  std::vector<Pair> pairs;
  near_truth.assign(found.size(), false);
  for (int t = 0; t < static_cast<int>(truth.size()); ++t) {
    const double tol = std::max(2.0, truth[t].fwhm / 2);
    for (int f = 0; f < static_cast<int>(found.size()); ++f) {
      const double d = std::fabs(found[f].channel - truth[t].channel);
      if (d <= tol) {
        pairs.push_back({d, t, f});
        near_truth[f] = true;
      }
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.d < b.d; });
  std::vector<int> match(truth.size(), -1);
  std::vector<bool> used(found.size(), false);
  for (const Pair& p : pairs) {
    if (match[p.t] >= 0 || used[p.f]) continue;
    match[p.t] = p.f;
    used[p.f] = true;
  }
  return match;
}

// One spectrum of the recipe `o` analysed and its reported peaks matched to the true ones.
struct Evaluation {
  RandomSpectrumResult random;
  std::vector<Found> found;
  std::vector<bool> near_truth;
  std::vector<int> match;
};

Evaluation Evaluate(const RandomSpectrumOptions& o, int ndf, bool refine) {
  Evaluation e;
  e.random = RandomSpectrum(o);
  e.found = Analyse(e.random, o, ndf, refine);
  e.match = Match(e.random.spec.peaks, e.found, e.near_truth);
  return e;
}

struct Stats {
  void Add(double x) { values.push_back(x); }
  double Mean() const {
    double s = 0;
    for (const double v : values) s += v;
    return values.empty() ? 0 : s / values.size();
  }
  double Sd() const {
    const double m = Mean();
    double s = 0;
    for (const double v : values) s += (v - m) * (v - m);
    return values.size() < 2 ? 0 : std::sqrt(s / (values.size() - 1));
  }
  std::vector<double> values;
};

double Percent(int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

void MixedSpectra(int spectra, int ndf, bool refine) {
  int significant = 0, significant_found = 0, reported = 0, invented = 0, duplicates = 0;
  int weak = 0, weak_found = 0;
  Stats pulls_all, pulls_strong;
  for (int s = 1; s <= spectra; ++s) {
    RandomSpectrumOptions o;
    o.seed = static_cast<std::uint32_t>(s);
    o.channels = 8192;
    o.isolated_peaks = 128;
    o.doublets = 11;
    o.doublet_separation = 1.0;
    o.doublet_separation_max = 2.0;
    o.area_min = 20;
    o.area_max = 1e5;
    o.doublet_area_min = 20;
    o.compton_step = 1.0;
    o.isolation = 5.0;
    const Evaluation e = Evaluate(o, ndf, refine);
    const RandomSpectrumResult& random = e.random;
    const std::vector<Found>& found = e.found;
    const std::vector<bool>& near_truth = e.near_truth;
    const std::vector<SyntheticPeak>& truth = random.spec.peaks;
    const std::vector<int>& match = e.match;
    reported += static_cast<int>(found.size());
    std::vector<bool> used(found.size(), false);
    for (std::size_t t = 0; t < truth.size(); ++t) {
      if (match[t] >= 0) used[static_cast<std::size_t>(match[t])] = true;
      const double z = Significance(random, truth[t]);
      if (z >= 5) {
        ++significant;
        significant_found += match[t] >= 0;
      } else if (z >= 3) {
        ++weak;
        weak_found += match[t] >= 0;
      }
      if (static_cast<int>(t) < random.isolated_peaks && match[t] >= 0) {
        const Found& f = found[static_cast<std::size_t>(match[t])];
        if (f.area_error > 0) {
          const double pull = (f.area - truth[t].area) / f.area_error;
          pulls_all.Add(pull);
          if (std::getenv("DETECTION_VERBOSE") && std::fabs(pull) > 5) {
            std::printf("   seed %d: pull %.1f at %.1f (true area %.0f, fitted %.0f +- %.0f)\n", s,
                        pull, truth[t].channel, truth[t].area, f.area, f.area_error);
          }
          if (z >= 5) pulls_strong.Add(pull);
        }
      }
    }
    for (std::size_t f = 0; f < found.size(); ++f) {
      const bool verbose = std::getenv("DETECTION_VERBOSE") != nullptr;
      if (!near_truth[f]) {
        ++invented;
        if (verbose) {
          std::printf("   seed %d: false peak at %.1f (area %.0f +- %.0f)\n", s, found[f].channel,
                      found[f].area, found[f].area_error);
        }
      } else if (!used[f]) {
        ++duplicates;
        if (verbose) {
          std::printf("   seed %d: second peak at %.1f (area %.0f +- %.0f)\n", s, found[f].channel,
                      found[f].area, found[f].area_error);
        }
      }
    }
  }
  std::printf("A  %d mixed spectra, %s search, refinement %s\n", spectra, ndf ? "new" : "old",
              refine ? "on" : "off");
  std::printf("   peaks >= 5 sigma found: %d of %d = %.1f %%; 3..5 sigma: %d of %d = %.1f %%\n",
              significant_found, significant, Percent(significant_found, significant), weak_found,
              weak, Percent(weak_found, weak));
  std::printf("   reported %d: false %d = %.2f %%, second peaks on one true peak %d = %.2f %%\n",
              reported, invented, Percent(invented, reported), duplicates,
              Percent(duplicates, reported));
  std::printf(
      "   area pulls of matched isolated peaks: all %zu mean %.3f sd %.3f; >= 5 sigma %zu "
      "mean %.3f sd %.3f\n",
      pulls_all.values.size(), pulls_all.Mean(), pulls_all.Sd(), pulls_strong.values.size(),
      pulls_strong.Mean(), pulls_strong.Sd());
}

// Doublets of the given separation and area range only; how many are resolved into two peaks
// and how many of those have both areas within 3 sigma of the truth.
void Doublets(const char* label, int spectra, int ndf, bool refine, double separation,
              double area_min, double area_max, int per_spectrum, double min_sigma) {
  int doublets = 0, resolved = 0, accurate = 0, invented = 0, reported = 0;
  for (int s = 1; s <= spectra; ++s) {
    RandomSpectrumOptions o;
    o.seed = static_cast<std::uint32_t>(500 + s);
    o.channels = 8192;
    o.isolated_peaks = 0;
    o.doublets = per_spectrum;
    o.doublet_separation = separation;
    o.area_min = area_min;
    o.area_max = area_max;
    o.doublet_area_min = area_min;
    o.isolation = 8.0;
    const Evaluation e = Evaluate(o, ndf, refine);
    const RandomSpectrumResult& random = e.random;
    const std::vector<Found>& found = e.found;
    const std::vector<bool>& near_truth = e.near_truth;
    const std::vector<SyntheticPeak>& truth = random.spec.peaks;
    const std::vector<int>& match = e.match;
    reported += static_cast<int>(found.size());
    for (bool near : near_truth) invented += !near;
    for (std::size_t t = 0; t + 1 < truth.size(); t += 2) {
      if (Significance(random, truth[t]) < min_sigma ||
          Significance(random, truth[t + 1]) < min_sigma) {
        continue;
      }
      ++doublets;
      if ((match[t] < 0 || match[t + 1] < 0) && std::getenv("DETECTION_VERBOSE")) {
        std::printf("   seed %d: doublet %.1f (%.0f) %.1f (%.0f) fwhm %.2f unresolved; near:", s,
                    truth[t].channel, truth[t].area, truth[t + 1].channel, truth[t + 1].area,
                    truth[t].fwhm);
        for (const Found& f : found) {
          if (std::fabs(f.channel - truth[t].channel) < 4 * truth[t].fwhm) {
            std::printf(" %.1f (%.0f +- %.0f)", f.channel, f.area, f.area_error);
          }
        }
        std::printf("\n");
      }
      if (match[t] < 0 || match[t + 1] < 0) continue;
      ++resolved;
      bool good = true;
      for (std::size_t k : {t, t + 1}) {
        const Found& f = found[static_cast<std::size_t>(match[k])];
        good = good && f.area_error > 0 && std::fabs(f.area - truth[k].area) <= 3 * f.area_error;
      }
      accurate += good;
    }
  }
  std::printf(
      "%s %d doublets %.2f FWHM apart, both >= %.0f sigma: resolved %d = %.1f %%, both "
      "areas within 3 sigma %d = %.1f %%; false %d of %d reported\n",
      label, doublets, separation, min_sigma, resolved, Percent(resolved, doublets), accurate,
      Percent(accurate, doublets), invented, reported);
}

}  // namespace

int main(int argc, char** argv) {
  const int spectra = argc > 1 ? std::atoi(argv[1]) : 20;
  const int ndf = argc > 2 ? std::atoi(argv[2]) : 0;
  const bool refine = argc > 3 && std::atoi(argv[3]) != 0;
  MixedSpectra(spectra, ndf, refine);
  Doublets("B ", spectra, ndf, refine, 1.5, 2000, 1e5, 20, 20);
  Doublets("C ", 100, ndf, refine, 1.0, 1e4, 1e4 * 1.0000001, 1, 0);
  return 0;
}
