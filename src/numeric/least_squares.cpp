#include "numeric/least_squares.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/debug_log.h"
#include "core/number_format.h"
#include "core/wide_vectors.h"

namespace pektra {

namespace {

constexpr double kDerivativeScale = 1.0 / 1024.0;  // relative step of numerical derivatives
constexpr double kSecondStep = 1.0 / 128.0;        // additive step of second derivatives

std::string Number(double x) { return FormatGeneral(10, x); }

// column[l] += scale * d[l] for l < count. The two never overlap; saying so lets the compiler
// take several elements at a time, each still summed in the same order.
void AddScaled(double* __restrict column, const double* __restrict d, double scale,
               std::size_t count) {
  for (std::size_t l = 0; l < count; ++l) column[l] += scale * d[l];
}

// The same for two columns at once: first[l] += first_scale * d[l] and second[l] += second_scale
// * d[l] for l < count; each element gets the same one product as from AddScaled.
void AddScaledTwice(double* __restrict first, double* __restrict second, const double* __restrict d,
                    double first_scale, double second_scale, std::size_t count) {
  for (std::size_t l = 0; l < count; ++l) {
    first[l] += first_scale * d[l];
    second[l] += second_scale * d[l];
  }
}

// rhs[k] += w d[k] r and diag[k] += w d[k]^2 for k < count.
void AddToRhsAndDiagonal(const double* __restrict d, std::size_t count, double w, double r,
                         double* __restrict rhs, double* __restrict diag) {
  for (std::size_t k = 0; k < count; ++k) {
    const double wdk = w * d[k];
    rhs[k] += wdk * r;
    diag[k] += wdk * d[k];
  }
}

// Whether every one of v[0..count) is a finite number: the exponent field of a double is all ones
// just for infinities and NaN, and adding one to such a field carries into the sign bit. Integer
// operations only, so the compiler takes several elements at a time.
bool AllFinite(const double* v, std::size_t count) {
  constexpr std::uint64_t kExponent = 0x7ff0000000000000;
  constexpr std::uint64_t kExponentOne = 0x0010000000000000;
  std::uint64_t carried = 0;
  for (std::size_t k = 0; k < count; ++k)
    carried |= (std::bit_cast<std::uint64_t>(v[k]) & kExponent) + kExponentOne;
  return (carried >> 63) == 0;
}

// to[k] = from[index[k]] for k < count.
void Gather(const double* __restrict from, const std::size_t* __restrict index, std::size_t count,
            double* __restrict to) {
  for (std::size_t k = 0; k < count; ++k) to[k] = from[index[k]];
}

// column[i] -= pivot[i] * scale for first <= i < last (two different columns of one matrix).
void SubtractScaled(double* __restrict column, const double* __restrict pivot, double scale,
                    std::size_t first, std::size_t last) {
  for (std::size_t i = first; i < last; ++i) column[i] -= pivot[i] * scale;
}

}  // namespace

std::string_view Describe(FitStop stop) {
  switch (stop) {
    case FitStop::kNotRun:
      return "The fit has not run.";
    case FitStop::kConverged:
      return "The fit converged: Eps and the criterion fell under their bounds.";
    case FitStop::kIterationLimit:
      return "The fit used up its iterations before it converged.";
    case FitStop::kCriterionIncreased:
      return "The fit stopped because the criterion grew.";
    case FitStop::kSingularMatrix:
      return "The fit stopped because the normal matrix could not be inverted.";
    case FitStop::kNonFiniteModel:
      return "The fit stopped because the model gave a value that is not a finite number.";
    case FitStop::kNoPoints:
      return "The fit did not start: there are no points or no parameters.";
    case FitStop::kWrongParameters:
      return "The fit did not start: a parameter follows a later one or has a bad coefficient.";
    case FitStop::kNoFreeParameters:
      return "The fit did not start: every parameter is fixed or follows another.";
    case FitStop::kAllWeightsZero:
      return "The fit stopped because no point had a weight.";
  }
  return "The fit stopped for an unknown reason.";
}

TParameter::TParameter(int number_of_parameters, int number_of_points)
    : capacity_(std::max(0, number_of_parameters)),
      n_(capacity_),
      points_(std::max(0, number_of_points)),
      params_(static_cast<std::size_t>(capacity_)) {
  InitParameters();
  InitSettings();
}

void TParameter::set_parameter_count(int n) { n_ = std::clamp(n, 0, capacity_); }

void TParameter::InitParameters() {
  for (int j = 1; j <= capacity_; ++j) {
    param(j) = ParameterRecord{};
    param(j).dep = j;
  }
}

void TParameter::InitSettings() { settings = FitSettings{}; }

void TParameter::Soften() {
  settings.damp = std::min(0.1, 10 * settings.damp);
  settings.step /= 2;
  settings.point_step = 1;
  // At the ceiling more iterations would not be made; growing further could overflow.
  if (settings.max_iterations != 0 && settings.max_iterations < kIterationCeiling) {
    ++settings.max_iterations;
    if (settings.max_iterations >= 2 && settings.max_iterations <= 4) settings.max_iterations = 5;
  }
}

TParameter::Quality TParameter::CheckQuality() const {
  Quality q;
  q.not_converged = !converged_;
  q.not_inverted = !matrix_inverted_;
  q.large_chi2 = !(chi2_df_ < 3.0);
  q.large_eps = !(eps_ < settings.eps_min);
  q.one_sided = chi2_df_ > 0.1 && (chi2_plus_ < 0.25 || chi2_plus_ > 0.75);
  return q;
}

void TParameter::Note(const std::string& text) {
  summary_.notes.push_back(text);
  Trace(text);
}

void TParameter::Trace(const std::string& line) {
  if (log_) log_->WriteLine(line);
}

std::string TParameter::ValueLines(const std::vector<double>& values,
                                   const std::string& head) const {
  std::string text;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (k % 5 == 0) text += (k == 0 ? head : "\n" + std::string(head.size(), ' '));
    text += " " + FormatExp(13, 6, values[k]);
  }
  return text;
}

