// TParameter: a set of model parameters with limits, fixing and linear dependence, fitted to data
// points by damped Gauss-Newton iterations on the weighted sum of squares. The model comes in as
// a point procedure; the class has no model of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace pektra {

class DebugLog;

// One parameter. A parameter whose lower limit equals its upper limit is fixed; one whose `dep`
// names an earlier parameter follows it as coef * master + offset.
struct ParameterRecord {
  std::int32_t dep = 0;  // master's index; the parameter's own index when independent
  double lower = -1e15;
  double value = 0.0;
  double upper = 1e15;
  double coef = 1.0;
  double offset = 0.0;
  double error = 0.0;      // standard error after the fit (0 for fixed parameters)
  double increment = 0.0;  // in a pass: df/dp at the point; after the solve: the change;
                           // after the update: the previous value
  std::uint8_t flag = 0;

  bool fixed() const { return lower == upper; }
};

// Settings of one fit; saved when a fit starts and restored when it ends, so that what a fit
// adjusts for itself does not carry over to the next one.
struct FitSettings {
  int point_step = 1;      // every point_step-th point in iterations; the final pass uses all
  int max_iterations = 5;  // 0: no iteration, only the final pass with errors; at most
                           // kIterationCeiling are made
  int print_period = 0;    // iteration line every print_period iterations (0: never)
  int keep_rows = 0;       // full-matrix mode: 0 clears rows of fixed and dependent parameters
  int weighting = 2;    // 0 and 1: L1-like re-weighting; 2: least squares, robust beyond robust_c
  int on_increase = 0;  // criterion grew: 0 go on, 1 stop, 2 more damping
  int packed = 0;       // 0: all parameters in the matrix; else only the free ones
  int derivatives = 0;  // 0 analytic; else numerical (and second derivatives in the final pass)
  bool mean_weight = false;
  bool trace_iter = false, trace_matrix = false, trace_deriv = false, check_deriv = false,
       trace_points = false, trace_diag = false, trace_corr = false;
  double eps_min = 0.5;   // convergence bound on Eps
  double chi2_max = 1.0;  // convergence bound on the criterion; negative: sqrt(2 / ndf) + 1
  double step = 0.999;    // fraction of the Gauss-Newton change applied per iteration
  double damp = 1e-5;     // Marquardt factor on the diagonal
  double penalty_weight = 0.0;
  double robust_c = 1e6;  // residual (in errors) beyond which weighting 2 down-weights a point
  double robust_k = 1e6;
};

// What the point procedure returns for one data point: measured value, model value, weight
// (0 skips the point).
struct PointValue {
  double y = 0.0, f = 0.0, w = 0.0;
};

// Why the fit stopped.
enum class FitStop {
  kNotRun,
  kConverged,           // Eps and the criterion under their bounds
  kIterationLimit,      // max_iterations reached
  kCriterionIncreased,  // on_increase 1
  kSingularMatrix,      // the normal matrix could not be inverted
  kNonFiniteModel,      // the model gave a value that is not a finite number
  kNoPoints,            // no points or no parameters
  kWrongParameters,     // bad dependence or coefficient
  kNoFreeParameters,
  kAllWeightsZero,
};

// The point procedure as the fitter calls it, once per point: a reference to a callable that
// lives at least as long as the call it is passed to (it is not copied). The callable is either
//   PointValue(int stage, int index), writing df/dp_j into param(j).increment for every j, or
//   PointValue(int stage, int index, std::span<double> derivatives), writing df/dp_j straight into
//   derivatives[j - 1] for every j of the parameter count (the span holds exactly those).
class PointRef {
 public:
  template <class F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, PointRef> &&
           (std::is_invocable_r_v<PointValue, F&, int, int, std::span<double>> ||
            std::is_invocable_r_v<PointValue, F&, int, int>))
      PointRef(F&& procedure)  // NOLINT: converts from any procedure, like a function reference
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(procedure)))) {
    using Object = std::remove_reference_t<F>;
    if constexpr (std::is_invocable_r_v<PointValue, F&, int, int, std::span<double>>) {
      direct_ = true;
      call_ = [](void* object, int stage, int index, std::span<double> derivatives) {
        return (*static_cast<Object*>(object))(stage, index, derivatives);
      };
    } else {
      call_ = [](void* object, int stage, int index, std::span<double>) {
        return (*static_cast<Object*>(object))(stage, index);
      };
    }
  }

  PointValue operator()(int stage, int index, std::span<double> derivatives) const {
    return call_(object_, stage, index, derivatives);
  }
  // True when the procedure writes its derivatives into the span, not into the increments.
  bool direct() const { return direct_; }

 private:
  void* object_ = nullptr;
  PointValue (*call_)(void*, int, int, std::span<double>) = nullptr;
  bool direct_ = false;
};

// One sentence on why a fit stopped.
std::string_view Describe(FitStop stop);

