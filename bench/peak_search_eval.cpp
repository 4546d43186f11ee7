// Evaluation of the two peak searches on seeded synthetic spectra with known peaks: detection
// rates (significant isolated peaks, by area, by significance, doublets), false hits and run time.
// Both searches are driven the way the marking command drives them.
//
//   peak_search_eval [--spectra N] [--seed S] [--channels N] [--peaks N] [--doublets N]
//                    [--delta-w X] [--sens X] [--resol X] [--max-interval N] [--verbose]
//                    [--trace]
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/silent_user_interface.h"
#include "marking/old_search.h"
#include "marking/peak_search.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

// Prints notes to stderr and answers every question with No or Cancel.
class FakeUi : public SilentUserInterface {
 public:
  FakeUi()
      : SilentUserInterface(
            {}, [](const std::string& text) { std::cerr << "note: " << text << '\n'; }) {}
};

struct Settings {
  int spectra = 20;
  unsigned seed = 1;
  int channels = 4096;
  int peaks = 40;
  int doublets = 6;
  double delta_w = 0.75;
  double sens = 1.0;
  double resol = -1.0;
  int max_interval = 128;
  bool verbose = false;  // per spectrum: counts, false hits, missed significant peaks
  bool trace = false;    // the searches' debug log, to stdout
};

constexpr std::array<double, 8> kAreaEdges{30, 100, 300, 1e3, 3e3, 1e4, 3e4, 1.0001e5};
constexpr std::array<double, 6> kSignificanceEdges{0, 3, 5, 10, 20, 1e300};

struct Tally {
  int found = 0, false_hits = 0, extra_hits = 0;
  std::array<int, 4> false_by_quarter{};  // false hits in each quarter of the channel range
  int significant = 0, significant_found = 0;
  std::array<int, 7> by_area{}, by_area_found{};
  std::array<int, 5> by_significance{}, by_significance_found{};
  int doublets = 0, doublets_both = 0, doublets_one = 0;
  double offset_sum = 0.0;  // |found − true| of the detected significant isolated peaks
  double seconds = 0.0;
  int runs = 0;
};

template <std::size_t N>
int Bin(const std::array<double, N>& edges, double value) {
  for (std::size_t k = 0; k + 1 < N; ++k) {
    if (value >= edges[k] && value < edges[k + 1]) return static_cast<int>(k);
  }
  return -1;
}

double Tolerance(const SyntheticPeak& peak) { return std::max(2.0, 0.5 * peak.fwhm); }

// The background counts under a peak over ±1.5 FWHM, channel by channel.
double BackgroundUnder(const SyntheticSpec& spec, const SyntheticPeak& peak) {
  const int low = std::max(1, static_cast<int>(std::ceil(peak.channel - 1.5 * peak.fwhm)));
  const int high =
      std::min(spec.channels, static_cast<int>(std::floor(peak.channel + 1.5 * peak.fwhm)));
  double sum = 0.0;
  for (int i = low; i <= high; ++i) sum += BackgroundAt(spec.background, i);
  return sum;
}

// The found peak nearest to `peak` within its tolerance, or −1.
int Nearest(const std::vector<double>& found, const SyntheticPeak& peak) {
  int best = -1;
  double best_distance = Tolerance(peak);
  for (std::size_t k = 0; k < found.size(); ++k) {
    const double distance = std::abs(found[k] - peak.channel);
    if (distance <= best_distance) {
      best_distance = distance;
      best = static_cast<int>(k);
    }
  }
  return best;
}