bool TParameter::Prepare() {
  ResetResults();
  if (!InputUsable()) return false;
  // Dependent limits and values follow their masters; worked out on a copy so that a fit that
  // cannot start leaves the records as they were.
  bool contradiction = false;
  const std::vector<ParameterRecord> records = FollowMasters(contradiction);
  AssignSlots(records);
  if (nfree_ == 0) {
    error_text_ = "Error, no free parameters";
    summary_.stop = FitStop::kNoFreeParameters;
    return false;
  }
  std::copy(records.begin(), records.end(), params_.begin());
  if (contradiction) Note("Warning! Fixing and dependence contradiction removed");
  AllocateWork();
  return true;
}

// The settings a fit cannot work with made usable, and the results of the last fit cleared.
void TParameter::ResetResults() {
  settings.point_step = std::max(1, settings.point_step);
  if (settings.robust_c == 0) settings.robust_c = 1;
  matrix_inverted_ = true;
  continue_flag_ = true;
  converged_ = true;
  hit_boundary_ = false;
  updated_ = false;
  iterations_ = 0;
  eps_ = 1e16;
  previous_ = 1e16;
  criterion_ = 1e16;
  gradient_ = 0.0;
  sum_inv_sigma_ = 0.0;
  penalty_ = 0.0;
  chi2_df_ = chi2_plus_ = 0.0;
  ndf_ = 1;
  packed_ = settings.packed != 0;
  error_text_.clear();
  summary_ = FitSummary{};
}

// Points and parameters to fit, and every dependence on an earlier parameter with a usable
// coefficient.
bool TParameter::InputUsable() {
  if (points_ <= 0 || n_ <= 0) {
    Note("No points (or no parameters)");
    summary_.stop = FitStop::kNoPoints;
    return false;
  }
  for (int j = 1; j <= n_; ++j) {
    const ParameterRecord& p = param(j);
    if (p.dep < 1 || p.dep > j || p.coef == 0 || !std::isfinite(p.coef)) {
      Note("Wrong parameter array");
      continue_flag_ = false;
      summary_.stop = FitStop::kWrongParameters;
      return false;
    }
  }
  return true;
}

// The records with the limits and values of dependent parameters taken from their masters; a
// fixed parameter loses its dependence (`contradiction` tells whether one did).
std::vector<ParameterRecord> TParameter::FollowMasters(bool& contradiction) const {
  std::vector<ParameterRecord> records(params_.begin(), params_.begin() + n_);
  for (int j = 1; j <= n_; ++j) {
    ParameterRecord& p = records[static_cast<std::size_t>(j - 1)];
    if (p.dep == j) continue;
    if (p.fixed()) {
      p.dep = j;
      contradiction = true;
      continue;
    }
    const ParameterRecord& m = records[static_cast<std::size_t>(p.dep - 1)];
    p.lower = p.coef * m.lower + p.offset;
    p.upper = p.coef * m.upper + p.offset;
    if (p.lower > p.upper) std::swap(p.lower, p.upper);
    p.value = p.coef * m.value + p.offset;
  }
  return records;
}

// The matrix index of every parameter: all of them in full-matrix mode, the free ones in packed
// mode.
void TParameter::AssignSlots(const std::vector<ParameterRecord>& records) {
  slot_.assign(static_cast<std::size_t>(n_), 0);
  owner_.clear();
  for (int j = 1; j <= n_; ++j) {
    const ParameterRecord& p = records[static_cast<std::size_t>(j - 1)];
    if (!packed_ || (!p.fixed() && p.dep == j)) {
      owner_.push_back(j);
      slot_[static_cast<std::size_t>(j - 1)] = static_cast<int>(owner_.size());
    }
  }
  nfree_ = static_cast<int>(owner_.size());
  if (packed_) {
    Trace(".... Compression: from " + std::to_string(n_) + "  to " + std::to_string(nfree_));
  }
}

