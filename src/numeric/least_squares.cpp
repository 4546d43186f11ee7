#include "numeric/least_squares.h"

#include <algorithm>
#include <cmath>

#include "core/debug_log.h"
#include "core/number_format.h"

namespace pektra {

namespace {

constexpr double kDerivativeScale = 1.0 / 1024.0;  // relative step of numerical derivatives
constexpr double kSecondStep = 1.0 / 128.0;        // additive step of second derivatives

std::string Number(double x) { return FormatGeneral(10, x); }

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
  if (settings.max_iterations != 0) {
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

  // Dependent limits and values follow their masters; worked out on a copy so that a fit that
  // cannot start leaves the records as they were.
  std::vector<ParameterRecord> records(params_.begin(), params_.begin() + n_);
  bool contradiction = false;
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
  if (nfree_ == 0) {
    error_text_ = "Error, no free parameters";
    summary_.stop = FitStop::kNoFreeParameters;
    return false;
  }
  std::copy(records.begin(), records.end(), params_.begin());
  if (contradiction) Note("Warning! Fixing and dependence contradiction removed");

  nm_ = nfree_;
  matrix_.assign(static_cast<std::size_t>(nm_ * nm_), 0.0);
  rhs_.assign(static_cast<std::size_t>(nm_), 0.0);
  diag_.assign(static_cast<std::size_t>(nm_), 0.0);
  deriv_.assign(static_cast<std::size_t>(n_), 0.0);
  hess_.assign(static_cast<std::size_t>(n_ * n_), 0.0);
  return true;
}

// One pass over the points: the weighted sums of the normal equations. Returns false when the
// pass cannot be used (a value that is not a finite number, or no point with a weight).
bool TParameter::RunPass(const PointProcedure& point, const PenaltyProcedure& penalty, int stage) {
  const bool final_pass = stage == kFinalStage;
  const int step = final_pass ? 1 : settings.point_step;
  const bool numerical = settings.derivatives != 0;
  const bool second = final_pass && !packed_ && numerical && n_ < 11;
  const bool first_iteration = !final_pass && iterations_ == 0;
  std::fill(matrix_.begin(), matrix_.end(), 0.0);
  std::fill(rhs_.begin(), rhs_.end(), 0.0);
  std::fill(diag_.begin(), diag_.end(), 0.0);
  std::vector<double> d(static_cast<std::size_t>(nm_));
  double chi2sum = 0.0, chi2plus = 0.0, max_difference = 0.0;
  int used = 0;
  empty_ = 0;

  auto fail_non_finite = [&](int index) {
    Trace("++++ Not a finite model value at point " + std::to_string(index));
    summary_.stop = FitStop::kNonFiniteModel;
    matrix_inverted_ = false;
    converged_ = false;
    return false;
  };
  // The model value at point i with parameter j moved by h (and k by hk).
  auto moved = [&](int i, int j, double h, int k = 0, double hk = 0.0) {
    const double vj = param(j).value;
    const double vk = k ? param(k).value : 0.0;
    param(j).value = vj + h;
    if (k) param(k).value = vk + hk;
    const double f = point(stage, i).f;
    param(j).value = vj;
    if (k) param(k).value = vk;
    return f;
  };

  for (int i = 1; i <= points_; i += step) {
    const PointValue pv = point(stage, i);
    double w = pv.w;
    if (w == 0 || w < 0) {  // a zero or negative weight leaves the point out
      ++empty_;
      continue;
    }
    if (!std::isfinite(w) || !std::isfinite(pv.y) || !std::isfinite(pv.f)) {
      return fail_non_finite(i);
    }
    if (first_iteration) sum_inv_sigma_ += 1.0 / std::sqrt(std::fabs(w));
    if (settings.mean_weight && !final_pass && iterations_ > 0 && sum_inv_sigma_ > 0) {
      w = std::pow(ndf_ / sum_inv_sigma_, 2);
    }

    for (int j = 1; j <= n_; ++j) deriv_[static_cast<std::size_t>(j - 1)] = param(j).increment;
    if (numerical || settings.check_deriv) {
      for (int j = 1; j <= n_; ++j) {
        if (param(j).fixed()) continue;
        const double h = std::max(std::fabs(param(j).value) * kDerivativeScale, 1e-6);
        const double numeric = (moved(i, j, h) - pv.f) / std::max(1e-6, h);
        double& analytic = deriv_[static_cast<std::size_t>(j - 1)];
        if (settings.check_deriv)
          max_difference = std::max(max_difference, std::fabs(numeric - analytic));
        if (numerical) analytic = numeric;
      }
    }
    if (second) {
      std::fill(hess_.begin(), hess_.end(), 0.0);
      const double scale = 1.0 / (kSecondStep * kSecondStep);
      std::vector<double> up(static_cast<std::size_t>(n_), 0.0);
      for (int j = 1; j <= n_; ++j) {
        if (param(j).fixed()) continue;
        up[static_cast<std::size_t>(j - 1)] = moved(i, j, kSecondStep);
        const double down = moved(i, j, -kSecondStep);
        hess_[static_cast<std::size_t>((j - 1) * n_ + (j - 1))] =
            (up[static_cast<std::size_t>(j - 1)] - 2 * pv.f + down) * scale;
      }
      for (int j = 1; j <= n_; ++j) {
        if (param(j).fixed()) continue;
        for (int k = j + 1; k <= n_; ++k) {
          if (param(k).fixed()) continue;
          const double both = moved(i, j, kSecondStep, k, kSecondStep);
          const double h = (both + pv.f - up[static_cast<std::size_t>(j - 1)] -
                            up[static_cast<std::size_t>(k - 1)]) *
                           scale;
          hess_[static_cast<std::size_t>((k - 1) * n_ + (j - 1))] = h;
          hess_[static_cast<std::size_t>((j - 1) * n_ + (k - 1))] = h;
        }
      }
    }
    if (numerical && final_pass) point(stage, i);  // leave the procedure at the fitted values
    for (const double value : deriv_) {
      if (!std::isfinite(value)) return fail_non_finite(i);
    }

    const double r = pv.y - pv.f;
    const double s = std::sqrt(w);
    const double t = std::fabs(r) * s;
    double c = 0.0;
    if (settings.weighting == 0) {
      w = std::sqrt(s) / std::max(1e-6, t * std::sqrt(t));
      c = r * r * w;
    } else if (settings.weighting == 1) {
      w = s / std::max(1e-6, std::fabs(r));
      c = r * r * w;
    } else {
      c = t * t;
      if (t >= settings.robust_c) {
        const double u = t / settings.robust_c;
        const double g = (settings.robust_k + 1) / (u * u + settings.robust_k);
        w *= g;
        c *= g;
      }
    }
    chi2sum += c;
    if (r > 0) chi2plus += c;

    if (packed_) {
      // A dependent parameter's derivative counts for its master (chain rule), then the free
      // parameters' derivatives are packed.
      for (int j = n_; j >= 1; --j) {
        const ParameterRecord& p = param(j);
        if (p.dep != j)
          deriv_[static_cast<std::size_t>(p.dep - 1)] +=
              p.coef * deriv_[static_cast<std::size_t>(j - 1)];
      }
    }
    for (int k = 1; k <= nm_; ++k) {
      d[static_cast<std::size_t>(k - 1)] =
          deriv_[static_cast<std::size_t>(owner_[static_cast<std::size_t>(k - 1)] - 1)];
    }
    for (int k = 1; k <= nm_; ++k) {
      const double wdk = w * d[static_cast<std::size_t>(k - 1)];
      rhs_[static_cast<std::size_t>(k - 1)] += wdk * r;
      diag_[static_cast<std::size_t>(k - 1)] += wdk * d[static_cast<std::size_t>(k - 1)];
      double* column = &matrix_[static_cast<std::size_t>((k - 1) * nm_)];
      for (int l = 1; l <= k; ++l) column[l - 1] += wdk * d[static_cast<std::size_t>(l - 1)];
      if (second) {
        for (int l = 1; l <= k; ++l) {
          column[l - 1] -= w * r * hess_[static_cast<std::size_t>((k - 1) * n_ + (l - 1))];
        }
      }
    }
    if (final_pass && settings.trace_points) {
      Trace("  y= " + Number(pv.y) + "  f= " + Number(pv.f) + "  c= " + Number(c) +
            "  sigma= " + Number(1.0 / s));
    }
    if (settings.trace_deriv) Trace(ValueLines(deriv_, "  deriv"));
    ++used;
  }
  if (settings.check_deriv) Trace(".... Max der. diff. = " + Number(max_difference));
  if (used == 0) {
    Note("All errors=0.Fit stopped");
    summary_.stop = FitStop::kAllWeightsZero;
    continue_flag_ = false;
    matrix_inverted_ = false;
    return false;
  }

  chi2sum_ = chi2sum;
  chi2plus_sum_ = chi2plus;
  return FoldAndInvert(penalty, stage);
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
  if (!packed_) {
    auto replace = [&](int j) {
      if (settings.keep_rows == 0) {
        for (int k = 1; k <= nm_; ++k) a(j, k) = a(k, j) = 0.0;
        a(j, j) = 1.0;
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
  if (!InvertSymmetric(matrix_, nm_)) {
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

bool TParameter::InvertSymmetric(std::vector<double>& m, int n) {
  auto at = [&m, n](int i, int j) -> double& { return m[static_cast<std::size_t>(j * n + i)]; };
  std::vector<bool> swept(static_cast<std::size_t>(n), false);
  for (int round = 0; round < n; ++round) {
    int p = -1;
    double largest = -1.0;
    for (int i = 0; i < n; ++i) {
      if (!swept[static_cast<std::size_t>(i)] && std::fabs(at(i, i)) > largest) {
        largest = std::fabs(at(i, i));
        p = i;
      }
    }
    const double d = p >= 0 ? at(p, p) : 0.0;
    if (!(std::fabs(d) >= 1e-16) || !std::isfinite(d)) return false;
    for (int j = 0; j < n; ++j) {
      if (j == p) continue;
      const double apj = at(p, j) / d;
      for (int i = 0; i < n; ++i) {
        if (i != p) at(i, j) -= at(i, p) * apj;
      }
    }
    for (int i = 0; i < n; ++i) {
      if (i == p) continue;
      at(i, p) /= d;
      at(p, i) /= d;
    }
    at(p, p) = -1.0 / d;
    swept[static_cast<std::size_t>(p)] = true;
  }
  for (double& value : m) {
    value = -value;
    if (!std::isfinite(value)) return false;
  }
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
  criterion_ = settings.penalty_weight * penalty_ + chi2_df_;
  if (settings.on_increase == 1 && criterion_ > previous_) {
    continue_flag_ = false;
    summary_.stop = FitStop::kCriterionIncreased;
    return;
  }
  if (settings.on_increase == 2 && criterion_ > previous_) {
    settings.step *= 0.5;
    settings.damp = std::min(100.0, 2 * settings.damp);
    settings.point_step = 1;
    return;
  }
  previous_ = criterion_;

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

FitSummary TParameter::Fit(const PointProcedure& point, const PenaltyProcedure& penalty) {
  const FitSettings saved = settings;
  if (!Prepare()) {
    settings = saved;
    return summary_;
  }
  factor_ = settings.step;
  previous_values_.resize(static_cast<std::size_t>(n_));

  auto give_up = [&] {
    // The model failed at the values of the last update: go back to where it last worked.
    if (summary_.stop == FitStop::kNonFiniteModel && updated_) {
      for (int j = 1; j <= n_; ++j)
        param(j).value = previous_values_[static_cast<std::size_t>(j - 1)];
    }
    for (int j = 1; j <= n_; ++j) param(j).error = 0.0;
  };

  while (continue_flag_ && matrix_inverted_ && iterations_ < settings.max_iterations &&
         (eps_ > settings.eps_min || criterion_ > settings.chi2_max)) {
    if (!RunPass(point, penalty, kIterationStage)) break;
    Update();
    ++iterations_;
    if (settings.trace_iter) {
      Trace("Iteration " + std::to_string(iterations_) + "  criterion= " + Number(criterion_));
    }
    if (settings.print_period > 0 && iterations_ % settings.print_period == 0) PrintIteration();
  }
  if (summary_.stop == FitStop::kNotRun) {
    summary_.stop = (eps_ > settings.eps_min || criterion_ > settings.chi2_max)
                        ? FitStop::kIterationLimit
                        : FitStop::kConverged;
  }
  if (matrix_inverted_) {
    settings.point_step = 1;
    for (int j = 1; j <= n_; ++j) param(j).error = 0.0;
    if (RunPass(point, penalty, kFinalStage)) FinalErrors();
  }
  if (!matrix_inverted_) give_up();
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
