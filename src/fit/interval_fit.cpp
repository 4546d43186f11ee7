#include "fit/interval_fit.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/number_format.h"
#include "core/user_interface.h"

namespace pektra {

namespace {

// Widths below this (channels) are taken as this in the model, so that a wild W0 + W1 s never
// divides by zero or turns the shape around.
constexpr double kMinModelWidth = 1e-3;

// Indices of the parameters of an interval with n peaks.
struct Layout {
  int n;
  int amplitude(int k) const { return 4 + k; }
  int position(int k) const { return 4 + n + k; }
  int w0() const { return 5 + 2 * n; }
  int w1() const { return 6 + 2 * n; }
  int count() const { return 2 * n + 6; }
};

Layout LayoutOf(const FitContext& ctx) {
  return Layout{std::clamp(ctx.fit.fit_peaks, 0, kMaxFitPeaks)};
}

double CountAt(const FitContext& ctx, int c) {
  return ctx.spectrum.counts[std::clamp(c, 1, kMaxChannels)];
}

// Background coordinate t(c) in [-1, 1] over the interval (shifted by one channel, as the
// coefficients have always been defined).
double BackgroundCoordinate(const FitContext& ctx, double c) {
  const double span = std::max(1, ctx.fit.fit_last - ctx.fit.fit_first);
  return (2 * c - 2 - ctx.fit.fit_first - ctx.fit.fit_last) / span;
}

// Width coordinate s(c) over the interval under analysis b1..b2.
double WidthCoordinate(const FitContext& ctx, double c) {
  const TSpectrum& sp = ctx.spectrum;
  const double span = std::max(1, sp.b2 - sp.b1);
  return (2 * c - 2 - sp.b1 - sp.b2) / span;
}

// T0..T3 at t.
std::array<double, 4> Chebyshev(double t) {
  const double t2 = 2 * t * t - 1;
  return {1.0, t, t2, 2 * t * t2 - t};
}

double BackgroundValue(const TParameter& fitter, const std::array<double, 4>& tj) {
  double b = 0.0;
  for (int j = 0; j < 4; ++j) b += fitter.param(j + 1).value * tj[static_cast<std::size_t>(j)];
  return b;
}

// df/dp_j of every parameter of the largest interval, by j - 1.
using Derivatives = std::array<double, 2 * kMaxFitPeaks + 6>;

// The model at channel c (fractional for the graphs). A non-empty `derivatives` receives df/dp_j
// at j - 1 for every parameter of the interval (nothing when it is shorter than that).
// fit_components gets background, total and each peak's term. The background terms tj and the
// width coordinate s are those of c.
double EvaluateModelAt(const FitContext& ctx, double c, const std::array<double, 4>& tj, double s,
                       std::span<double> derivatives, const TPeakModel::Slopes* slopes) {
  TParameter& fitter = ctx.fitter;
  const Layout lay = LayoutOf(ctx);
  const double background = BackgroundValue(fitter, tj);
  double* const d =
      derivatives.size() >= static_cast<std::size_t>(lay.count()) ? derivatives.data() : nullptr;
  // d[j - 1] is df/dp_j, 1 <= j <= lay.count().
  if (d) {
    for (int j = 0; j < 4; ++j) d[j] = tj[static_cast<std::size_t>(j)];
  }

  const double raw_width = fitter.param(lay.w0()).value + fitter.param(lay.w1()).value * s;
  const bool width_floored = !(raw_width > kMinModelWidth);
  const double width = width_floored ? kMinModelWidth : raw_width;

  std::vector<double>& components = ctx.fit.fit_components;
  components.resize(static_cast<std::size_t>(lay.n + 2));
  double total = background;
  double d_width = 0.0;
  for (int k = 1; k <= lay.n; ++k) {
    const double a = fitter.param(lay.amplitude(k)).value;
    const double x = (c - fitter.param(lay.position(k)).value) / width;
    const TPeakModel::Shape m =
        slopes ? ctx.peak_model.EvalTable(x, *slopes) : ctx.peak_model.EvalTable(x);
    const double term = a * m.value;
    total += term;
    components[static_cast<std::size_t>(k + 1)] = term;
    if (d) {
      d[lay.amplitude(k) - 1] = m.value;
      d[lay.position(k) - 1] = -(a / width) * m.first;
      d_width -= (a / width) * x * m.first;
    }
  }
  if (d) {
    if (width_floored) d_width = 0.0;
    d[lay.w0() - 1] = d_width;
    d[lay.w1() - 1] = s * d_width;
  }
  components[0] = background;
  components[1] = total;
  return total;
}

double EvaluateModel(const FitContext& ctx, double c, std::span<double> derivatives,
                     const TPeakModel::Slopes* slopes = nullptr) {
  return EvaluateModelAt(ctx, c, Chebyshev(BackgroundCoordinate(ctx, c)), WidthCoordinate(ctx, c),
                         derivatives, slopes);
}

// What a point of the interval keeps through a fit: the measured value and its weight, and the
// background terms and width coordinate of its channel.
struct FixedPoint {
  double y = 0.0, w = 0.0, s = 0.0;
  std::array<double, 4> tj{};
};

// The fixed parts of every point, as ModelPoint works them out; empty when the points are pairs
// of channels (low counts) or reach beyond the channels, where ModelPoint does it all itself.
std::vector<FixedPoint> FixedPoints(const FitContext& ctx) {
  std::vector<FixedPoint> points;
  const TSpectrum& sp = ctx.spectrum;
  if (ctx.fit.fit_max_count < ctx.processing.small_stat || ctx.fit.fit_first < 1 ||
      ctx.fit.fit_last > kMaxChannels) {
    return points;
  }
  for (int c = ctx.fit.fit_first; c <= ctx.fit.fit_last; ++c) {
    FixedPoint point;
    point.y = sp.counts[c];
    const double e = sp.errors[c];
    point.w = e != 0 ? 1.0 / (e * e) : 0.0;
    point.tj = Chebyshev(BackgroundCoordinate(ctx, c));
    point.s = WidthCoordinate(ctx, c);
    points.push_back(point);
  }
  return points;
}

// Starting values and limits of the amplitudes, positions and widths; amplitudes left by a
// previous fit set the position freedom and the amplitude floor.
void InitialGuesses(const FitContext& ctx) {
  TParameter& fitter = ctx.fitter;
  const TSpectrum& sp = ctx.spectrum;
  const Layout lay = LayoutOf(ctx);
  ParameterRecord& w0 = fitter.param(lay.w0());
  ParameterRecord& w1 = fitter.param(lay.w1());
  w0.value = ctx.fit.fit_width;
  w1.value = sp.width_variable;

  const double b0 = fitter.param(1).value;
  const double centre = std::fabs(ctx.peak_model.CentreValue()) + 1e-10;
  for (int k = 1; k <= lay.n; ++k) {
    ParameterRecord& amp = fitter.param(lay.amplitude(k));
    ParameterRecord& pos = fitter.param(lay.position(k));
    const double sigma = std::sqrt(std::fabs(amp.value + 1));
    const double h = ctx.fit.delta_pos == 0
                         ? 0.0
                         : MaxD(ctx.fit.delta_pos, w0.value / sigma) * ctx.fit.pos_factor;
    amp.value = MaxD(std::fabs(CountAt(ctx, RoundToInt(pos.value)) - b0), 10.0) / centre;
    amp.lower = sigma * ctx.fit.amp_factor;
    amp.upper = 1e12;
    if (pos.value >= ctx.fit.fit_first && pos.value <= ctx.fit.fit_last) {
      pos.lower = pos.value - h;
      pos.upper = pos.value + h;
    } else {
      pos.lower = pos.upper = pos.value;
    }
  }

  w0.lower = MaxD(2.0, w0.value - sp.delta_w);
  // The upper limit follows the interval's starting width like the lower one: w1 + delta_w
  // capped every interval at the width of the spectrum's beginning, so with the width taken by
  // channel the peaks of the upper part were fitted too narrow and their areas came out low.
  // With the default starting width w1 the two are the same.
  w0.upper = MaxD(ctx.fit.fit_width + sp.delta_w, w0.lower);  // never an inverted range
  w1.lower = -sp.delta_width_v;
  w1.upper = sp.delta_width_v;
  OrderPair(w1.lower, w1.upper);

  // Neighbours share no position range: overlapping limits meet at their midpoint. A fixed
  // neighbour only bounds the free one.
  for (int k = 1; k < lay.n; ++k) {
    ParameterRecord& left = fitter.param(lay.position(k));
    ParameterRecord& right = fitter.param(lay.position(k + 1));
    if (!(left.upper > right.lower)) continue;
    if (!left.fixed() && !right.fixed()) {
      const double mid = (left.upper + right.lower) / 2;
      left.upper = mid - 0.001;
      right.lower = mid + 0.001;
    } else if (left.fixed() && !right.fixed()) {
      right.lower = left.value + 0.001;
    } else if (!left.fixed() && right.fixed()) {
      left.upper = right.value - 0.001;
    }
  }
  // A range that became inverted (peaks marked out of order or on one channel) fixes the peak.
  for (int k = 1; k <= lay.n; ++k) {
    ParameterRecord& pos = fitter.param(lay.position(k));
    if (pos.lower > pos.upper) pos.lower = pos.upper = pos.value;
  }
}

// Before the retry: loosens what the first fit ran into. Amplitudes and position limits are
// largely set anew by the InitialGuesses that follows.
void RepairParameters(const FitContext& ctx) {
  TParameter& fitter = ctx.fitter;
  const TSpectrum& sp = ctx.spectrum;
  const Layout lay = LayoutOf(ctx);
  for (int k = 1; k <= lay.n; ++k) {
    ParameterRecord& amp = fitter.param(lay.amplitude(k));
    ParameterRecord& pos = fitter.param(lay.position(k));
    if (amp.value <= amp.lower || !(amp.value > 2 * amp.error)) {
      pos.lower = pos.upper = pos.value;
      amp.lower = 1.5;
    }
    if (amp.value <= amp.lower) amp.lower /= 2;
  }
  for (int k = 2; k <= lay.n; ++k) {
    ParameterRecord& left = fitter.param(lay.position(k - 1));
    ParameterRecord& right = fitter.param(lay.position(k));
    if (left.fixed() || right.fixed()) continue;
    if (left.value >= left.upper && right.value > right.lower) {
      const double shift = (right.value - right.lower) / 2;
      left.upper += shift;
      right.lower += shift;
    } else if (left.value < left.upper && right.value <= right.lower) {
      const double shift = (left.upper - left.value) / 2;
      left.upper -= shift;
      right.lower -= shift;
    }
  }
  ParameterRecord& w0 = fitter.param(lay.w0());
  if (!w0.fixed()) {
    if (w0.value <= w0.lower) w0.lower = MaxD(1.0, w0.value - sp.delta_w);
    if (w0.value >= w0.upper) w0.upper = w0.value + sp.delta_w;
  }
}

// Background degree of the interval: from dback and the number of peaks, lower for a flat
// interval, higher for ends of opposite sign, 3 for a refit.
int BackgroundDegree(const FitContext& ctx, int n, bool refit) {
  int d = MinI(n, MinI(std::abs(ctx.spectrum.dback), 3));
  if (ctx.fit.fit_max_count - ctx.fit.fit_min_count <=
      std::sqrt(std::fabs(ctx.fit.fit_min_count))) {
    d = MinI(n, 2);
  }
  const double y1 = CountAt(ctx, ctx.fit.fit_first), y2 = CountAt(ctx, ctx.fit.fit_last);
  if (std::fabs(y1 - y2) >= 1.5 * std::fabs(y1 + y2)) d = MinI(d + 1, 3);
  if (refit) d = 3;
  return d;
}

// The fitter's settings for this interval; multiplets of close or weak peaks get more damping,
// a shorter step and more iterations.
void SetIntervalSettings(const FitContext& ctx) {
  TParameter& fitter = ctx.fitter;
  FitSettings& s = fitter.settings;
  const Layout lay = LayoutOf(ctx);
  s.max_iterations = ctx.fit.niter;
  s.step = ctx.fit.step;
  s.damp = ctx.fit.damper;
  if (lay.n > 1) {
    double r = 1000.0, q = 10000.0;
    for (int k = 1; k <= lay.n; ++k) {
      const double a = fitter.param(lay.amplitude(k)).value;
      const double p = fitter.param(lay.position(k)).value;
      if (p + 0.1 != 0) r = MinD(r, a / (p + 0.1));
      if (k > 1 && ctx.fit.fit_width > 0) {
        q = MinD(q, (p - fitter.param(lay.position(k - 1)).value) / ctx.fit.fit_width);
      }
    }
    const double closeness = MaxD(0.0, MinD(q, r));
    s.damp = MinD(std::pow(10.0, (4 - closeness) / (closeness + 2)) * ctx.fit.damper, 0.1);
    s.step = MaxD(0.25, MinD(((2 * closeness + 1) / (closeness + 2)) * s.step, 1 - s.damp));
    s.max_iterations = MinI(3, lay.n) + RoundToInt((1 - s.step) * 8) + ctx.fit.niter;
  }
  s.penalty_weight = 0.0;
  s.robust_c = 4.0;
  s.robust_k = 0.5;
  s.mean_weight = false;
  s.print_period = ctx.view.debug_mode ? 1 : 0;
}

bool AnyFlag(const TParameter::Quality& q) {
  return q.not_converged || q.not_inverted || q.large_chi2 || q.large_eps || q.one_sided;
}

void TraceLine(const FitContext& ctx, const std::string& line) {
  if (ctx.view.debug_mode && ctx.debug_log) ctx.debug_log->WriteLine(line);
}

// The notes of one fit, in the order the fitter made them.
void ShowNotes(UserInterface& ui, const FitSummary& summary) {
  for (const std::string& note : summary.notes) ui.ShowNote(note);
}

}  // namespace

namespace {

// The point procedure with the derivatives into `derivatives` (see EvaluateModelAt).
PointValue ModelPointWith(const FitContext& ctx, int k, const TPeakModel::Slopes* slopes,
                          const std::vector<FixedPoint>* fixed, std::span<double> derivatives) {
  if (fixed && k >= 1 && static_cast<std::size_t>(k) <= fixed->size()) {
    const FixedPoint& point = (*fixed)[static_cast<std::size_t>(k - 1)];
    PointValue pv;
    pv.y = point.y;
    pv.w = point.w;
    pv.f = EvaluateModelAt(ctx, ctx.fit.fit_first + k - 1, point.tj, point.s, derivatives, slopes);
    return pv;
  }
  const TSpectrum& sp = ctx.spectrum;
  const int c = ctx.fit.fit_first + k - 1;
  PointValue pv;
  if (c < 1 || c > kMaxChannels) return pv;  // weight 0: the point is left out
  pv.y = sp.counts[c];
  double e = sp.errors[c];
  if (ctx.fit.fit_max_count < ctx.processing.small_stat && c + 1 <= kMaxChannels) {
    pv.y += sp.counts[c + 1];
    e = std::sqrt(e * e + sp.errors[c + 1] * sp.errors[c + 1]);
  }
  pv.w = e != 0 ? 1.0 / (e * e) : 0.0;
  pv.f = EvaluateModel(ctx, c, derivatives, slopes);
  if (ctx.fit.fit_max_count < ctx.processing.small_stat && c + 1 <= kMaxChannels) {
    // The measured value is the sum of two channels, so the model is too: fitted against one
    // channel's model, the amplitudes came out twice the peaks' and the positions half a
    // channel high.
    Derivatives first{};
    const std::size_t count = std::min(derivatives.size(), first.size());
    std::copy_n(derivatives.begin(), count, first.begin());
    pv.f += EvaluateModel(ctx, c + 1, derivatives, slopes);
    for (std::size_t j = 0; j < count; ++j) derivatives[j] += first[j];
  }
  return pv;
}

}  // namespace

PointValue ModelPoint(const FitContext& ctx, int stage, int k) {
  (void)stage;
  TParameter& fitter = ctx.fitter;
  Derivatives derivatives{};
  const std::size_t count =
      std::min(derivatives.size(), static_cast<std::size_t>(std::max(0, fitter.parameter_count())));
  const PointValue pv =
      ModelPointWith(ctx, k, nullptr, nullptr, std::span<double>(derivatives.data(), count));
  for (std::size_t j = 0; j < count; ++j)
    fitter.param(static_cast<int>(j) + 1).increment = derivatives[j];
  return pv;
}

double FittedValue(const FitContext& ctx, double x) {
  return EvaluateModel(ctx, ctx.fit.fit_first + x - 1, {});
}

FittedCurve CurveOfLastFit(const FitContext& ctx) {
  FittedCurve curve;
  curve.first = std::max(ctx.fit.fit_first, 1);
  curve.last = std::min(ctx.fit.fit_last, kMaxChannels);
  for (int c = curve.first; c <= curve.last; ++c) {
    curve.counts.push_back(ctx.spectrum.counts[c]);
    for (const double third : {0.0, 1.0 / 3.0, 2.0 / 3.0}) {
      curve.values.push_back(FittedValue(ctx, c - ctx.fit.fit_first + 1 + third));
    }
  }
  return curve;
}

void FitInterval(const FitContext& ctx, UserInterface& ui, int first_peak, bool refit) {
  const int n = ctx.fit.fit_peaks;
  if (n < 1 || n > kMaxFitPeaks || first_peak < 1 || first_peak + n - 1 > kMaxPeaks) return;
  if (ctx.fit.fit_first < 1 || ctx.fit.fit_last > kMaxChannels ||
      ctx.fit.fit_last < ctx.fit.fit_first) {
    return;
  }
  TParameter& fitter = ctx.fitter;
  const Layout lay{n};
  fitter.set_debug_log(ctx.view.debug_mode ? ctx.debug_log : nullptr);
  fitter.set_parameter_count(lay.count());
  fitter.set_point_count(ctx.fit.fit_last - ctx.fit.fit_first + 1);

  // Step 1: the count range of the interval.
  ctx.fit.fit_max_count = -1e300;
  ctx.fit.fit_min_count = 1e300;
  for (int c = ctx.fit.fit_first; c <= ctx.fit.fit_last; ++c) {
    ctx.fit.fit_max_count = MaxD(ctx.fit.fit_max_count, ctx.spectrum.counts[c]);
    ctx.fit.fit_min_count = MinD(ctx.fit.fit_min_count, ctx.spectrum.counts[c]);
  }

  // Every parameter independent; amplitudes start from 0, positions from the marking.
  for (int j = 1; j <= lay.count(); ++j) {
    fitter.param(j) = ParameterRecord{};
    fitter.param(j).dep = j;
  }
  for (int j = 1; j <= 4; ++j) {
    fitter.param(j).lower = -1e11;
    fitter.param(j).upper = 1e11;
  }
  fitter.param(1).value = ctx.fit.fit_min_count;
  fitter.param(1).lower = std::sqrt(std::fabs(ctx.fit.fit_min_count));
  ctx.fit.fit_bg_degree = BackgroundDegree(ctx, n, refit);
  for (int j = ctx.fit.fit_bg_degree + 1; j <= 3; ++j) {
    fitter.param(j + 1).lower = fitter.param(j + 1).upper = 0.0;
  }
  for (int k = 1; k <= n; ++k) {
    fitter.param(lay.position(k)).value = ctx.marking.peak_list[first_peak + k - 1];
  }

  InitialGuesses(ctx);
  ctx.fit.fit_components.assign(static_cast<std::size_t>(n + 2), 0.0);

  const FitSettings creation = fitter.settings;
  SetIntervalSettings(ctx);
  TraceLine(ctx, "Interval fit " + std::to_string(ctx.fit.fit_first) + " - " +
                     std::to_string(ctx.fit.fit_last) + ", " + std::to_string(n) +
                     " peak(s), background degree " + std::to_string(ctx.fit.fit_bg_degree));
  // The peak model stays as it is during the fit: its slopes are worked out once.
  const TPeakModel::Slopes slopes = ctx.peak_model.TableSlopes();
  // So do the points' measured values, weights and coordinates.
  const std::vector<FixedPoint> fixed = FixedPoints(ctx);
  auto point = [&ctx, &slopes, &fixed](int, int k, std::span<double> derivatives) {
    return ModelPointWith(ctx, k, &slopes, &fixed, derivatives);
  };
  ShowNotes(ui, fitter.Fit(point));
  if (AnyFlag(fitter.CheckQuality())) {
    TraceLine(ctx, "Interval fit: quality flags set, one more fit");
    fitter.settings.robust_k /= 2;
    fitter.settings.mean_weight = true;
    fitter.Soften();
    ParameterRecord& w0 = fitter.param(lay.w0());
    if (ctx.fit.fit_width > 1 && w0.value < 1) w0.value = ctx.fit.fit_width;
    RepairParameters(ctx);
    InitialGuesses(ctx);
    ShowNotes(ui, fitter.Fit(point));
  }
  fitter.settings = creation;
}

ResultRow PeakResult(const FitContext& ctx, int k) {
  const TParameter& fitter = ctx.fitter;
  const TSpectrum& sp = ctx.spectrum;
  const Layout lay = LayoutOf(ctx);
  ResultRow row{};
  if (k < 1 || k > lay.n) return row;
  const ParameterRecord& pos = fitter.param(lay.position(k));
  const ParameterRecord& amp = fitter.param(lay.amplitude(k));
  const ParameterRecord& w0 = fitter.param(lay.w0());
  const double p = pos.value;
  const double width = w0.value + fitter.param(lay.w1()).value * WidthCoordinate(ctx, p);
  const double area = std::fabs(amp.value * width);
  // The area A W is propagated with the covariances of A, W0 and W1: A and W0 are strongly
  // anti-correlated, and the sum of squares alone overstates the error by about 40 %.
  double area_error = std::hypot(amp.error * width, w0.error * amp.value);
  if (fitter.matrix_inverted()) {
    const double s = WidthCoordinate(ctx, p);
    const int index[] = {lay.amplitude(k), lay.w0(), lay.w1()};
    const double gradient[] = {width, amp.value, amp.value * s};
    double variance = 0.0;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        const ParameterRecord& pi = fitter.param(index[i]);
        const ParameterRecord& pj = fitter.param(index[j]);
        if (pi.fixed() || pj.fixed() || pi.error == 0 || pj.error == 0) continue;
        variance += gradient[i] * gradient[j] * fitter.inverse(index[i], index[j]);
      }
    }
    if (variance > 0 && std::isfinite(variance)) area_error = std::sqrt(variance);
  }

  // Counts and background within 1.5 FWHM of the peak, inside the spectrum.
  const int lo = std::clamp(RoundToInt(MaxD(sp.a1, p - 1.5 * width)), 1, kMaxChannels);
  const int hi = std::clamp(RoundToInt(MinD(sp.a2, p + 1.5 * width)), 1, kMaxChannels);
  const int channels = MaxI(0, hi - lo + 1);
  double total = 0.0;
  for (int c = lo; c <= hi; ++c) total += sp.counts[c];
  const double fitted_bg =
      channels * BackgroundValue(fitter, Chebyshev(BackgroundCoordinate(ctx, p)));
  const double edge_bg = (CountAt(ctx, ctx.fit.fit_first) + CountAt(ctx, ctx.fit.fit_first + 1) +
                          CountAt(ctx, ctx.fit.fit_last) + CountAt(ctx, ctx.fit.fit_last - 1)) /
                         4 * channels;
  const double b = (fitted_bg + edge_bg) / 2;
  const double criterion = (total - b) / std::sqrt(std::fabs(total) + std::fabs(b) + 1);

  row = {p, pos.error, area, area_error, width, w0.error, criterion, std::fabs(b)};
  return row;
}