void TParameter::AllocateWork() {
  nm_ = nfree_;
  matrix_.assign(static_cast<std::size_t>(nm_ * nm_), 0.0);
  rhs_.assign(static_cast<std::size_t>(nm_), 0.0);
  diag_.assign(static_cast<std::size_t>(nm_), 0.0);
  deriv_.assign(static_cast<std::size_t>(n_), 0.0);
  spare_deriv_.assign(static_cast<std::size_t>(n_), 0.0);
  // In full-matrix mode the rows of fixed parameters are replaced before the inversion (unless
  // keep_rows says otherwise), so their products are not summed at all.
  active_.clear();
  for (int k = 1; k <= nm_; ++k) {
    const bool replaced = !packed_ && settings.keep_rows == 0 &&
                          param(owner_[static_cast<std::size_t>(k - 1)]).fixed();
    if (!replaced) active_.push_back(static_cast<std::size_t>(k - 1));
  }
  active_deriv_.assign(active_.size(), 0.0);
  // Where the derivatives of the matrix indices and of the active ones are in deriv_.
  matrix_deriv_.assign(static_cast<std::size_t>(nm_), 0.0);
  matrix_source_.clear();
  identity_owners_ = true;
  for (int k = 1; k <= nm_; ++k) {
    matrix_source_.push_back(static_cast<std::size_t>(owner_[static_cast<std::size_t>(k - 1)] - 1));
    identity_owners_ = identity_owners_ && matrix_source_.back() == static_cast<std::size_t>(k - 1);
  }
  active_source_.clear();
  for (const std::size_t k : active_) active_source_.push_back(matrix_source_[k]);
  active_matrix_.assign(active_.size() * active_.size(), 0.0);
  hess_.assign(static_cast<std::size_t>(n_ * n_), 0.0);
}

TParameter::Pass TParameter::PlanPass(int stage) const {
  Pass pass;
  pass.stage = stage;
  pass.final_pass = stage == kFinalStage;
  pass.step = pass.final_pass ? 1 : settings.point_step;
  pass.numerical = settings.derivatives != 0;
  // Second derivatives only where they are affordable and the full matrix can take them.
  pass.second = pass.final_pass && !packed_ && pass.numerical && n_ < 11;
  pass.first_iteration = !pass.final_pass && iterations_ == 0;
  return pass;
}

// One pass over the points: the weighted sums of the normal equations. Returns false when the
// pass cannot be used (a value that is not a finite number, or no point with a weight).
bool TParameter::RunPass(PointRef point, const PenaltyProcedure& penalty, int stage) {
  const Pass pass = PlanPass(stage);
  std::fill(matrix_.begin(), matrix_.end(), 0.0);
  std::fill(rhs_.begin(), rhs_.end(), 0.0);
  std::fill(diag_.begin(), diag_.end(), 0.0);
  std::fill(active_matrix_.begin(), active_matrix_.end(), 0.0);
  PassSums sums;
  empty_ = 0;
  for (int i = 1; i <= points_; i += pass.step) {
    const PointValue pv = point(stage, i, deriv_);
    if (pv.w == 0 || pv.w < 0) {  // a zero or negative weight leaves the point out
      ++empty_;
      continue;
    }
    if (!AddPoint(point, pass, i, pv, sums)) return FailNonFinite(i);
  }
  if (settings.check_deriv) Trace(".... Max der. diff. = " + Number(sums.max_difference));
  if (sums.used == 0) return FailAllWeightsZero();
  ScatterActive();

  chi2sum_ = sums.chi2;
  chi2plus_sum_ = sums.chi2_plus;
  return FoldAndInvert(penalty, stage);
}

// Adds point i, whose procedure gave pv, to the normal equations and the sums. Returns false
// when the point or one of its derivatives is not a finite number.
bool TParameter::AddPoint(PointRef point, const Pass& pass, int i, const PointValue& pv,
                          PassSums& sums) {
  if (!std::isfinite(pv.w) || !std::isfinite(pv.y) || !std::isfinite(pv.f)) return false;
  const double w = PointWeight(pv.w, pass);
  // The usual case, analytic derivatives the procedure wrote into deriv_: only their check.
  const bool as_written = point.direct() && !pass.numerical && !settings.check_deriv &&
                          !pass.second && deriv_.size() == static_cast<std::size_t>(n_);
  if (as_written ? !AllFinite(deriv_.data(), deriv_.size())
                 : !PointDerivatives(point, pass, i, pv.f, sums.max_difference)) {
    return false;
  }

  const Residual residual = Weigh(pv, w);
  sums.chi2 += residual.c;
  if (residual.r > 0) sums.chi2_plus += residual.c;
  if (packed_) PackDerivatives();
  Accumulate(residual.w, residual.r, pass.second);

  if (pass.final_pass && settings.trace_points) {
    Trace("  y= " + Number(pv.y) + "  f= " + Number(pv.f) + "  c= " + Number(residual.c) +
          "  sigma= " + Number(1.0 / residual.s));
  }
  if (settings.trace_deriv) Trace(ValueLines(deriv_, "  deriv"));
  ++sums.used;
  return true;
}

bool TParameter::FailNonFinite(int index) {
  Trace("++++ Not a finite model value at point " + std::to_string(index));
  summary_.stop = FitStop::kNonFiniteModel;
  matrix_inverted_ = false;
  converged_ = false;
  return false;
}

bool TParameter::FailAllWeightsZero() {
  Note("All errors=0.Fit stopped");
  summary_.stop = FitStop::kAllWeightsZero;
  continue_flag_ = false;
  matrix_inverted_ = false;
  return false;
}

