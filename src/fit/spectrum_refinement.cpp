// The spectrum fit with refinement: the marked intervals refined one by one, then the channels
// between them searched for peaks the marking missed, and the marking rebuilt from what the fits
// support.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "core/result_rows.h"
#include "core/user_interface.h"
#include "fit/fit_context.h"
#include "fit/interval_fit.h"
#include "fit/refinement.h"

namespace pektra {

namespace {

struct Interval {
  RefinedInterval refined;
  bool fitted = true;          // false: passed over (too long, no peaks), peaks as marked
  std::vector<double> marked;  // the peaks of an interval passed over
};

double FwhmAt(const FitContext& ctx, double c) {
  const TSpectrum& sp = ctx.spectrum;
  const double span = MaxD(1.0, sp.b2 - sp.b1);
  return UsableWidth(sp.w1 + (sp.w2 - sp.w1) * (c - sp.b1) / span);
}

// Adds the fitted peak terms of the last interval fit, over the interval and two widths beyond
// it, to `explained`.
void AddExplained(const FitContext& ctx, const RefinedInterval& interval,
                  std::vector<double>& explained) {
  if (interval.peaks.empty()) return;
  const double w = UsableWidth(interval.peaks.front().row[4]);
  const int lo = MaxI(1, static_cast<int>(interval.left - 2 * w));
  const int hi = MinI(kMaxChannels, static_cast<int>(interval.right + 2 * w));
  for (int c = lo; c <= hi; ++c) {
    FittedValue(ctx, c - ctx.fit.fit_first + 1.0);
    const std::vector<double>& parts = ctx.fit.fit_components;
    explained[static_cast<std::size_t>(c)] += parts[1] - parts[0];
  }
}

// The channels of b1..b2 outside every interval where an excess of the peak's shape over a local
// straight background reaches residual_sigma: the strongest first, one per FWHM.
std::vector<double> GapCandidates(const FitContext& ctx, const std::vector<Interval>& intervals,
                                  const std::vector<double>& explained) {
  const TSpectrum& sp = ctx.spectrum;
  const int b1 = MaxI(sp.b1, 1), b2 = MinI(sp.b2, kMaxChannels);
  std::vector<bool> covered(static_cast<std::size_t>(kMaxChannels) + 1, false);
  for (const Interval& i : intervals) {
    for (int c = MaxI(i.refined.left, 1); c <= MinI(i.refined.right, kMaxChannels); ++c) {
      covered[static_cast<std::size_t>(c)] = true;
    }
  }
  std::vector<double> excess(static_cast<std::size_t>(kMaxChannels) + 1, 0.0);
  for (int c = b1; c <= b2; ++c) {
    excess[static_cast<std::size_t>(c)] = sp.counts[c] - explained[static_cast<std::size_t>(c)];
  }
  ExcessScanner scanner(ctx);
  std::vector<double> z(static_cast<std::size_t>(kMaxChannels) + 2, 0.0);
  for (int c = b1; c <= b2; ++c) {
    if (covered[static_cast<std::size_t>(c)]) continue;
    const double w = FwhmAt(ctx, c);
    const int lo = MaxI(b1, static_cast<int>(std::floor(c - 3 * w)));
    const int hi = MinI(b2, static_cast<int>(std::ceil(c + 3 * w)));
    if (hi - lo < 4) continue;
    z[static_cast<std::size_t>(c)] = scanner.Significance(excess, 0, lo, hi, c, w, true);
  }
  struct Candidate {
    double z;
    int c;
  };
  std::vector<Candidate> maxima;
  const double threshold = ctx.marking.refinement.residual_sigma;
  for (int c = b1; c <= b2; ++c) {
    const double v = z[static_cast<std::size_t>(c)];
    if (v >= threshold && v >= z[static_cast<std::size_t>(c - 1)] &&
        v >= z[static_cast<std::size_t>(c + 1)]) {
      maxima.push_back({v, c});
    }
  }
  std::sort(maxima.begin(), maxima.end(),
            [](const Candidate& a, const Candidate& b) { return a.z > b.z; });
  std::vector<double> chosen;
  for (const Candidate& m : maxima) {
    const double w = FwhmAt(ctx, m.c);
    const bool near =
        std::any_of(chosen.begin(), chosen.end(), [&](double c) { return std::fabs(c - m.c) < w; });
    if (!near) chosen.push_back(m.c);
  }
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}

// The detector's width as the spectrum shows it: a straight line through the widths of the
// strong single peaks (outliers, such as unresolved doublets, dropped in turns); the width line
// of the settings when there are fewer than five such peaks.
struct WidthModel {
  double offset = 0.0, slope = 0.0;
  bool measured = false;
  double At(double c) const { return offset + slope * c; }
};

WidthModel MeasuredWidths(const FitContext& ctx, const std::vector<Interval>& intervals) {
  struct Point {
    double c, w, e;
  };
  std::vector<Point> points;
  for (const Interval& i : intervals) {
    if (!i.fitted || i.refined.peaks.size() != 1 || !i.refined.inverted) continue;
    const ResultRow& r = i.refined.peaks.front().row;
    if (!(r[3] > 0) || r[2] / r[3] < 20) continue;
    points.push_back({r[0], r[4], MaxD(r[5], 0.02 * r[4])});
  }
  WidthModel model;
  const TSpectrum& sp = ctx.spectrum;
  model.slope = (sp.w2 - sp.w1) / MaxD(1.0, sp.b2 - sp.b1);
  model.offset = sp.w1 - model.slope * sp.b1;
  for (int round = 0; round < 4 && points.size() >= 5; ++round) {
    double s = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Point& p : points) {
      const double g = 1.0 / (p.e * p.e);
      s += g;
      sx += g * p.c;
      sy += g * p.w;
      sxx += g * p.c * p.c;
      sxy += g * p.c * p.w;
    }
    const double d = s * sxx - sx * sx;
    if (!(d > 0)) break;
    model.slope = (s * sxy - sx * sy) / d;
    model.offset = (sy - model.slope * sx) / s;
    model.measured = true;
    std::vector<Point> kept;
    for (const Point& p : points) {
      if (std::fabs(p.w - model.At(p.c)) <= 3 * MaxD(p.e, 0.05 * p.w)) kept.push_back(p);
    }
    if (kept.size() == points.size()) break;
    points = std::move(kept);
  }
  return model;
}

// A single peak much wider than the detector's width may be two: fitted again as two peaks, the
// pair is kept when it explains the counts clearly better and its width is the detector's.
void SplitWideSinglets(const FitContext& ctx, UserInterface& ui, std::vector<Interval>& intervals,
                       const WidthModel& widths, std::vector<std::string>& notes) {
  for (Interval& i : intervals) {
    if (!i.fitted || i.refined.peaks.size() != 1 || !i.refined.inverted) continue;
    const ResultRow& r = i.refined.peaks.front().row;
    const double expected = widths.At(r[0]);
    if (!(expected > 0) || r[4] < 1.25 * expected || r[4] - expected < 5 * r[5]) continue;
    std::vector<RefinedPeak> pair(2);
    pair[0].row[0] = r[0] - 0.3 * expected;
    pair[1].row[0] = r[0] + 0.3 * expected;
    pair[0].flags.Set(RowFlag::kAddedByFit);
    pair[1].flags.Set(RowFlag::kAddedByFit);
    std::vector<std::string> trial_notes;
    RefinedInterval split =
        RefineInterval(ctx, ui, i.refined.left, i.refined.right, std::move(pair), trial_notes);
    if (split.peaks.size() != 2 || !split.inverted || !(split.chi2 < i.refined.chi2 - 9)) continue;
    const double width = split.peaks.front().row[4];
    if (width < 0.8 * expected || width > 1.2 * expected) continue;
    notes.push_back("Refinement: peak at" + FormatFixed(8, 2, r[0]) + " (width " +
                    FormatFixed(5, 2, r[4]) + ", expected " + FormatFixed(5, 2, expected) +
                    ") split into two");
    notes.insert(notes.end(), trial_notes.begin(), trial_notes.end());
    i.refined = std::move(split);
  }
}

// Half the length of a new interval around a peak at c, as the division makes them.
double HalfLength(const FitContext& ctx, double c) {
  return ctx.marking.k_width * FwhmAt(ctx, c) + 0.5 * ctx.marking.ad_interv;
}

// New intervals for the candidates between the intervals: neighbouring candidates share one, an
// interval that would overlap a fitted one joins it when the two together are not too long, and
// is cut back to the free channels otherwise.
void PlaceCandidates(const FitContext& ctx, UserInterface& ui, std::vector<Interval>& intervals,
                     const std::vector<double>& candidates, std::vector<std::string>& notes) {
  const TSpectrum& sp = ctx.spectrum;
  std::size_t k = 0;
  while (k < candidates.size()) {
    std::vector<RefinedPeak> peaks;
    double first = candidates[k], last = candidates[k];
    while (k < candidates.size() && candidates[k] - last < 2 * HalfLength(ctx, last)) {
      RefinedPeak p;
      p.row[0] = last = candidates[k++];
      p.flags.Set(RowFlag::kAddedByFit);
      peaks.push_back(p);
    }
    int left = MaxI(sp.b1, RoundToInt(first - HalfLength(ctx, first)));
    int right = MinI(sp.b2, RoundToInt(last + HalfLength(ctx, last)));
    std::vector<std::size_t> overlapping;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
      const RefinedInterval& r = intervals[i].refined;
      if (r.right >= left && r.left <= right) overlapping.push_back(i);
    }
    bool joined = false;
    int join_left = left, join_right = right;
    bool all_fitted = true;
    for (const std::size_t i : overlapping) {
      join_left = MinI(join_left, intervals[i].refined.left);
      join_right = MaxI(join_right, intervals[i].refined.right);
      all_fitted = all_fitted && intervals[i].fitted;
    }
    if (!overlapping.empty() && all_fitted &&
        join_right - join_left + 1 <= ctx.marking.max_interval) {
      for (const std::size_t i : overlapping) {
        for (const RefinedPeak& p : intervals[i].refined.peaks) {
          RefinedPeak start;
          start.row[0] = p.row[0];
          start.flags = p.flags;
          peaks.push_back(start);
        }
      }
      for (auto i = overlapping.rbegin(); i != overlapping.rend(); ++i) {
        intervals.erase(intervals.begin() + static_cast<std::ptrdiff_t>(*i));
      }
      left = join_left;
      right = join_right;
      joined = true;
    } else {
      for (const std::size_t i : overlapping) {
        const RefinedInterval& r = intervals[i].refined;
        if (r.left <= first) left = MaxI(left, r.right + 1);
        if (r.right >= last) right = MinI(right, r.left - 1);
      }
    }
    const double w = FwhmAt(ctx, first);
    if (!joined && (right - left + 1 < 2 * w + 3 || left > first || right < last)) {
      notes.push_back("Refinement: no room for a peak at" + FormatFixed(8, 2, first));
      continue;
    }
    Interval added;
    added.refined = RefineInterval(ctx, ui, left, right, std::move(peaks), notes);
    intervals.push_back(std::move(added));
  }
  std::sort(intervals.begin(), intervals.end(),
            [](const Interval& a, const Interval& b) { return a.refined.left < b.refined.left; });
}

