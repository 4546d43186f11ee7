#include "fit/refinement.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "core/result_rows.h"
#include "core/user_interface.h"
#include "fit/fit_context.h"
#include "fit/interval_fit.h"

namespace pektra {

namespace {

constexpr int kMaxFitsPerInterval = 12;
constexpr int kMaxAddedPerInterval = 4;

// The starting width of an interval: the width line at its middle. (The plain spectrum fit
// starts every interval at w1 unless width_by_channel is set; a start far from the true width
// lets the refinement split one wide peak into narrow ones.)
double StartWidth(const FitContext& ctx, int left, int right) {
  const TSpectrum& sp = ctx.spectrum;
  const double span = MaxD(1.0, sp.b2 - sp.b1);
  const double u = std::clamp((0.5 * (left + right) - sp.b1) / span, 0.0, 1.0);
  return UsableWidth((1 - u) * sp.w1 + u * sp.w2);
}

std::string Channel(double c) { return FormatFixed(8, 2, c); }

// One interval under refinement: its bounds, its peaks and a context whose marking holds them.
class IntervalFit {
 public:
  IntervalFit(const FitContext& ctx, UserInterface& ui, int left, int right,
              std::vector<RefinedPeak> peaks, std::vector<std::string>& notes)
      : ctx_(ctx),
        scratch_(Scratch()),
        local_{ctx.spectrum, ctx.peak_model, ctx.fitter, ctx.fit,      scratch_,
               ctx.results,  ctx.processing, ctx.view,   ctx.debug_log},
        ui_(ui),
        notes_(notes),
        left_(left),
        right_(right),
        peaks_(std::move(peaks)),
        scanner_(ctx) {}

  RefinedInterval Run();

 private:
  const RefineSettings& Settings() const { return ctx_.marking.refinement; }
  void Fit();
  bool RemoveUnsupported();
  bool AddFromResiduals();
  void Note(const std::string& text);