// The derivatives at point i into deriv_ (and the second ones into hess_); f is the model value
// there. A direct procedure has already written them there. Returns false when one is not a
// finite number.
bool TParameter::PointDerivatives(PointRef point, const Pass& pass, int i, double f,
                                  double& max_difference) {
  double* const deriv = deriv_.data();
  const std::size_t count = std::min(deriv_.size(), static_cast<std::size_t>(n_));
  // Finite or not is found without a branch per element.
  bool finite = true;
  if (point.direct()) {
    finite = AllFinite(deriv, count);
  } else {
    const ParameterRecord* const records = params_.data();
    for (std::size_t j = 0; j < count; ++j) {
      const double v = records[j].increment;
      deriv[j] = v;
      finite &= std::fabs(v) <= std::numeric_limits<double>::max();
    }
  }
  const bool changed = pass.numerical || settings.check_deriv || pass.second;
  if (!changed && count == deriv_.size()) return finite;
  if (pass.numerical || settings.check_deriv) {
    NumericalFirstDerivatives(point, pass, i, f, max_difference);
  }
  if (pass.second) NumericalSecondDerivatives(point, pass.stage, i, f);
  // Leave the procedure at the fitted values.
  if (pass.numerical && pass.final_pass) point(pass.stage, i, spare_deriv_);
  return AllFinite(deriv_.data(), deriv_.size());
}

// Forward differences for every parameter that is not fixed: they replace the procedure's
// derivatives when the derivatives are numerical, and are compared with them when they are checked.
void TParameter::NumericalFirstDerivatives(PointRef point, const Pass& pass, int i, double f,
                                           double& max_difference) {
  for (int j = 1; j <= n_; ++j) {
    if (param(j).fixed()) continue;
    const double h = std::max(std::fabs(param(j).value) * kDerivativeScale, 1e-6);
    const double numeric = (MovedValue(point, pass.stage, i, j, h) - f) / std::max(1e-6, h);
    double& analytic = deriv_[static_cast<std::size_t>(j - 1)];
    if (settings.check_deriv)
      max_difference = std::max(max_difference, std::fabs(numeric - analytic));
    if (pass.numerical) analytic = numeric;
  }
}

// Central differences on the diagonal and forward ones off it, into hess_ (n x n by parameter).
void TParameter::NumericalSecondDerivatives(PointRef point, int stage, int i, double f) {
  std::fill(hess_.begin(), hess_.end(), 0.0);
  const double scale = 1.0 / (kSecondStep * kSecondStep);
  std::vector<double> up(static_cast<std::size_t>(n_), 0.0);
  for (int j = 1; j <= n_; ++j) {
    if (param(j).fixed()) continue;
    up[static_cast<std::size_t>(j - 1)] = MovedValue(point, stage, i, j, kSecondStep);
    const double down = MovedValue(point, stage, i, j, -kSecondStep);
    hess_[static_cast<std::size_t>((j - 1) * n_ + (j - 1))] =
        (up[static_cast<std::size_t>(j - 1)] - 2 * f + down) * scale;
  }
  for (int j = 1; j <= n_; ++j) {
    if (param(j).fixed()) continue;
    for (int k = j + 1; k <= n_; ++k) {
      if (param(k).fixed()) continue;
      const double both = MovedValue(point, stage, i, j, kSecondStep, k, kSecondStep);
      const double h =
          (both + f - up[static_cast<std::size_t>(j - 1)] - up[static_cast<std::size_t>(k - 1)]) *
          scale;
      hess_[static_cast<std::size_t>((k - 1) * n_ + (j - 1))] = h;
      hess_[static_cast<std::size_t>((j - 1) * n_ + (k - 1))] = h;
    }
  }
}

// The model value at point i with parameter j moved by h (and k by hk); the values are put back.
// A direct procedure's derivatives there go to spare_deriv_, so deriv_ keeps those of the point.
double TParameter::MovedValue(PointRef point, int stage, int i, int j, double h, int k, double hk) {
  const double vj = param(j).value;
  const double vk = k ? param(k).value : 0.0;
  param(j).value = vj + h;
  if (k) param(k).value = vk + hk;
  const double f = point(stage, i, spare_deriv_).f;
  param(j).value = vj;
  if (k) param(k).value = vk;
  return f;
}

// The point's weight w from its procedure, or the mean weight once the first iteration has
// summed 1 / sigma over the points.
double TParameter::PointWeight(double w, const Pass& pass) {
  if (pass.first_iteration) sum_inv_sigma_ += 1.0 / std::sqrt(std::fabs(w));
  if (settings.mean_weight && !pass.final_pass && iterations_ > 0 && sum_inv_sigma_ > 0) {
    return std::pow(ndf_ / sum_inv_sigma_, 2);
  }
  return w;
}

// Weighting 0 and 1 re-weight by the residual (L1-like); weighting 2 is least squares with
// points beyond robust_c errors down-weighted.
TParameter::Residual TParameter::Weigh(const PointValue& pv, double w) const {
  Residual residual;
  residual.r = pv.y - pv.f;
  residual.s = std::sqrt(w);
  residual.w = w;
  const double r = residual.r, s = residual.s;
  const double t = std::fabs(r) * s;
  if (settings.weighting == 0) {
    residual.w = std::sqrt(s) / std::max(1e-6, t * std::sqrt(t));
    residual.c = r * r * residual.w;
  } else if (settings.weighting == 1) {
    residual.w = s / std::max(1e-6, std::fabs(r));
    residual.c = r * r * residual.w;
  } else {
    residual.c = t * t;
    if (t >= settings.robust_c) DownWeightOutlier(t, residual);
  }
  return residual;
}