// What a fit has to tell: why it stopped, and the notes meant for the user ("All errors=0.Fit
// stopped", ...) in the order they arose. The fitter shows nothing itself; whoever runs the fit
// decides where the notes go.
struct FitSummary {
  FitStop stop = FitStop::kNotRun;
  std::vector<std::string> notes;
};

class TParameter {
 public:
  // stage: 1 during iterations, 3 in the final pass. With analytic derivatives the procedure
  // writes df/dp_j into param(j).increment for every j. An owning procedure, for whoever keeps
  // one; Fit takes any procedure through PointRef.
  using PointProcedure = std::function<PointValue(int stage, int index)>;
  // Called once per pass after the sums; returns the penalty term.
  using PenaltyProcedure = std::function<double()>;

  static constexpr int kIterationStage = 1;
  static constexpr int kFinalStage = 3;
  // No fit iterates more often than this, whatever max_iterations says: a setting typed or read
  // from a file cannot keep a fit running for hours. Well above what a careful fit needs (the
  // iteration setting goes up to 1000, softened retries add a few).
  static constexpr int kIterationCeiling = 2000;

  TParameter(int number_of_parameters, int number_of_points);

  // Every record to its defaults (own index as dep, limits +-1e15, coef 1).
  void InitParameters();
  // The settings to their defaults.
  void InitSettings();

  int parameter_count() const { return n_; }
  int point_count() const { return points_; }
  void set_point_count(int points) { points_ = points; }
  void set_parameter_count(int n);  // at most the capacity given at construction

  ParameterRecord& param(int j) { return params_[static_cast<std::size_t>(j - 1)]; }
  const ParameterRecord& param(int j) const { return params_[static_cast<std::size_t>(j - 1)]; }

  // Where trace lines (and a copy of every note) go; may be null.
  void set_debug_log(DebugLog* log) { log_ = log; }

  FitSettings settings;

  // Runs the whole fit and returns its summary (also kept as summary() until the next fit).
  FitSummary Fit(PointRef point, const PenaltyProcedure& penalty = {});

  // The five quality flags after a fit, in order: not converged, matrix not inverted,
  // chi2/df >= 3, Eps >= eps_min, Ch+ outside [0.25, 0.75] while chi2/df > 0.1.
  struct Quality {
    bool not_converged = false, not_inverted = false, large_chi2 = false, large_eps = false,
         one_sided = false;
  };
  Quality CheckQuality() const;

  // Makes the next fit more careful: more damping, a smaller step, every point, more iterations.
  void Soften();

  // Results of the last fit.
  double chi2_df() const { return chi2_df_; }
  double chi2_plus() const { return chi2_plus_; }
  double eps() const { return eps_; }
  double gradient() const { return gradient_; }
  double criterion() const { return criterion_; }
  int iterations() const { return iterations_; }
  int ndf() const { return ndf_; }
  int free_count() const { return nfree_; }
  bool matrix_inverted() const { return matrix_inverted_; }
  bool continue_flag() const { return continue_flag_; }
  bool converged() const { return converged_; }
  bool hit_boundary() const { return hit_boundary_; }
  FitStop stop_reason() const { return summary_.stop; }
  const FitSummary& summary() const { return summary_; }
  // The message of a fit that could not start ("Error, no free parameters"), else empty.
  const std::string& error_text() const { return error_text_; }
  // Element (i, j) of the inverse normal matrix of the final pass (matrix indices: parameters in
  // full-matrix mode, free parameters in packed mode).
  double inverse(int i, int j) const { return a(i, j); }
  int matrix_size() const { return nm_; }

  // Writes the iteration line and the parameter values to the debug log.
  void PrintIteration();
  void PrintMatrix();

  // The symmetric sweep inversion of an n x n matrix (column-major, 0-based storage), in place.
  // Returns false when a pivot falls below 1e-16 (or is not finite): the matrix is singular.
  static bool InvertSymmetric(std::vector<double>& matrix, int n);
  // The same for a matrix some of whose rows and columns (set_aside[k] != 0) may hold a positive
  // diagonal element alone, as the rows of fixed parameters do: they are left out of the sweep,
  // with the same result bit for bit. After a failure the matrix is not to be used.
  static bool InvertSymmetric(std::vector<double>& matrix, int n,
                              const std::vector<char>& set_aside);

 private:
  // What a pass over the points does: which points it takes and which derivatives it forms.
  struct Pass {
    int stage = kIterationStage;
    bool final_pass = false;
    int step = 1;            // every step-th point
    bool numerical = false;  // numerical first derivatives instead of the procedure's
    bool second = false;     // numerical second derivatives as well
    bool first_iteration = false;
  };
  // One point after the weighting: r = y - f, s the square root of the point's own weight, w its
  // weight in the normal equations and c its term of the sum of squares.
  struct Residual {
    double r = 0.0, s = 0.0, w = 0.0, c = 0.0;
  };
  // What a pass sums besides the normal equations.
  struct PassSums {
    double chi2 = 0.0, chi2_plus = 0.0, max_difference = 0.0;
    int used = 0;
  };