namespace {

// A free parameter that ended on its lower or upper limit (the fitter clips values to them).
bool OnLimit(const ParameterRecord& p) {
  return !p.fixed() && (p.value <= p.lower || p.value >= p.upper);
}

// Errors exist only when the final pass ran on an inverted matrix.
bool ErrorsAvailable(const TParameter& fitter) {
  switch (fitter.stop_reason()) {
    case FitStop::kConverged:
    case FitStop::kIterationLimit:
    case FitStop::kCriterionIncreased:
      return fitter.matrix_inverted();
    default:
      return false;
  }
}

}  // namespace

RowFlags PeakFlags(const FitContext& ctx, int k) {
  const TParameter& fitter = ctx.fitter;
  const Layout lay = LayoutOf(ctx);
  RowFlags flags;
  if (k < 1 || k > lay.n) return flags;
  if (!ErrorsAvailable(fitter)) flags.Set(RowFlag::kNoErrors);
  if (OnLimit(fitter.param(lay.w0())) || OnLimit(fitter.param(lay.w1()))) {
    flags.Set(RowFlag::kWidthAtLimit);
  }
  if (OnLimit(fitter.param(lay.position(k)))) flags.Set(RowFlag::kPositionAtLimit);
  return flags;
}

void ShowParameterArray(const FitContext& ctx, UserInterface& ui) {
  const TParameter& fitter = ctx.fitter;
  const Layout lay = LayoutOf(ctx);
  DialogContent dialog = OpenDialogForm("Parameter array", 100, 610, 430);
  DialogParameterTable& table = dialog.table;
  table.visible = true;
  table.rows = MinI(lay.count(), fitter.parameter_count());
  for (int j = 1; j <= table.rows; ++j) {
    std::string name;
    if (j <= 4) {
      name = "Background" + std::to_string(j - 1);
    } else if (j <= 4 + lay.n) {
      name = "Amplitude" + std::to_string(j - 4);
    } else if (j <= 4 + 2 * lay.n) {
      name = "Position" + std::to_string(j - 4 - lay.n);
    } else {
      name = "Width" + std::to_string(j - 4 - 2 * lay.n);
    }
    const ParameterRecord& p = fitter.param(j);
    table.cells.push_back({name, std::to_string(p.dep), FormatGridCell(12, p.lower),
                           FormatGridCell(12, p.value), FormatGridCell(12, p.upper),
                           FormatGridCell(8, p.coef), FormatGridCell(8, p.offset)});
  }
  DialogLabel& label = dialog.labels[0];
  label.visible = true;
  label.left = 5;
  label.top = 377;
  label.text = "Eps=" + FormatGeneral(10, fitter.eps());
  ui.ShowDialog(dialog);
}

}  // namespace pektra