// A residual of t errors beyond robust_c counts by (k + 1) / (u^2 + k), u = t / robust_c.
void TParameter::DownWeightOutlier(double t, Residual& residual) const {
  const double u = t / settings.robust_c;
  const double g = (settings.robust_k + 1) / (u * u + settings.robust_k);
  residual.w *= g;
  residual.c *= g;
}

// Packed mode: a dependent parameter's derivative counts for its master (chain rule); the free
// parameters' derivatives are then the ones taken.
void TParameter::PackDerivatives() {
  for (int j = n_; j >= 1; --j) {
    const ParameterRecord& p = param(j);
    if (p.dep != j)
      deriv_[static_cast<std::size_t>(p.dep - 1)] +=
          p.coef * deriv_[static_cast<std::size_t>(j - 1)];
  }
}

// Adds one point to the normal equations: w d d^T (less w r times the second derivatives) to the
// upper triangle, w d r to the right-hand side, w d^2 to the diagonal kept apart.
PEKTRA_WIDE_VECTORS void TParameter::Accumulate(double w, double r, bool second) {
  const std::size_t nm = static_cast<std::size_t>(nm_);
  const std::size_t na = active_.size();
  // Every buffer was sized for nm_ (and n_) matrix indices by AllocateWork.
  if (active_deriv_.size() < na || rhs_.size() < nm || diag_.size() < nm ||
      active_matrix_.size() < na * na || matrix_source_.size() < nm || matrix_deriv_.size() < nm ||
      active_source_.size() < na) {
    return;
  }
  const double* const deriv = deriv_.data();
  const double* matrix_deriv = deriv;  // full-matrix mode: the matrix indices are the parameters
  if (!identity_owners_) {
    Gather(deriv, matrix_source_.data(), nm, matrix_deriv_.data());
    matrix_deriv = matrix_deriv_.data();
  }
  AddToRhsAndDiagonal(matrix_deriv, nm, w, r, rhs_.data(), diag_.data());
  double* const d = active_deriv_.data();
  Gather(deriv, active_source_.data(), na, d);
  double* const matrix = active_matrix_.data();
  if (second) {
    for (std::size_t k = 0; k < na; ++k) {
      double* const column = matrix + k * na;
      AddScaled(column, d, w * d[k], k + 1);
      const std::size_t row = active_[k] * static_cast<std::size_t>(n_);
      for (std::size_t l = 0; l <= k; ++l) column[l] -= w * r * hess_[row + active_[l]];
    }
    return;
  }
  // A zero derivative (a peak far from the point) adds only zeros, the other derivatives being
  // finite: a sum started at +0 does not change by adding +0 or -0, so the column is left out.
  // Two neighbouring columns that both take part are summed in one sweep over d.
  for (std::size_t k = 0; k < na;) {
    const double wdk = w * d[k];
    if (wdk == 0) {
      ++k;
      continue;
    }
    double* const column = matrix + k * na;
    const double wdnext = k + 1 < na ? w * d[k + 1] : 0.0;
    if (wdnext == 0) {
      AddScaled(column, d, wdk, k + 1);
      k += 2;  // the next column is left out as well
      continue;
    }
    double* const next = column + na;
    AddScaledTwice(column, next, d, wdk, wdnext, k + 1);
    next[k + 1] += wdnext * d[k + 1];
    k += 2;
  }
}

// The sums of the active rows into the upper triangle of the normal matrix; the rows left out
// stay 0 until FoldAndInvert replaces them.
void TParameter::ScatterActive() {
  const std::size_t nm = static_cast<std::size_t>(nm_);
  const std::size_t na = active_.size();
  for (std::size_t k = 0; k < na; ++k) {
    for (std::size_t l = 0; l <= k; ++l) {
      matrix_.at(active_[k] * nm + active_[l]) = active_matrix_[k * na + l];
    }
  }
}