void Score(const RandomSpectrumResult& truth, const std::vector<double>& found, Tally& tally,
           bool verbose) {
  const SyntheticSpec& spec = truth.spec;
  tally.found += static_cast<int>(found.size());
  for (const double position : found) {
    const bool near_any = std::any_of(spec.peaks.begin(), spec.peaks.end(), [&](const auto& p) {
      return std::abs(position - p.channel) <= Tolerance(p);
    });
    if (near_any) continue;
    ++tally.false_hits;
    const int quarter = std::clamp(static_cast<int>(4.0 * (position - 1) / spec.channels), 0, 3);
    ++tally.false_by_quarter[static_cast<std::size_t>(quarter)];
    if (verbose) {
      const auto nearest =
          std::min_element(spec.peaks.begin(), spec.peaks.end(), [&](const auto& a, const auto& b) {
            return std::abs(position - a.channel) < std::abs(position - b.channel);
          });
      if (nearest != spec.peaks.end()) {
        std::printf("  false hit at %.1f: nearest true peak %.1f (area %.0f, %+.2f FWHM)\n",
                    position, nearest->channel, nearest->area,
                    (position - nearest->channel) / nearest->fwhm);
      } else {
        std::printf("  false hit at %.1f\n", position);
      }
    }
  }
  for (int j = 0; j < truth.isolated_peaks; ++j) {
    const SyntheticPeak& peak = spec.peaks[static_cast<std::size_t>(j)];
    const int hits = static_cast<int>(std::count_if(found.begin(), found.end(), [&](double c) {
      return std::abs(c - peak.channel) <= Tolerance(peak);
    }));
    tally.extra_hits += std::max(0, hits - 1);
    const bool detected = hits > 0;
    const double significance = peak.area / std::sqrt(BackgroundUnder(spec, peak));
    if (significance > 10.0) {
      ++tally.significant;
      if (!detected && verbose) {
        std::printf("  missed %.1f (area %.0f, area/sqrt(B) %.1f)\n", peak.channel, peak.area,
                    significance);
      }
      if (detected) {
        ++tally.significant_found;
        tally.offset_sum +=
            std::abs(found[static_cast<std::size_t>(Nearest(found, peak))] - peak.channel);
      }
    }
    if (const int k = Bin(kAreaEdges, peak.area); k >= 0) {
      ++tally.by_area[static_cast<std::size_t>(k)];
      if (detected) ++tally.by_area_found[static_cast<std::size_t>(k)];
    }
    if (const int k = Bin(kSignificanceEdges, significance); k >= 0) {
      ++tally.by_significance[static_cast<std::size_t>(k)];
      if (detected) ++tally.by_significance_found[static_cast<std::size_t>(k)];
    }
  }
  for (std::size_t j = static_cast<std::size_t>(truth.isolated_peaks); j + 1 < spec.peaks.size();
       j += 2) {
    const bool first = Nearest(found, spec.peaks[j]) >= 0;
    const bool second = Nearest(found, spec.peaks[j + 1]) >= 0;
    ++tally.doublets;
    if (first && second) ++tally.doublets_both;
    if (first != second) ++tally.doublets_one;
  }
}

// The state as the marking command leaves it before a search: the spectrum, the interval, the
// widths of the dialog and the search controls.
std::unique_ptr<AnalysisState> PrepareState(const Settings& settings,
                                            const RandomSpectrumOptions& options,
                                            const std::vector<double>& counts) {
  auto state = std::make_unique<AnalysisState>();
  TSpectrum& spectrum = state->spectrum;
  LoadIntoSpectrum(counts, spectrum);
  spectrum.b1 = spectrum.a1;
  spectrum.b2 = spectrum.a2;
  spectrum.w1 = RandomSpectrumFwhm(options, spectrum.b1);
  spectrum.w2 = RandomSpectrumFwhm(options, spectrum.b2);
  spectrum.delta_w = settings.delta_w;
  state->marking.sens = settings.sens;
  state->marking.resol = settings.resol;
  state->marking.max_interval = settings.max_interval;
  state->view.interval_begin = spectrum.b1;
  state->view.interval_end = spectrum.b2;
  state->width.width_slope = (spectrum.w2 - spectrum.w1) / (spectrum.b2 - spectrum.b1 + 1);
  state->width.width_offset = spectrum.w1 - spectrum.b1 * state->width.width_slope;
  state->view.debug_mode = settings.trace;
  return state;
}

std::vector<double> RunNew(AnalysisState& state, UserInterface& ui, double& seconds) {
  const TSpectrum& s = state.spectrum;
  state.marking.ndf = 1;
  const auto start = std::chrono::steady_clock::now();
  FindPeaks(MarkingOf(state), ui, s.b1, s.delta_w, s.w2, s.w1, s.b2);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<double> found;
  for (int j = 1; j <= state.marking.peak_count; ++j) found.push_back(state.marking.peak_list[j]);
  return found;
}

// The old search leaves groups as a marking data array: −left, peaks, −right per interval.
std::vector<double> RunOld(AnalysisState& state, UserInterface& ui, double& seconds) {
  state.marking.ndf = 0;
  const auto start = std::chrono::steady_clock::now();
  FindPeaksOld(MarkingOf(state), ui);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<double> found;
  for (int j = 1; j <= state.marking.marking_length; ++j) {
    if (state.marking.marking_data[j] > 0.0) found.push_back(state.marking.marking_data[j]);
  }
  return found;
}