// The marking and the result rows from the refined intervals: rows after those of earlier
// markings, with the flags of the fit and of the refinement; the peaks of an interval passed over
// keep their place in the marking and count as empty rows. A full table is reported once.
void Rebuild(const FitContext& ctx, UserInterface& ui, const std::vector<Interval>& intervals) {
  MarkingState& marking = ctx.marking;
  const int offset = ctx.results.result_offset;
  int peaks = 0, count = 0;
  bool full_reported = false;
  for (const Interval& i : intervals) {
    const int n =
        i.fitted ? static_cast<int>(i.refined.peaks.size()) : static_cast<int>(i.marked.size());
    if (n == 0 || count >= kMaxPeaks || peaks + n > kMaxPeaks) continue;
    ++count;
    marking.interval_table[count] = {i.refined.left, i.refined.right, peaks + 1, peaks + n};
    for (int k = 0; k < n; ++k) {
      ++peaks;
      if (!i.fitted) {
        marking.peak_list[peaks] = i.marked[static_cast<std::size_t>(k)];
        continue;
      }
      const RefinedPeak& p = i.refined.peaks[static_cast<std::size_t>(k)];
      if (k == 0 && !i.refined.curve.values.empty()) {
        ctx.results.fitted_curves.push_back(i.refined.curve);
      }
      marking.peak_list[peaks] = p.row[0];
      if (offset + peaks > kResultCapacity) {
        if (!full_reported) ui.ShowNote("Error, too many peaks in the table");
        full_reported = true;
        continue;
      }
      RowFlags flags = p.fit_flags;
      StoreResultRow(ctx.results, ui, offset + peaks, p.row, flags.Add(p.flags));
    }
    ReserveResultRows(ctx.results, offset + peaks);
  }
  marking.peak_count = peaks;
  marking.interval_count = count;
}

}  // namespace