// Completes the normal matrix, folds fixed and dependent rows (full-matrix mode), forms chi2/df,
// damps the diagonal and inverts the matrix in place.
bool TParameter::FoldAndInvert(const PenaltyProcedure& penalty, int stage) {
  const bool final_pass = stage == kFinalStage;
  for (int k = 1; k <= nm_; ++k) {
    for (int l = 1; l < k; ++l) a(k, l) = a(l, k);
  }
  double sum = 0.0;
  for (const double b : rhs_) sum += b * b;
  gradient_ = std::sqrt(sum / nfree_);

  int folded = 0;
  replaced_.assign(static_cast<std::size_t>(nm_), 0);
  if (!packed_) {
    auto replace = [&](int j) {
      if (settings.keep_rows == 0) {
        for (int k = 1; k <= nm_; ++k) a(j, k) = a(k, j) = 0.0;
        a(j, j) = 1.0;
        replaced_[static_cast<std::size_t>(j - 1)] = 1;
      }
      rhs_[static_cast<std::size_t>(j - 1)] = 0.0;
      ++folded;
    };
    // From the last parameter down, so that a chain of dependences reaches its first master.
    for (int j = n_; j >= 1; --j) {
      const ParameterRecord& p = param(j);
      if (p.dep != j) {
        const int m = p.dep;
        for (int k = 1; k <= nm_; ++k) a(m, k) += p.coef * a(j, k);
        for (int k = 1; k <= nm_; ++k) a(k, m) += p.coef * a(k, j);
        rhs_[static_cast<std::size_t>(m - 1)] += p.coef * rhs_[static_cast<std::size_t>(j - 1)];
        replace(j);
      } else if (p.fixed()) {
        replace(j);
      }
    }
    for (int k = 1; k <= nm_; ++k) diag_[static_cast<std::size_t>(k - 1)] = a(k, k);
  }
  const int step = final_pass ? 1 : settings.point_step;
  ndf_ = std::max(1, (points_ - empty_) / step - nfree_ + folded);
  if (settings.chi2_max < 0) settings.chi2_max = std::sqrt(2.0 / ndf_) + 1;
  chi2_df_ = chi2sum_ / ndf_;
  chi2_plus_ = chi2plus_sum_ / std::max(chi2sum_, 1e-6);
  penalty_ = penalty ? penalty() : 0.0;

  if (settings.damp != 0) {
    const double grow = final_pass ? 1 + 1e-5 : 1 + settings.damp;
    const double floor = final_pass ? 1e-5 : settings.damp;
    for (int k = 1; k <= nm_; ++k) {
      if (param(owner_[static_cast<std::size_t>(k - 1)]).fixed()) continue;
      a(k, k) = grow * std::fabs(a(k, k));
      if (std::fabs(a(k, k)) < 1e-7) a(k, k) = floor;
    }
  }
  if (!InvertSymmetric(matrix_, nm_, replaced_)) {
    Trace("++++ The normal matrix is singular");
    matrix_inverted_ = false;
    converged_ = false;
    summary_.stop = FitStop::kSingularMatrix;
    return false;
  }
  if (settings.trace_matrix) PrintMatrix();
  if (settings.trace_corr) {
    double product = 0.0;
    for (int k = 1; k <= nm_; ++k) product += diag_[static_cast<std::size_t>(k - 1)] * a(k, k);
    Trace("FofCorr= " + Number(product / nm_));
  }
  return true;
}

namespace {

enum class SweepEnd { kInverted, kSingular, kNegativePivot };

// Work arrays of the inversions, kept per thread from one inversion to the next.
struct SweepWork {
  std::vector<char> swept, apart;
  std::vector<std::size_t> kept;
  std::vector<std::pair<std::size_t, std::size_t>> runs;  // first and length of kept rows
  std::vector<double> small;
};
thread_local SweepWork sweep_work;

// The symmetric sweep inversion of the n x n matrix at m (column-major), in place. With
// `positive_pivots` it stops at the first negative pivot (kNegativePivot, the matrix half swept).
PEKTRA_WIDE_VECTORS SweepEnd Sweep(double* m, std::size_t n, bool positive_pivots) {
  auto at = [m, n](std::size_t i, std::size_t j) -> double& { return m[j * n + i]; };
  std::vector<char>& swept = sweep_work.swept;
  swept.assign(n, 0);
  for (std::size_t round = 0; round < n; ++round) {
    std::size_t p = n;
    double largest = -1.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!swept[i] && std::fabs(at(i, i)) > largest) {
        largest = std::fabs(at(i, i));
        p = i;
      }
    }
    const double d = p < n ? at(p, p) : 0.0;
    if (!(std::fabs(d) >= 1e-16) || !std::isfinite(d)) return SweepEnd::kSingular;
    if (positive_pivots && d < 0) return SweepEnd::kNegativePivot;
    // Column by column, every row but the pivot's: a(i, j) -= a(i, p) a(p, j) / d.
    const double* const pivot_column = m + p * n;
    for (std::size_t j = 0; j < n; ++j) {
      if (j == p) continue;
      double* const column = m + j * n;
      const double apj = column[p] / d;
      // Row p too, in one run; its element then becomes a(p, j) / d, which is apj (nothing
      // else reads row p in this round).
      SubtractScaled(column, pivot_column, apj, 0, n);
      column[p] = apj;
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (i != p) at(i, p) /= d;
    }
    at(p, p) = -1.0 / d;
    swept[p] = 1;
  }
  for (std::size_t k = 0; k < n * n; ++k) {
    m[k] = -m[k];
    if (!std::isfinite(m[k])) return SweepEnd::kSingular;
  }
  return SweepEnd::kInverted;
}

bool IsPositiveZero(double v) { return v == 0 && !std::signbit(v); }

// Row r holds its diagonal element D >= 1e-16 alone: +0 elsewhere in its row and column.
bool StandsAlone(const std::vector<double>& m, std::size_t n, std::size_t r) {
  const double d = m[r * n + r];
  if (!std::isfinite(d) || !(d >= 1e-16)) return false;
  for (std::size_t k = 0; k < n; ++k) {
    if (k != r && !(IsPositiveZero(m[r * n + k]) && IsPositiveZero(m[k * n + r]))) return false;
  }
  return true;
}

}  // namespace

bool TParameter::InvertSymmetric(std::vector<double>& m, int n) {
  if (n < 0 || m.size() < static_cast<std::size_t>(n) * static_cast<std::size_t>(n)) return false;
  return Sweep(m.data(), static_cast<std::size_t>(n), /*positive_pivots=*/false) ==
         SweepEnd::kInverted;
}