  // Setting up a fit.
  bool Prepare();
  void ResetResults();
  bool InputUsable();
  std::vector<ParameterRecord> FollowMasters(bool& contradiction) const;
  void AssignSlots(const std::vector<ParameterRecord>& records);
  void AllocateWork();

  // One pass over the points and the normal equations it gives.
  Pass PlanPass(int stage) const;
  bool RunPass(PointRef point, const PenaltyProcedure& penalty, int stage);
  bool AddPoint(PointRef point, const Pass& pass, int i, const PointValue& pv, PassSums& sums);
  bool FailNonFinite(int index);
  bool FailAllWeightsZero();
  // Derivatives.
  bool PointDerivatives(PointRef point, const Pass& pass, int i, double f, double& max_difference);
  void NumericalFirstDerivatives(PointRef point, const Pass& pass, int i, double f,
                                 double& max_difference);
  void NumericalSecondDerivatives(PointRef point, int stage, int i, double f);
  double MovedValue(PointRef point, int stage, int i, int j, double h, int k = 0, double hk = 0.0);
  // Weighting.
  double PointWeight(double w, const Pass& pass);
  Residual Weigh(const PointValue& pv, double w) const;
  void DownWeightOutlier(double t, Residual& residual) const;
  // Accumulation.
  void PackDerivatives();
  void Accumulate(double w, double r, bool second);
  void ScatterActive();
  bool FoldAndInvert(const PenaltyProcedure& penalty, int stage);

  // Iterations and their stopping rules.
  bool ConvergenceReached() const;
  bool MayIterate() const;
  bool CriterionIncreased() const;
  bool AcceptChange();
  void Update();
  void GiveUp();
  void FinalErrors();
  bool PositiveDefinite() const;

  void Note(const std::string& text);
  void Trace(const std::string& line);
  std::string ValueLines(const std::vector<double>& values, const std::string& head) const;

  double& a(int i, int j) { return matrix_[static_cast<std::size_t>((j - 1) * nm_ + (i - 1))]; }
  double a(int i, int j) const {
    return matrix_[static_cast<std::size_t>((j - 1) * nm_ + (i - 1))];
  }
  // Matrix index of parameter j (0 when it has none: fixed or dependent in packed mode).
  int slot(int j) const { return slot_[static_cast<std::size_t>(j - 1)]; }

  int capacity_ = 0;
  int n_ = 0;
  int points_ = 0;
  std::vector<ParameterRecord> params_;
  DebugLog* log_ = nullptr;

  // Per fit.
  bool packed_ = false;
  int nfree_ = 0;  // matrix size: parameters (full) or free parameters (packed)
  int nm_ = 0;
  std::vector<int> slot_;       // parameter -> matrix index
  std::vector<int> owner_;      // matrix index -> parameter
  std::vector<double> matrix_;  // normal matrix, then its inverse
  std::vector<double> rhs_;
  std::vector<double> diag_;           // the diagonal kept apart while summing
  std::vector<double> deriv_;          // derivatives at one point, by parameter
  std::vector<double> spare_deriv_;    // where the derivatives of the procedure's other calls go
  std::vector<std::size_t> active_;    // matrix indices (0-based) whose products are summed
  std::vector<double> active_deriv_;   // derivatives at one point, by active index
  std::vector<double> active_matrix_;  // the normal matrix's sums over the active indices
  std::vector<std::size_t> matrix_source_;  // matrix index -> its parameter's place in deriv_
  std::vector<std::size_t> active_source_;  // active index -> its parameter's place in deriv_
  std::vector<double> matrix_deriv_;        // derivatives at one point, by matrix index
  bool identity_owners_ = true;             // matrix index k is parameter k + 1
  std::vector<char> replaced_;  // matrix indices whose rows were replaced before inverting
  std::vector<double> hess_;    // second derivatives at one point (final pass), by parameter
  double factor_ = 0.999;       // the step in force when the fit started
  double sum_inv_sigma_ = 0.0;
  double penalty_ = 0.0;
  double chi2sum_ = 0.0, chi2plus_sum_ = 0.0;
  std::vector<double> previous_values_;  // values before the last update

  double chi2_df_ = 0.0, chi2_plus_ = 0.0, eps_ = 1e16, gradient_ = 0.0;
  double criterion_ = 1e16, previous_ = 1e16;
  int iterations_ = 0, ndf_ = 1, empty_ = 0;
  bool matrix_inverted_ = false, continue_flag_ = false, converged_ = false;
  bool hit_boundary_ = false, updated_ = false;
  FitSummary summary_;
  std::string error_text_;
};

}  // namespace pektra