double Percent(int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

void Print(const char* name, const Tally& t, int spectra) {
  std::printf("\n== %s algorithm ==\n", name);
  std::printf("significant isolated peaks (area > 10 sqrt(B over +-1.5 FWHM)): %d/%d = %.1f %%\n",
              t.significant_found, t.significant, Percent(t.significant_found, t.significant));
  std::printf("  mean |position error| of those found: %.2f channels\n",
              t.significant_found > 0 ? t.offset_sum / t.significant_found : 0.0);
  std::printf("isolated peaks by area:\n");
  for (std::size_t k = 0; k < t.by_area.size(); ++k) {
    std::printf("  %7.0f .. %7.0f: %4d/%4d = %5.1f %%\n", kAreaEdges[k], kAreaEdges[k + 1],
                t.by_area_found[k], t.by_area[k], Percent(t.by_area_found[k], t.by_area[k]));
  }
  std::printf("isolated peaks by area / sqrt(B):\n");
  for (std::size_t k = 0; k < t.by_significance.size(); ++k) {
    std::printf("  %5.0f .. %5.0f: %4d/%4d = %5.1f %%\n", kSignificanceEdges[k],
                std::min(kSignificanceEdges[k + 1], 999.0), t.by_significance_found[k],
                t.by_significance[k], Percent(t.by_significance_found[k], t.by_significance[k]));
  }
  std::printf("doublets (1.5 FWHM apart, areas > 1000): both found %d/%d = %.1f %%, one %d\n",
              t.doublets_both, t.doublets, Percent(t.doublets_both, t.doublets), t.doublets_one);
  std::printf("found peaks %d; false hits %d = %.1f %% of found; extra hits on one peak %d\n",
              t.found, t.false_hits, Percent(t.false_hits, t.found), t.extra_hits);
  std::printf("  false hits by quarter of the channel range: %d %d %d %d\n", t.false_by_quarter[0],
              t.false_by_quarter[1], t.false_by_quarter[2], t.false_by_quarter[3]);
  std::printf("time per spectrum: %.2f ms\n", 1e3 * t.seconds / std::max(1, spectra));
}

Settings Parse(int argc, char** argv) {
  Settings s;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    const char* value = k + 1 < argc ? argv[k + 1] : "0";
    if (arg == "--verbose" || arg == "--trace") {
      (arg == "--verbose" ? s.verbose : s.trace) = true;
      continue;
    }
    if (arg == "--spectra")
      s.spectra = std::atoi(value);
    else if (arg == "--seed")
      s.seed = static_cast<unsigned>(std::atol(value));
    else if (arg == "--channels")
      s.channels = std::atoi(value);
    else if (arg == "--peaks")
      s.peaks = std::atoi(value);
    else if (arg == "--doublets")
      s.doublets = std::atoi(value);
    else if (arg == "--delta-w")
      s.delta_w = std::atof(value);
    else if (arg == "--sens")
      s.sens = std::atof(value);
    else if (arg == "--resol")
      s.resol = std::atof(value);
    else if (arg == "--max-interval")
      s.max_interval = std::atoi(value);
    else {
      std::fprintf(stderr, "unknown option %s\n", arg.c_str());
      std::exit(2);
    }
    ++k;
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const Settings settings = Parse(argc, argv);
  FakeUi ui;
  Tally fresh, old;
  for (int s = 0; s < settings.spectra; ++s) {
    RandomSpectrumOptions options;
    options.seed = settings.seed + static_cast<unsigned>(s);
    options.channels = settings.channels;
    options.isolated_peaks = settings.peaks;
    options.doublets = settings.doublets;
    const RandomSpectrumResult truth = RandomSpectrum(options);
    const std::vector<double> counts = GenerateCounts(truth.spec);

    double seconds_new = 0.0, seconds_old = 0.0;
    auto state = PrepareState(settings, options, counts);
    const std::vector<double> found_new = RunNew(*state, ui, seconds_new);
    if (settings.trace) std::printf("%s", state->debug_log->MemoryText().c_str());
    state = PrepareState(settings, options, counts);
    const std::vector<double> found_old = RunOld(*state, ui, seconds_old);
    if (settings.trace) std::printf("%s", state->debug_log->MemoryText().c_str());
    fresh.seconds += seconds_new;
    old.seconds += seconds_old;
    if (settings.verbose) {
      std::printf(
          "spectrum %d (seed %u): %zu true peaks, new found %zu (%.1f ms), old %zu "
          "(%.1f ms)\n",
          s + 1, options.seed, truth.spec.peaks.size(), found_new.size(), 1e3 * seconds_new,
          found_old.size(), 1e3 * seconds_old);
    }
    if (settings.verbose) std::printf(" new:\n");
    Score(truth, found_new, fresh, settings.verbose);
    if (settings.verbose) std::printf(" old:\n");
    Score(truth, found_old, old, settings.verbose);
  }
  std::printf(
      "%d spectra x %d channels, %d isolated peaks + %d doublets each; FWHM 3..6, "
      "background 2000..50; delta_w %.2f, sens %.2f, resol %.2f, max_interval %d\n",
      settings.spectra, settings.channels, settings.peaks, settings.doublets, settings.delta_w,
      settings.sens, settings.resol, settings.max_interval);
  Print("new", fresh, settings.spectra);
  Print("old", old, settings.spectra);
  return 0;
}