// A row r set aside (its diagonal D >= 1e-16 alone in its row and column) stays apart in the
// whole sweep as long as every pivot is positive: it is swept into -1/D, the other elements lose
// only products of +0 (which changes none of them, not even the sign of a zero), and its zeros
// stay +0. So the rest is inverted as a smaller matrix, and the rows set aside become 1/D with -0
// beside it, as the whole sweep makes them. A negative pivot (whose division would turn those
// zeros to -0) makes it sweep the whole matrix after all.
bool TParameter::InvertSymmetric(std::vector<double>& m, int n,
                                 const std::vector<char>& set_aside) {
  if (n < 0 || m.size() < static_cast<std::size_t>(n) * static_cast<std::size_t>(n)) return false;
  const std::size_t size = static_cast<std::size_t>(n);
  SweepWork& work = sweep_work;
  work.apart.assign(size, 0);
  work.kept.clear();
  for (std::size_t r = 0; r < size; ++r) {
    if (r < set_aside.size() && set_aside[r] && StandsAlone(m, size, r)) {
      work.apart[r] = 1;
    } else {
      work.kept.push_back(r);
    }
  }
  const std::size_t nk = work.kept.size();
  if (nk == size) return InvertSymmetric(m, n);
  const std::vector<std::size_t>& kept = work.kept;
  work.runs.clear();
  for (std::size_t i = 0; i < nk; ++i) {
    if (i > 0 && kept[i] == kept[i - 1] + 1) {
      ++work.runs.back().second;
    } else {
      work.runs.emplace_back(kept[i], 1);
    }
  }
  std::vector<double>& small = work.small;
  small.resize(nk * nk);
  for (std::size_t j = 0; j < nk; ++j) {
    const double* const column = m.data() + kept[j] * size;
    double* to = small.data() + j * nk;
    for (const auto& [first, length] : work.runs) to = std::copy_n(column + first, length, to);
  }
  switch (Sweep(small.data(), nk, /*positive_pivots=*/true)) {
    case SweepEnd::kSingular:
      return false;
    case SweepEnd::kNegativePivot:
      return InvertSymmetric(m, n);
    case SweepEnd::kInverted:
      break;
  }
  for (std::size_t r = 0; r < size; ++r) {
    if (!work.apart[r]) continue;
    const double swept = -1.0 / m[r * size + r];
    for (std::size_t k = 0; k < size; ++k) m[r * size + k] = m[k * size + r] = -0.0;
    m[r * size + r] = -swept;
  }
  for (std::size_t j = 0; j < nk; ++j) {
    double* const column = m.data() + kept[j] * size;
    const double* from = small.data() + j * nk;
    for (const auto& [first, length] : work.runs) {
      std::copy_n(from, length, column + first);
      from += length;
    }
  }
  return true;
}

// Eps and the criterion are under their bounds.
bool TParameter::ConvergenceReached() const {
  return !(eps_ > settings.eps_min || criterion_ > settings.chi2_max);
}

// Another iteration runs while nothing has stopped the fit, iterations are left and it has not
// converged.
bool TParameter::MayIterate() const {
  return continue_flag_ && matrix_inverted_ &&
         iterations_ < std::min(settings.max_iterations, kIterationCeiling) &&
         !ConvergenceReached();
}

bool TParameter::CriterionIncreased() const { return criterion_ > previous_; }

// The criterion of the pass against the last one; after on_increase a grown criterion stops the
// fit (1) or makes it more careful (2), and the change is then not applied.
bool TParameter::AcceptChange() {
  criterion_ = settings.penalty_weight * penalty_ + chi2_df_;
  if (settings.on_increase == 1 && CriterionIncreased()) {
    continue_flag_ = false;
    summary_.stop = FitStop::kCriterionIncreased;
    return false;
  }
  if (settings.on_increase == 2 && CriterionIncreased()) {
    settings.step *= 0.5;
    settings.damp = std::min(100.0, 2 * settings.damp);
    settings.point_step = 1;
    return false;
  }
  previous_ = criterion_;
  return true;
}

// Applies the Gauss-Newton change of an iteration.
void TParameter::Update() {
  std::vector<double> change(static_cast<std::size_t>(nm_), 0.0);
  for (int k = 1; k <= nm_; ++k) {
    double sum = 0.0;
    for (int l = 1; l <= nm_; ++l) sum += a(k, l) * rhs_[static_cast<std::size_t>(l - 1)];
    change[static_cast<std::size_t>(k - 1)] = sum;
  }
  for (const double value : change) {
    if (!std::isfinite(value)) {
      matrix_inverted_ = false;
      converged_ = false;
      summary_.stop = FitStop::kSingularMatrix;
      return;
    }
  }
  if (!AcceptChange()) return;

  for (int j = 1; j <= n_; ++j) previous_values_[static_cast<std::size_t>(j - 1)] = param(j).value;
  double sum = 0.0;
  std::vector<double> eps_terms;
  for (int j = 1; j <= n_; ++j) {
    ParameterRecord& p = param(j);
    const int k = slot(j);
    if (k == 0) continue;
    p.increment = change[static_cast<std::size_t>(k - 1)];
    if (p.fixed() || p.dep != j) continue;
    const double old = p.value;
    p.value = std::clamp(old + factor_ * p.increment, p.lower, p.upper);
    if (p.value == p.lower || p.value == p.upper) hit_boundary_ = true;
    p.increment = old;
    const double dii = diag_[static_cast<std::size_t>(k - 1)];
    if (dii != 0) {
      const double term = (p.value - old) * (p.value - old) * dii;
      sum += term;
      eps_terms.push_back(term);
    }
  }
  for (int j = 1; j <= n_; ++j) {
    ParameterRecord& p = param(j);
    if (p.dep != j) p.value = p.coef * param(p.dep).value + p.offset;
  }
  updated_ = true;
  eps_ = std::sqrt(std::sqrt(sum / nfree_)) * std::sqrt(gradient_);
  if (settings.trace_diag) {
    Trace(ValueLines(eps_terms, "Diag= "));
    Trace(ValueLines(diag_, "Diag= "));
  }
}