void RefineSpectrum(const FitContext& ctx, UserInterface& ui) {
  std::vector<std::string>& notes = ctx.fit.refinement_notes;
  notes.clear();
  std::vector<Interval> intervals;
  std::vector<double> explained(static_cast<std::size_t>(kMaxChannels) + 1, 0.0);
  const int count = std::min(ctx.marking.interval_count, kMaxPeaks);
  for (int i = 1; i <= count; ++i) {
    const IntervalRecord record = ctx.marking.interval_table[i];
    Interval interval;
    interval.refined.left = record.left;
    interval.refined.right = record.right;
    const int n = record.last_peak - record.first_peak + 1;
    const std::string bounds = std::to_string(record.left) + " " + std::to_string(record.right);
    if (n <= 0) {
      ui.ShowNote("Error, no peaks in " + bounds);
      continue;
    }
    if (record.first_peak < 1 || record.last_peak > kMaxPeaks || record.left < 1 ||
        record.right > kMaxChannels || record.right < record.left) {
      continue;
    }
    std::vector<RefinedPeak> start;
    for (int k = record.first_peak; k <= record.first_peak + MinI(n, kMaxFitPeaks) - 1; ++k) {
      RefinedPeak p;
      p.row[0] = ctx.marking.peak_list[k];
      start.push_back(p);
    }
    if (record.right - record.left + 1 > ctx.marking.max_interval) {
      ui.ShowNote("Error, too long interval " + bounds);
      interval.fitted = false;
      for (const RefinedPeak& p : start) interval.marked.push_back(p.row[0]);
      intervals.push_back(std::move(interval));
      continue;
    }
    interval.refined = RefineInterval(ctx, ui, record.left, record.right, std::move(start), notes);
    AddExplained(ctx, interval.refined, explained);
    intervals.push_back(std::move(interval));
  }
  PlaceCandidates(ctx, ui, intervals, GapCandidates(ctx, intervals, explained), notes);
  SplitWideSinglets(ctx, ui, intervals, MeasuredWidths(ctx, intervals), notes);
  Rebuild(ctx, ui, intervals);
}

}  // namespace pektra