  const FitContext& ctx_;
  // The marking the interval fit reads its peaks from. The fit reads only the first entries of
  // its peak list, which Fit() writes before every fit, so one marking per thread serves every
  // interval instead of a new one whose arrays were written whole for each.
  static MarkingState& Scratch() {
    static thread_local MarkingState scratch;
    return scratch;
  }
  MarkingState& scratch_;
  FitContext local_;
  UserInterface& ui_;
  std::vector<std::string>& notes_;
  int left_, right_;
  std::vector<RefinedPeak> peaks_;  // row[0] is the channel
  std::vector<double> rejected_;    // channels removed, not to be added again
  ExcessScanner scanner_;
  int fits_ = 0, added_ = 0;
};

void IntervalFit::Note(const std::string& text) {
  notes_.push_back(text);
  if (ctx_.debug_log) ctx_.debug_log->WriteLine(text);
}

void IntervalFit::Fit() {
  std::sort(peaks_.begin(), peaks_.end(),
            [](const RefinedPeak& a, const RefinedPeak& b) { return a.row[0] < b.row[0]; });
  const int n = static_cast<int>(peaks_.size());
  for (int k = 1; k <= n; ++k) scratch_.peak_list[k] = peaks_[k - 1].row[0];
  ctx_.fit.fit_first = left_;
  ctx_.fit.fit_last = right_;
  ctx_.fit.fit_peaks = n;
  ctx_.fit.fit_width = StartWidth(ctx_, left_, right_);
  FitInterval(local_, ui_, 1, /*refit=*/false);
  for (int k = 1; k <= n; ++k) {
    peaks_[k - 1].row = PeakResult(local_, k);
    peaks_[k - 1].fit_flags = PeakFlags(local_, k);
  }
  ++fits_;
}

// The fitted peaks that are no peaks: not significant, run to a position limit, or converged
// onto a stronger neighbour. Returns whether any was removed.
bool IntervalFit::RemoveUnsupported() {
  const TParameter& fitter = ctx_.fitter;
  if (!fitter.matrix_inverted()) return false;  // no errors to judge by: the fit stands
  const int n = static_cast<int>(peaks_.size());
  std::vector<std::string> why(peaks_.size());
  auto significance = [&](int k) {
    const ResultRow& r = peaks_[k].row;
    return r[3] > 0 ? r[2] / r[3] : 0.0;
  };
  auto position = [&](int k) -> const ParameterRecord& { return fitter.param(5 + n + k); };
  // Two peaks that compete for one feature: the weaker goes, the other is marked.
  auto merge = [&](int k, int j) {
    const int weak = significance(k) < significance(j) ? k : j;
    why[weak] = "converged onto its neighbour";
    peaks_[weak == k ? j : k].flags.Set(RowFlag::kNeighbourMerged);
  };
  // Close peaks that share one feature are each insignificant while both are there: of such a
  // cluster only the least significant goes in one round.
  std::vector<bool> weak(peaks_.size());
  for (int k = 0; k < n; ++k) {
    const ParameterRecord& amp = fitter.param(5 + k);
    // A lone peak is a discovery anywhere in the spectrum and needs a higher bar; one beside a
    // stronger peak is looked for in a few channels only.
    bool lone = true;
    for (int j = 0; j < n && lone; ++j) {
      lone = j == k || significance(j) < significance(k) ||
             std::fabs(peaks_[j].row[0] - peaks_[k].row[0]) > 3 * UsableWidth(peaks_[k].row[4]);
    }
    const double bar =
        lone ? MaxD(Settings().accept_sigma, Settings().lone_sigma) : Settings().accept_sigma;
    weak[k] = !(significance(k) >= bar) || amp.value <= amp.lower;
  }
  for (int k = 0; k < n; ++k) {
    if (!weak[k]) continue;
    const double reach = 1.5 * UsableWidth(peaks_[k].row[4]);
    bool weakest = true;
    for (int j = 0; j < n; ++j) {
      if (j == k || !weak[j] || std::fabs(peaks_[j].row[0] - peaks_[k].row[0]) >= reach) continue;
      if (significance(j) < significance(k) || (significance(j) == significance(k) && j < k)) {
        weakest = false;
      }
    }
    if (!weakest) continue;
    why[k] = "area " + FormatFixed(10, 0, peaks_[k].row[2]) + " +- " +
             FormatFixed(8, 0, peaks_[k].row[3]) + " not significant";
  }
  for (int k = 0; k < n; ++k) {
    const ParameterRecord& pos = position(k);
    if (!why[k].empty() || pos.fixed()) continue;
    const bool at_lower = pos.value <= pos.lower, at_upper = pos.value >= pos.upper;
    if (!at_lower && !at_upper) continue;
    // A limit shared with a neighbour (their ranges meet halfway) is a conflict between the two;
    // the peak's own limit means it wandered off.
    const int j = at_upper ? k + 1 : k - 1;
    const bool shared =
        j >= 0 && j < n && why[j].empty() &&
        std::fabs(at_upper ? position(j).lower - pos.upper : pos.lower - position(j).upper) < 0.01;
    if (shared) {
      merge(k, j);
    } else {
      why[k] = "position ran to its limit";
    }
  }
  for (int k = 0; k + 1 < n; ++k) {
    const double w = UsableWidth(peaks_[k].row[4]);
    if (!why[k].empty() || !why[k + 1].empty()) continue;
    if (peaks_[k + 1].row[0] - peaks_[k].row[0] < Settings().merge_fwhm * w) merge(k, k + 1);
  }
  std::vector<RefinedPeak> kept;
  for (int k = 0; k < n; ++k) {
    if (why[k].empty()) {
      kept.push_back(peaks_[k]);
      continue;
    }
    rejected_.push_back(peaks_[k].row[0]);
    Note("Refinement: peak at" + Channel(peaks_[k].row[0]) + " removed, " + why[k]);
  }
  const bool removed = kept.size() != peaks_.size();
  peaks_ = std::move(kept);
  return removed;
}

// The strongest excess of the residuals of the last fit, if it is significant and new: a new
// peak at its place. Returns whether one was added.
bool IntervalFit::AddFromResiduals() {
  if (added_ >= kMaxAddedPerInterval || peaks_.empty()) return false;
  // A width held at its limit leaves residuals that no added peak should explain: the row's W
  // flag says what is wrong (the width information).
  if (peaks_.front().fit_flags.Has(RowFlag::kWidthAtLimit)) return false;
  // Two views of what the fit leaves: the residuals of the whole fit, and the counts less the
  // fitted peaks against a local straight line (the background polynomial may have bent itself
  // into a peak that is missing). Both indexed from left_.
  const std::size_t length = static_cast<std::size_t>(right_ - left_ + 1);
  std::vector<double> residual(length), unexplained(length);
  for (int c = left_; c <= right_; ++c) {
    const double total = FittedValue(local_, c - left_ + 1.0);
    const double background = ctx_.fit.fit_components[0];
    residual[static_cast<std::size_t>(c - left_)] = ctx_.spectrum.counts[c] - total;
    unexplained[static_cast<std::size_t>(c - left_)] =
        ctx_.spectrum.counts[c] - (total - background);
  }
  const double w = UsableWidth(peaks_.front().row[4]);
  double best = 0.0, where = 0.0;
  for (double c = left_ + 1; c <= right_ - 1; c += 0.5) {
    int lo = MaxI(left_, static_cast<int>(std::floor(c - 1.5 * w)));
    int hi = MinI(right_, static_cast<int>(std::ceil(c + 1.5 * w)));
    double z = scanner_.Significance(residual, left_, lo, hi, c, w, /*with_line=*/false);
    lo = MaxI(left_, static_cast<int>(std::floor(c - 3 * w)));
    hi = MinI(right_, static_cast<int>(std::ceil(c + 3 * w)));
    if (hi - lo >= 4) {
      z = MaxD(z, scanner_.Significance(unexplained, left_, lo, hi, c, w, /*with_line=*/true));
    }
    if (z > best) {
      best = z;
      where = c;
    }
  }
  if (!(best >= Settings().residual_sigma)) return false;
  for (const double r : rejected_) {
    if (std::fabs(r - where) < Settings().merge_fwhm * w) return false;
  }
  RefinedPeak peak;
  peak.row[0] = where;
  peak.flags.Set(RowFlag::kAddedByFit);
  peaks_.push_back(peak);
  ++added_;
  Note("Refinement: peak added at" + Channel(where) + ", residual excess " +
       FormatFixed(6, 1, best) + " sigma");
  return true;
}

RefinedInterval IntervalFit::Run() {
  // Every change is followed by a fit, so the rows always belong to the peaks kept.
  while (!peaks_.empty()) {
    Fit();
    if (fits_ >= kMaxFitsPerInterval) break;
    if (RemoveUnsupported()) continue;
    if (!AddFromResiduals()) break;
  }
  const TParameter& fitter = ctx_.fitter;
  return {
      left_,
      right_,
      peaks_,
      fitter.chi2_df() * fitter.ndf(),
      fitter.matrix_inverted(),
      peaks_.empty() || !ctx_.results.keep_fitted_curves ? FittedCurve{} : CurveOfLastFit(local_)};
}

}  // namespace

const double* ExcessScanner::ShapeFor(double centre, double fwhm, int reach) {
  const double fraction = centre - std::floor(centre);
  for (const Shape& s : shapes_) {
    if (s.fraction == fraction && s.reach >= reach && std::fabs(s.fwhm - fwhm) <= 0.002 * fwhm) {
      return ValuesFor(s.fwhm, s.fraction, s.reach);
    }
  }
  Shape& s = shapes_[next_];
  next_ = 1 - next_;
  s.fwhm = fwhm;
  s.fraction = fraction;
  s.reach = reach;
  return ValuesFor(s.fwhm, s.fraction, s.reach);
}

const double* ExcessScanner::ValuesFor(double fwhm, double fraction, int reach) {
  Values* found = nullptr;
  for (Values& v : values_) {
    if (v.fwhm == fwhm && v.fraction == fraction) found = &v;
  }
  if (found == nullptr) {
    found = &values_[next_values_];
    next_values_ = (next_values_ + 1) % 4;
    found->fwhm = fwhm;
    found->fraction = fraction;
    found->reach = -1;
  }
  if (found->reach < reach) {
    // Every value depends only on the width, the fraction and its offset.
    found->reach = reach;
    found->values.resize(static_cast<std::size_t>(2 * reach + 1));
    for (int d = -reach; d <= reach; ++d) {
      found->values[static_cast<std::size_t>(d + reach)] =
          ctx_.peak_model.EvalTable((d - fraction) / fwhm).value / fwhm;
    }
  }
  return found->values.data() + found->reach;
}

void ExcessScanner::CoverWeights(int lo, int hi) {
  if (lo > hi) return;
  const int last = weights_first_ + static_cast<int>(weights_.size()) - 1;
  if (!weights_.empty() && lo >= weights_first_ && hi <= last) return;
  // A margin on both sides, so that a scan moving on by a channel at a time finds them for a
  // while.
  constexpr int kMargin = 128;
  const int first = lo - kMargin;
  const int end = hi + kMargin;
  weights_first_ = first;
  weight_errors_.assign(static_cast<std::size_t>(end - first + 1), 0.0);
  weights_.assign(weight_errors_.size(), 0.0);
  for (int c = MaxI(first, 1); c <= MinI(end, kMaxChannels); ++c) {
    const std::size_t at = static_cast<std::size_t>(c - first);
    const double e = ctx_.spectrum.errors[c];
    weight_errors_[at] = e;
    weights_[at] = e > 0 ? 1.0 / (e * e) : 0.0;
  }
}

double ExcessScanner::Significance(const std::vector<double>& excess, int base, int lo, int hi,
                                   double centre, double fwhm, bool with_line) {
  // Weighted least squares of excess = S g + b0 + b1 t, g the unit-area peak per channel.
  const int channel = static_cast<int>(std::floor(centre));
  const int reach = MaxI(channel - lo, hi - channel);
  const double* const shape = ShapeFor(centre, fwhm, reach);
  double a[3][3] = {}, r[3] = {};
  const double half = MaxD(1.0, 0.5 * (hi - lo));
  CoverWeights(lo, hi);
  const std::size_t cached = weights_.size();
  // The sums over m = 1 or 3 functions, m fixed at compile time so that the loops over it unroll.
  auto sums = [&](auto functions) {
    constexpr int m = decltype(functions)::value;
    for (int c = lo; c <= hi; ++c) {
      const double e = ctx_.spectrum.errors[c];
      if (!(e > 0)) continue;
      // The weight worked out by CoverWeights for this error, as long as the error is the same.
      const std::size_t at = static_cast<std::size_t>(c - weights_first_);
      const bool known = at < cached && weight_errors_[at] == e;
      const double weight = known ? weights_[at] : 1.0 / (e * e);
      const double g = shape[c - channel];  // |c - channel| <= reach
      const double y = excess[static_cast<std::size_t>(c - base)];
      const double f[3] = {g, 1.0, m == 3 ? (c - centre) / half : 0.0};
      for (int i = 0; i < m; ++i) {
        r[i] += weight * f[i] * y;
        for (int j = 0; j < m; ++j) a[i][j] += weight * f[i] * f[j];
      }
    }
  };
  if (!with_line) {
    sums(std::integral_constant<int, 1>{});
    return a[0][0] > 0 ? r[0] / std::sqrt(a[0][0]) : 0.0;
  }
  sums(std::integral_constant<int, 3>{});
  // The inverse's first row by cofactors.
  const double c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
  const double c01 = a[0][2] * a[2][1] - a[0][1] * a[2][2];
  const double c02 = a[0][1] * a[1][2] - a[0][2] * a[1][1];
  const double det = a[0][0] * c00 + a[1][0] * c01 + a[2][0] * c02;
  if (!(std::fabs(det) > 1e-300) || !(c00 / det > 0)) return 0.0;
  const double s = (c00 * r[0] + c01 * r[1] + c02 * r[2]) / det;
  return s / std::sqrt(c00 / det);
}

RefinedInterval RefineInterval(const FitContext& ctx, UserInterface& ui, int left, int right,
                               std::vector<RefinedPeak> peaks, std::vector<std::string>& notes) {
  return IntervalFit(ctx, ui, left, right, std::move(peaks), notes).Run();
}

}  // namespace pektra