bool TParameter::PositiveDefinite() const {
  for (int i = 1; i <= nm_; ++i) {
    if (!(a(i, i) >= 0)) return false;
  }
  for (int i = 1; i <= nm_; ++i) {
    for (int j = i + 1; j <= nm_; ++j) {
      const double product = a(i, i) * a(j, j);
      const double minor = product - a(i, j) * a(i, j);
      const double largest = std::max(product, a(i, j) * a(i, j));
      if (largest > 0 && !(minor / largest > 1e-14)) return false;
    }
  }
  return true;
}

void TParameter::FinalErrors() {
  for (int j = 1; j <= n_; ++j) {
    ParameterRecord& p = param(j);
    const int k = slot(j);
    p.error = (p.fixed() || p.dep != j || k == 0) ? 0.0 : std::sqrt(std::fabs(a(k, k)));
  }
  for (int j = 1; j <= n_; ++j) {
    ParameterRecord& p = param(j);
    if (p.dep != j) p.error = std::fabs(p.coef) * param(p.dep).error;
  }
  if (!packed_ && !PositiveDefinite()) converged_ = false;
}

// A fit whose matrix could not be used leaves no errors; when the model failed at the values of
// the last update, the values go back to where it last worked.
void TParameter::GiveUp() {
  if (summary_.stop == FitStop::kNonFiniteModel && updated_) {
    for (int j = 1; j <= n_; ++j)
      param(j).value = previous_values_[static_cast<std::size_t>(j - 1)];
  }
  for (int j = 1; j <= n_; ++j) param(j).error = 0.0;
}

FitSummary TParameter::Fit(PointRef point, const PenaltyProcedure& penalty) {
  const FitSettings saved = settings;
  if (!Prepare()) {
    settings = saved;
    return summary_;
  }
  factor_ = settings.step;
  previous_values_.resize(static_cast<std::size_t>(n_));

  while (MayIterate()) {
    if (!RunPass(point, penalty, kIterationStage)) break;
    Update();
    ++iterations_;
    if (settings.trace_iter) {
      Trace("Iteration " + std::to_string(iterations_) + "  criterion= " + Number(criterion_));
    }
    if (settings.print_period > 0 && iterations_ % settings.print_period == 0) PrintIteration();
  }
  if (summary_.stop == FitStop::kNotRun) {
    summary_.stop = ConvergenceReached() ? FitStop::kConverged : FitStop::kIterationLimit;
  }
  if (matrix_inverted_) {
    settings.point_step = 1;
    for (int j = 1; j <= n_; ++j) param(j).error = 0.0;
    if (RunPass(point, penalty, kFinalStage)) FinalErrors();
  }
  if (!matrix_inverted_) GiveUp();
  if (settings.print_period > 0) PrintIteration();
  settings = saved;
  return summary_;
}

void TParameter::PrintIteration() {
  if (!log_) return;
  Trace("Iter.= " + std::to_string(iterations_) + "  chi2= " + Number(chi2_df_) + "   Eps= " +
        Number(eps_) + " Step= " + Number(settings.step) + " Damp= " + Number(settings.damp));
  std::vector<double> values;
  for (int j = 1; j <= n_; ++j) values.push_back(param(j).value);
  Trace(ValueLines(values, "     "));
}

void TParameter::PrintMatrix() {
  if (!log_) return;
  Trace(".... Inverse LS matrix + vector");
  std::vector<double> row(static_cast<std::size_t>(nm_));
  for (int i = 1; i <= nm_; ++i) {
    for (int j = 1; j <= nm_; ++j) row[static_cast<std::size_t>(j - 1)] = a(i, j);
    Trace(ValueLines(row, "  "));
  }
  std::vector<double> change(static_cast<std::size_t>(nm_), 0.0);
  double normalised = 0.0;
  for (int k = 1; k <= nm_; ++k) {
    for (int l = 1; l <= nm_; ++l) {
      change[static_cast<std::size_t>(k - 1)] += a(k, l) * rhs_[static_cast<std::size_t>(l - 1)];
    }
    if (a(k, k) > 0)
      normalised += std::fabs(change[static_cast<std::size_t>(k - 1)]) / std::sqrt(a(k, k));
  }
  Trace(ValueLines(change, "  "));
  Trace("  norm.c.= " + Number(normalised / nm_));
}

}  // namespace pektra
